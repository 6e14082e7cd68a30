#include "engine/alias_map.h"

#include <gtest/gtest.h>

TEST(AliasMap, CountsDistinctKeysOnly) {
  AliasMap map;
  EXPECT_EQ(map.Count(), 0u);
  EXPECT_TRUE(map.Insert(0));
  EXPECT_TRUE(map.Insert(0));
  EXPECT_TRUE(map.Insert(512));
  EXPECT_TRUE(map.Insert(0xFFFFFFFFFFFFFE00));  // the largest offset
  EXPECT_TRUE(map.Insert(512));
  EXPECT_EQ(map.Count(), 3u);
  map.Clear();
  EXPECT_EQ(map.Count(), 0u);
  EXPECT_TRUE(map.Insert(512));
  EXPECT_EQ(map.Count(), 1u);
}

TEST(AliasMap, StaysExactAcrossManyGrowths) {
  AliasMap map;
  // Offsets that differ only in high bits and offsets one sector apart, each inserted twice.
  const uint64_t keys = 300000;
  for (int round = 0; round < 2; ++round) {
    for (uint64_t k = 0; k < keys / 2; ++k) {
      ASSERT_TRUE(map.Insert(k << 40));
      ASSERT_TRUE(map.Insert((k + 1) * 512 + (uint64_t{1} << 52)));
    }
  }
  EXPECT_EQ(map.Count(), keys);
  // The tables stay within 16 bytes a key (at most 1.5 / 0.9 slots of 8 bytes each).
  EXPECT_LE(map.MemoryBytes(), 16 * keys);
  map.Clear();
  EXPECT_EQ(map.MemoryBytes(), 0u);
}
