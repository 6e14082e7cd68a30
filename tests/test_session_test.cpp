#include "engine/test_session.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "platform/clock.h"

TEST(TestSession, StartsEmptyWithItsBufferAndTheCounterFrequency) {
  const TestProgress p = CopyProgress();
  EXPECT_EQ(p.perfFrequency, PerfFrequency());
  EXPECT_EQ(p.perfFrequency, 1000000000);
  EXPECT_FALSE(p.stopRequested || p.writeStarted || p.writing || p.verifyStarted || p.verifying ||
               p.firstErrorSeen);
  EXPECT_EQ(p.writtenMB + p.verifiedMB + p.progressTotalMB + p.okSectors + p.overwrittenSectors +
                p.slightlyChangedSectors + p.corruptedSectors + p.aliasedOffsets,
            0u);
  EXPECT_EQ(TestSession.sizeMB, 0u);
  EXPECT_FALSE(TestSession.targetPath.has_value());
  EXPECT_EQ(TestSession.errorText.Get(), nullptr);
  EXPECT_EQ(CopyWarningText().Get(), nullptr);
  EXPECT_EQ(Language, 0);
  ASSERT_NE(TestSession.ioBuffer, nullptr);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(TestSession.ioBuffer) % 4096, 0u);
}
