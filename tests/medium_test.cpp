// Whole runs on file systems of their own: an ext4 on a loop device that a run can fill, whose
// data a test can change beneath the file system, and a RAM file system that refuses to bypass
// the file cache.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdint>
#include <cwchar>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "engine/space.h"
#include "engine/test_run.h"
#include "engine/test_session.h"
#include "engine/write_pass.h"
#include "platform/file.h"
#include "platform/storage_layers.h"
#include "platform/text.h"
#include "platform/volume.h"
#include "tests/support/loop_medium.h"
#include "tests/support/sector_counts.h"
#include "tests/support/session.h"
#include "tests/support/test_data.h"

namespace {

constexpr uint64_t MB = 1048576;
const std::vector<unsigned> kOneNotification = {WM_TEST_NOTIFY};

unsigned long long ULL(uint64_t value) { return value; }

std::wstring Warning() {
  const FixedText<kWarningChars> warning = CopyWarningText();
  return warning.Get() ? warning.Get() : L"(none)";
}

// The sizes of 1.kst, 2.kst, ... up to the first number missing.
std::vector<uint64_t> TestFileSizes(const LoopMedium& medium) {
  std::vector<uint64_t> sizes;
  for (uint64_t number = 1; std::filesystem::exists(medium.TestFile(number)); ++number) {
    sizes.push_back(FileSize(medium.TestFile(number)));
  }
  return sizes;
}

// The volume as the system reports it, but with `extraBytes` more free space than there is.
void StandInExtraFreeSpace(uint64_t extraBytes) {
  SetVolumeSpaceQueryForTesting([=](const wchar_t* directory, VolumeSpace* space) {
    struct statvfs status;
    if (statvfs(Utf8FromWide(directory).c_str(), &status) != 0) return false;
    space->freeBytes = static_cast<uint64_t>(status.f_bavail) * status.f_frsize + extraBytes;
    space->totalBytes = static_cast<uint64_t>(status.f_blocks) * status.f_frsize;
    return true;
  });
}

// How many bytes one plain write of 1 MByte to a new file at `path` stores; -1 when it fails.
ssize_t WriteOneMByte(const std::string& path) {
  std::vector<char> data(MB, 'x');
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
  if (fd < 0) return -1;
  const ssize_t stored = write(fd, data.data(), data.size());
  close(fd);
  unlink(path.c_str());
  return stored;
}

class Medium : public testing::Test {
 protected:
  void SetUp() override {
    if (std::string why = LoopMedium::WhyUnavailable(); !why.empty()) GTEST_SKIP() << why;
  }
  void TearDown() override { ResetSession(); }

  // Makes a fresh medium, mounted with `mountOptions`, and aims the session at its target.
  static bool Prepare(LoopMedium& medium, const std::string& mountOptions = "") {
    if (!medium.Attach(mountOptions)) return false;
    ResetSession(medium.wideTarget());
    return true;
  }
  // The same, then a filler takes free space until there is room for the returned number of
  // MByte and half of the next one.
  static std::optional<uint64_t> PrepareHalfMByteOver(LoopMedium& medium,
                                                      const std::string& mountOptions = "") {
    if (!Prepare(medium, mountOptions)) return std::nullopt;
    const uint64_t fitsMB = medium.FreeBytes() / MB - 2;
    if (!medium.LeaveFree(fitsMB * MB + MB / 2)) return std::nullopt;
    return fitsMB;
  }

  static void ExpectVerifyFindsAChangeOnTheMedium(bool cached, const std::string& mountOptions);
};

class RamFileSystem : public testing::Test {
 protected:
  void SetUp() override {
    if (std::string why = RamfsMount::WhyUnavailable(); !why.empty()) GTEST_SKIP() << why;
  }
  void TearDown() override { ResetSession(); }
};

}  // namespace

TEST_F(Medium, AllSpaceWriteAndVerifyFillsTheMedium) {
  LoopMedium medium;
  ASSERT_TRUE(Prepare(medium));
  const uint64_t freeMB = medium.FreeBytes() / MB;
  ASSERT_GT(freeMB, 32u);

  const RunOutcome outcome = RunWithWorker({});
  EXPECT_EQ(outcome.messages, kOneNotification);
  EXPECT_EQ(outcome.exitCode, 0u);
  EXPECT_EQ(outcome.errorText, std::nullopt);
  EXPECT_TRUE(TestSession.useAllSpace);
  // The size may have come down by the tolerance if the file system's own records took space.
  ASSERT_LE(outcome.sizeMB, freeMB);
  EXPECT_LE(freeMB - outcome.sizeMB, EarlyFullToleranceMB(freeMB));
  const TestProgress& p = outcome.progress;
  EXPECT_EQ(p.writtenMB, outcome.sizeMB);
  EXPECT_EQ(p.progressTotalMB, 2 * outcome.sizeMB);
  ExpectEverySectorOk(p, outcome.sizeMB);
  EXPECT_EQ(TestFileSizes(medium), std::vector<uint64_t>{outcome.sizeMB * MB});
  EXPECT_LT(medium.FreeBytes(), MB) << "a whole MByte was left untested";
  // The kernel's own driver reads the medium: nothing beneath it holds a cache to empty.
  const StorageLayers layers = QueryStorageLayers(medium.wideTarget().c_str());
  EXPECT_EQ(layers.fileSystemType, "ext4");
  EXPECT_EQ(layers.reach, MediumReach::kThroughFileSystem);
  EXPECT_TRUE(p.readsFromMedium);
}

TEST_F(Medium, AnAllSpaceRunFullOneMByteEarlyShrinksToWhatWasWritten) {
  LoopMedium medium;
  const std::optional<uint64_t> fitsMB = PrepareHalfMByteOver(medium);
  ASSERT_TRUE(fitsMB);
  const uint64_t totalMB = TotalSpaceMB();
  StandInExtraFreeSpace(MB);  // the run expects fitsMB + 1

  const RunOutcome outcome = RunWithWorker({});
  EXPECT_EQ(outcome.messages, kOneNotification);
  EXPECT_EQ(outcome.exitCode, 0u);
  EXPECT_EQ(outcome.errorText, std::nullopt);
  EXPECT_EQ(outcome.sizeMB, *fitsMB);
  const TestProgress& p = outcome.progress;
  EXPECT_EQ(p.writtenMB, *fitsMB);
  EXPECT_EQ(p.progressTotalMB, 2 * *fitsMB);
  ExpectEverySectorOk(p, *fitsMB);
  EXPECT_EQ(Warning(),
            Format(L"警告: 只测试了 %llu MByte(共 %llu MByte)\r\n", ULL(*fitsMB), ULL(totalMB)));
  EXPECT_EQ(TestFileSizes(medium), std::vector<uint64_t>{*fitsMB * MB});
}

TEST_F(Medium, AnAllSpaceRunFullBeyondTheToleranceEndsBeforeTheVerifyPass) {
  for (uint64_t extraMB : {2, 5}) {  // 2: one MByte past the tolerance
    SCOPED_TRACE(testing::Message() << extraMB << " MByte more free space reported than real");
    LoopMedium medium;
    const std::optional<uint64_t> fitsMB = PrepareHalfMByteOver(medium);
    ASSERT_TRUE(fitsMB);
    StandInExtraFreeSpace(extraMB * MB);

    const RunOutcome outcome = RunWithWorker({});
    EXPECT_EQ(outcome.messages, kOneNotification);
    EXPECT_EQ(outcome.exitCode, 1u);
    EXPECT_EQ(outcome.errorText, Format(L"媒介比预期的更早填满!\r\n测试开始时有 %llu MByte 空间\r\n"
                                        L"但只有 %llu MByte 可写\r\n",
                                        ULL(*fitsMB + extraMB), ULL(*fitsMB)));
    EXPECT_EQ(outcome.sizeMB, *fitsMB + extraMB);
    EXPECT_EQ(outcome.progress.writtenMB, *fitsMB);
    EXPECT_FALSE(outcome.progress.verifyStarted);
    EXPECT_EQ(TestFileSizes(medium), std::vector<uint64_t>{*fitsMB * MB});
  }
}

TEST_F(Medium, AGivenSizeBeyondTheMediumEndsWithTheWriteErrorAndKeepsWholeMBytes) {
  const struct {
    const char* name;
    bool cached;
    const char* mountOptions;
    bool storesPartOfAWrite;  // the file system stores the half MByte that has room
  } cases[] = {
      {"past the file cache", false, "", false},
      {"through the file cache", true, "", false},
      // Where ext4 journals the data, the last write stores half a MByte: the engine must cut
      // it off again.
      {"journalled data", false, "data=journal", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    LoopMedium medium;
    const std::optional<uint64_t> fitsMB = PrepareHalfMByteOver(medium, c.mountOptions);
    ASSERT_TRUE(fitsMB);
    File::ForceCachedIoForTesting(c.cached);

    const RunOutcome outcome = RunWithWorker({.sizeMB = *fitsMB + 3});
    EXPECT_EQ(outcome.messages, kOneNotification);
    EXPECT_EQ(outcome.exitCode, 1u);
    EXPECT_EQ(outcome.errorText,
              Format(L"无法写入文件 '%ls', 偏移 0x%llx\r\n仍然可以验证到目前为止写入的测试数据",
                     WideFromUtf8(medium.TestFile(1)).c_str(), ULL(*fitsMB * MB)) +
                  L"\r\n(" + SystemText(ENOSPC) + L" Code " + std::to_wstring(ENOSPC) + L")\r\n");
    EXPECT_EQ(outcome.progress.writtenMB, *fitsMB);
    EXPECT_FALSE(outcome.progress.verifyStarted);
    EXPECT_EQ(TestFileSizes(medium), std::vector<uint64_t>{*fitsMB * MB});
    // The half-stored MByte was given back, but for a few blocks that the file system may
    // have taken for its own records of the file.
    EXPECT_LE(medium.FreeBytes(), MB / 2);
    EXPECT_GE(medium.FreeBytes(), MB / 2 - 4 * 4096) << "the half-stored MByte was not given back";
    if (c.storesPartOfAWrite) {
      // Shows that the run met a write that stored half of its MByte.
      EXPECT_EQ(WriteOneMByte(medium.root() + "/probe"), static_cast<ssize_t>(MB / 2));
    }

    // What stayed is the test data, up to its last sector.
    const RunOutcome verified = RunWithWorker({.doWrite = false, .sizeMB = *fitsMB});
    EXPECT_EQ(verified.messages, kOneNotification);
    EXPECT_EQ(verified.exitCode, 0u);
    EXPECT_EQ(verified.errorText, std::nullopt);
    ExpectEverySectorOk(verified.progress, *fitsMB);
  }
}

// Writes 4 MByte, changes three bits of 1.kst on the medium beneath the file system while the
// file system's cache still holds the old data, and checks that a verify-only run finds them.
void Medium::ExpectVerifyFindsAChangeOnTheMedium(bool cached, const std::string& mountOptions) {
  // The second byte of word 2 of sector 37: within the first extent even where the file
  // system hands out pieces of 64 KiB.
  constexpr uint64_t kSectorOffset = 37 * kSectorBytes;
  constexpr uint64_t kWordOffset = kSectorOffset + 2 * sizeof(PatternWord);
  constexpr uint8_t kMask = 0x29;
  constexpr uint64_t kSizeMB = 4;
  const uint64_t expected = PatternWordAt(kSectorOffset, 2);

  LoopMedium medium;
  ASSERT_TRUE(Prepare(medium, mountOptions));
  File::ForceCachedIoForTesting(cached);
  const RunOutcome written = RunWithWorker({.sizeMB = kSizeMB});
  ASSERT_EQ(written.exitCode, 0u);
  ASSERT_EQ(written.progress.okSectors, kSizeMB * kSectorsPerBlock);

  const std::string file = medium.TestFile(1);
  EXPECT_EQ(ReadWord(file, kWordOffset), expected);  // now in the file cache
  FileExtent extent;
  ASSERT_TRUE(FirstExtent(file, &extent));
  ASSERT_EQ(extent.logical, 0u);
  ASSERT_GT(extent.length, kWordOffset + sizeof(PatternWord));
  const uint64_t position = extent.physical + kWordOffset + 1;
  uint8_t byte;
  medium.ReadMedium(position, &byte, 1);
  ASSERT_EQ(byte, static_cast<uint8_t>(expected >> 8)) << "the data is not where FIEMAP says";
  byte ^= kMask;
  medium.OverwriteMedium(position, &byte, 1);
  // The file system does not know of the change: its cache still answers with the old data.
  EXPECT_EQ(ReadWord(file, kWordOffset), expected);

  const RunOutcome verified = RunWithWorker({.doWrite = false, .sizeMB = kSizeMB});
  EXPECT_EQ(verified.messages, kOneNotification);
  EXPECT_EQ(verified.exitCode, 0u);
  EXPECT_EQ(verified.errorText, std::nullopt);
  const TestProgress& p = verified.progress;
  EXPECT_EQ(p.verifiedMB, kSizeMB);
  EXPECT_EQ(p.okSectors, kSizeMB * kSectorsPerBlock - 1);
  EXPECT_EQ(p.slightlyChangedSectors, 1u);
  EXPECT_EQ(p.corruptedSectors + p.overwrittenSectors, 0u);
  ASSERT_TRUE(p.firstErrorSeen);
  EXPECT_EQ(p.firstError.offset, kWordOffset);
  EXPECT_EQ(p.firstError.expected, expected);
  EXPECT_EQ(p.firstError.found, expected ^ (uint64_t{kMask} << 8));
}

TEST_F(Medium, TheVerifyPassReadsTheMediumNotTheFileCache) {
  const struct {
    const char* name;
    bool cached;
    const char* mountOptions;
  } cases[] = {
      {"past the file cache", false, ""},
      {"through the file cache", true, ""},
      {"through the file cache, journalled data", true, "data=journal"},
      // Journalling the data, ext4 accepts O_DIRECT yet answers reads from its cache.
      {"past the file cache, journalled data", false, "data=journal"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ExpectVerifyFindsAChangeOnTheMedium(c.cached, c.mountOptions);
  }
}

TEST_F(RamFileSystem, ARunWhereDirectIoIsRefusedStillChecksEverySector) {
  RamfsMount ram;
  ASSERT_TRUE(ram.Mount());
  {
    const std::string probe = ram.path() + "/probe";
    const int fd = open(probe.c_str(), O_RDWR | O_CREAT | O_EXCL, 0644);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(fcntl(fd, F_SETFL, O_DIRECT), -1);
    EXPECT_EQ(errno, EINVAL);
    close(fd);
    unlink(probe.c_str());
  }
  ResetSession(ram.widePath());

  const RunOutcome outcome = RunWithWorker({.sizeMB = 3});
  EXPECT_EQ(outcome.messages, kOneNotification);
  EXPECT_EQ(outcome.exitCode, 0u);
  EXPECT_EQ(outcome.errorText, std::nullopt);
  EXPECT_EQ(outcome.progress.writtenMB, 3u);
  ExpectEverySectorOk(outcome.progress, 3);
  EXPECT_FALSE(outcome.progress.readsFromMedium) << "memory answered, not a medium";
  EXPECT_EQ(FileSize(ram.path() + "/1.kst"), 3 * MB);
}
