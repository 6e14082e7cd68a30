// Whole runs on a fake medium (tests/support/fake_medium.h): one that is sound, one that keeps
// less than it claims (wrapping around or dropping what lies past its real size), one that
// flips bits, one that fails reads or writes in a range, and one that disconnects in the middle
// of a pass. Every run goes through the real worker and ends with exactly one notification.
#include "tests/support/fake_medium.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <cstdint>
#include <filesystem>
#include <future>
#include <optional>
#include <string>
#include <vector>

#include "engine/test_run.h"
#include "engine/test_session.h"
#include "engine/write_pass.h"
#include "platform/file.h"
#include "platform/memory_dialog.h"
#include "platform/text.h"
#include "resources/resource_ids.h"
#include "results/completion.h"
#include "tests/support/loop_medium.h"
#include "tests/support/sector_counts.h"
#include "tests/support/session.h"
#include "tests/support/test_data.h"

namespace {

constexpr uint64_t MB = 1048576;
const std::vector<unsigned> kOneNotification = {WM_TEST_NOTIFY};
// Far longer than any of these runs takes, even under ThreadSanitizer.
constexpr std::chrono::seconds kRunLimit{300};

unsigned long long ULL(uint64_t value) { return value; }

// The line that follows every error the system reported.
std::wstring SystemErrorTail(unsigned code) {
  return L"\r\n(" + SystemText(code) + L" Code " + std::to_wstring(code) + L")\r\n";
}

std::wstring WriteErrorText(const std::string& file, uint64_t offset) {
  return Format(L"无法写入文件 '%ls', 偏移 0x%llx\r\n仍然可以验证到目前为止写入的测试数据",
                WideFromUtf8(file).c_str(), ULL(offset)) +
         SystemErrorTail(EIO);
}

std::wstring ReadErrorText(const std::string& file, uint64_t offset) {
  return Format(L"无法读取文件 '%ls', 偏移 0x%llx", WideFromUtf8(file).c_str(), ULL(offset)) +
         SystemErrorTail(EIO);
}

std::wstring CreateErrorText(const std::string& file, unsigned code) {
  return Format(L"无法创建文件 '%ls'", WideFromUtf8(file).c_str()) + SystemErrorTail(code);
}

std::wstring OpenErrorText(const std::string& file) {
  return Format(L"无法打开文件 '%ls'", WideFromUtf8(file).c_str()) + SystemErrorTail(EIO);
}

std::wstring Warning() {
  const FixedText<kWarningChars> warning = CopyWarningText();
  return warning.Get() ? warning.Get() : L"";
}

// What the progress dialog's result box holds once it has handled the run's notification.
std::wstring FinalText() {
  MemoryDialog controls;
  ProgressDialogState dialog{controls};
  OnTestNotify(dialog);
  return controls.controls[IDC_RESULT_TEXT].text;
}

const std::wstring kCompletionText =
    L"测试已完成,没有发现错误.\r\n现在可以删除测试用文件 *.kst 或再次进行测试\r\n";
const std::wstring kReportHeading = L"媒介可能有问题\r\n";

bool StartsWith(const std::wstring& text, const std::wstring& start) {
  return text.compare(0, start.size(), start) == 0;
}

// The files this process holds open inside `directory`.
std::vector<std::string> OpenFilesInside(const std::string& directory) {
  std::vector<std::string> inside;
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", ignored)) {
    const std::string target = std::filesystem::read_symlink(entry.path(), ignored).string();
    if (target.rfind(directory + "/", 0) == 0 || target == directory) inside.push_back(target);
  }
  return inside;
}

class FakeMediumRun : public testing::Test {
 protected:
  void SetUp() override {
    if (std::string why = FakeMedium::WhyUnavailable(); !why.empty()) GTEST_SKIP() << why;
  }
  void TearDown() override { ResetSession(); }

  // Makes a fresh fake medium and aims the session at its file system.
  static bool Prepare(FakeMedium& medium, const FakeMedium::Options& options) {
    if (!medium.Attach(options)) return false;
    ResetSession(medium.wideRoot());
    return true;
  }

  // RunWithWorker, but a run that has not ended within kRunLimit fails the test and has its
  // medium pulled, so that its transfers fail and the worker ends.
  static RunOutcome Run(FakeMedium& medium, const RunOptions& options) {
    std::future<RunOutcome> outcome =
        std::async(std::launch::async, [&options] { return RunWithWorker(options); });
    if (outcome.wait_for(kRunLimit) != std::future_status::ready) {
      ADD_FAILURE() << "the run did not end within " << kRunLimit.count() << " s";
      medium.Abort();
    }
    RunOutcome result = outcome.get();
    EXPECT_EQ(OpenFilesInside(medium.root()), std::vector<std::string>{})
        << "the run left files open on the medium";
    return result;
  }

  // Writes and verifies `sizeMB` MByte on a medium that is still sound.
  static void WriteSoundData(FakeMedium& medium, uint64_t sizeMB) {
    const RunOutcome written = Run(medium, {.sizeMB = sizeMB});
    ASSERT_EQ(written.exitCode, 0u);
    ASSERT_EQ(written.errorText, std::nullopt);
    ASSERT_EQ(written.progress.okSectors, sizeMB * kSectorsPerBlock);
  }

  // Where the data of test file 1 lies on the medium; it must lie in one piece of at least
  // `bytes` bytes.
  static std::optional<uint64_t> DataStart(const FakeMedium& medium, uint64_t bytes) {
    FileExtent extent;
    if (!FirstExtent(medium.TestFile(1), &extent)) return std::nullopt;
    EXPECT_EQ(extent.logical, 0u);
    EXPECT_GE(extent.length, bytes) << "the test data is not in one piece";
    if (extent.logical != 0 || extent.length < bytes) return std::nullopt;
    return extent.physical;
  }

  static void ExpectReadErrorsNamed(bool cached);
};

}  // namespace

TEST_F(FakeMediumRun, ASoundMediumPassesWithTheCompletionText) {
  for (uint64_t sizeMB : {0, 8}) {
    SCOPED_TRACE(sizeMB ? "a given size" : "all free space");
    FakeMedium medium;
    ASSERT_TRUE(Prepare(medium, {.claimedMB = 32}));
    const uint64_t freeMB = medium.FreeBytes() / MB;

    const RunOutcome outcome = Run(medium, {.sizeMB = sizeMB});
    EXPECT_EQ(outcome.messages, kOneNotification);
    EXPECT_EQ(outcome.exitCode, 0u);
    EXPECT_EQ(outcome.errorText, std::nullopt);
    if (sizeMB) {
      EXPECT_EQ(outcome.sizeMB, sizeMB);
    } else {
      ASSERT_LE(outcome.sizeMB, freeMB);
      EXPECT_LE(freeMB - outcome.sizeMB, EarlyFullToleranceMB(freeMB));
      EXPECT_LT(medium.FreeBytes(), MB) << "a whole MByte was left untested";
    }
    EXPECT_EQ(outcome.progress.writtenMB, outcome.sizeMB);
    ExpectEverySectorOk(outcome.progress, outcome.sizeMB);
    const std::wstring text = FinalText();
    EXPECT_TRUE(StartsWith(text, Warning() + kCompletionText + L"写入速度: ")) << text;
  }
}

TEST_F(FakeMediumRun, AMediumThatWrapsAroundIsReportedAsOverwritten) {
  // Claims four times what it holds: every byte past 16 MiB lands on one below.
  constexpr uint64_t kRealMB = 16;
  FakeMedium medium;
  ASSERT_TRUE(Prepare(medium, {.claimedMB = 64, .realMB = kRealMB}));

  const RunOutcome outcome = Run(medium, {});
  EXPECT_EQ(outcome.messages, kOneNotification);
  EXPECT_EQ(outcome.exitCode, 0u);
  EXPECT_EQ(outcome.errorText, std::nullopt);
  const TestProgress& p = outcome.progress;
  ASSERT_GT(outcome.sizeMB, 3 * kRealMB);
  EXPECT_EQ(p.writtenMB, outcome.sizeMB);
  EXPECT_EQ(p.verifiedMB, outcome.sizeMB);
  EXPECT_EQ(p.okSectors + p.overwrittenSectors + p.slightlyChangedSectors + p.corruptedSectors,
            outcome.sizeMB * kSectorsPerBlock);
  // Each place on the real medium keeps the last sector written there. Mostly that is a sector
  // of test data, which reads back intact, while the two or three other sectors of the file
  // that share its place read back its data. The file system wrote a few of its own records (in its
  // first 40 KiB) again after the test data; the sectors that share their places read back
  // corrupted.
  constexpr uint64_t kRecordSectors = 40 * 1024 / kSectorBytes;
  const uint64_t realSectors = kRealMB * kSectorsPerBlock;
  EXPECT_LE(p.okSectors, realSectors);
  EXPECT_GE(p.okSectors, realSectors - kRecordSectors);
  EXPECT_EQ(p.aliasedOffsets, p.okSectors);
  EXPECT_LE(p.corruptedSectors, 4 * kRecordSectors);
  EXPECT_EQ(p.slightlyChangedSectors, 0u);
  EXPECT_GE(p.overwrittenSectors,
            (outcome.sizeMB - kRealMB) * kSectorsPerBlock - 4 * kRecordSectors);
  EXPECT_TRUE(p.firstErrorSeen);

  const std::wstring text = FinalText();
  EXPECT_TRUE(StartsWith(text, Warning() + kReportHeading)) << text;
  EXPECT_NE(text.find(L" 覆盖 (" + std::to_wstring(p.overwrittenSectors) + L" 扇区en)"),
            std::wstring::npos)
      << text;
  EXPECT_EQ(text.find(L"没有发现错误"), std::wstring::npos) << text;
}

TEST_F(FakeMediumRun, WritesDroppedPastTheRealSizeReadBackAsCorrupted) {
  constexpr uint64_t kRealMB = 16;
  const struct {
    const char* name;
    FakeMedium::Storage storage;
    uint64_t found;
  } cases[] = {
      {"reading zeros", FakeMedium::Storage::kDropReadZeros, 0},
      {"reading ones", FakeMedium::Storage::kDropReadOnes, ~uint64_t{0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeMedium medium;
    ASSERT_TRUE(Prepare(medium, {.claimedMB = 64, .realMB = kRealMB, .storage = c.storage}));

    const RunOutcome outcome = Run(medium, {});
    EXPECT_EQ(outcome.messages, kOneNotification);
    EXPECT_EQ(outcome.exitCode, 0u);
    EXPECT_EQ(outcome.errorText, std::nullopt);
    ASSERT_GT(outcome.sizeMB, 3 * kRealMB);
    const std::optional<uint64_t> start = DataStart(medium, outcome.sizeMB * MB);
    ASSERT_TRUE(start);
    // The offset in the test data of the first byte past the real size.
    const uint64_t lost = kRealMB * MB - *start;

    const TestProgress& p = outcome.progress;
    EXPECT_EQ(p.verifiedMB, outcome.sizeMB);
    EXPECT_EQ(p.okSectors, lost / kSectorBytes);
    EXPECT_EQ(p.corruptedSectors, (outcome.sizeMB * MB - lost) / kSectorBytes);
    EXPECT_EQ(p.overwrittenSectors + p.slightlyChangedSectors + p.aliasedOffsets, 0u);
    ASSERT_TRUE(p.firstErrorSeen);
    EXPECT_EQ(p.firstError.offset, lost);
    EXPECT_EQ(p.firstError.expected, PatternWordAt(lost, 0));
    EXPECT_EQ(p.firstError.found, c.found);

    const std::wstring text = FinalText();
    EXPECT_TRUE(StartsWith(text, Warning() + kReportHeading)) << text;
    EXPECT_EQ(text.find(L"没有发现错误"), std::wstring::npos) << text;
  }
}

TEST_F(FakeMediumRun, FlippedBitsAreSortedByTheirNumber) {
  constexpr uint64_t kSizeMB = 4;
  constexpr uint64_t kSector = MB + 37 * kSectorBytes;  // an offset in the test data
  struct Flip {
    unsigned byte;  // in the sector
    uint8_t mask;
  };
  const struct {
    const char* name;
    std::vector<Flip> flips;  // the first one in the sector's first wrong word
    uint64_t slightlyChanged, corrupted;
  } cases[] = {
      {"one bit", {{17, 0x10}}, 1, 0},
      {"seven bits", {{40, 0x01}, {41, 0x06}, {300, 0x0F}}, 1, 0},
      {"eight bits", {{40, 0x01}, {41, 0x06}, {300, 0x0F}, {511, 0x80}}, 0, 1},
  };
  FakeMedium medium;
  ASSERT_TRUE(Prepare(medium, {.claimedMB = 32}));
  ASSERT_NO_FATAL_FAILURE(WriteSoundData(medium, kSizeMB));
  const std::optional<uint64_t> start = DataStart(medium, kSizeMB * MB);
  ASSERT_TRUE(start);

  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const unsigned word = c.flips[0].byte / 8;
    const uint64_t expected = PatternWordAt(kSector, word);
    uint64_t found = expected;
    std::string commands = "clear";
    for (const Flip& flip : c.flips) {
      commands += "\nflip " + std::to_string(*start + kSector + flip.byte) + " " +
                  std::to_string(flip.mask);
      if (flip.byte / 8 == word) found ^= uint64_t{flip.mask} << (8 * (flip.byte % 8));
    }
    ASSERT_TRUE(medium.Control(commands));

    const RunOutcome outcome = Run(medium, {.doWrite = false, .sizeMB = kSizeMB});
    EXPECT_EQ(outcome.messages, kOneNotification);
    EXPECT_EQ(outcome.exitCode, 0u);
    EXPECT_EQ(outcome.errorText, std::nullopt);
    const TestProgress& p = outcome.progress;
    EXPECT_EQ(p.verifiedMB, kSizeMB);
    EXPECT_EQ(p.okSectors, kSizeMB * kSectorsPerBlock - 1);
    EXPECT_EQ(p.slightlyChangedSectors, c.slightlyChanged);
    EXPECT_EQ(p.corruptedSectors, c.corrupted);
    EXPECT_EQ(p.overwrittenSectors + p.aliasedOffsets, 0u);
    ASSERT_TRUE(p.firstErrorSeen);
    EXPECT_EQ(p.firstError.offset, kSector + 8 * word);
    EXPECT_EQ(p.firstError.expected, expected);
    EXPECT_EQ(p.firstError.found, found);
  }
}

// Writes 6 MByte, then makes one sector of the medium unreadable at a time; each verify-only
// run must end with the read error of the MByte that holds it.
void FakeMediumRun::ExpectReadErrorsNamed(bool cached) {
  constexpr uint64_t kSizeMB = 6;
  const struct {
    const char* name;
    uint64_t failing;  // an offset in the test file that cannot be read
  } cases[] = {
      {"in the first page of the first MByte", 5 * kSectorBytes},
      {"inside the third MByte", 2 * MB + 600 * 1024},
  };
  FakeMedium medium;
  ASSERT_TRUE(Prepare(medium, {.claimedMB = 32}));
  ASSERT_NO_FATAL_FAILURE(WriteSoundData(medium, kSizeMB));
  const std::optional<uint64_t> start = DataStart(medium, kSizeMB * MB);
  ASSERT_TRUE(start);
  File::ForceCachedIoForTesting(cached);

  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const uint64_t position = *start + c.failing;
    ASSERT_TRUE(medium.Control("clear\nread-error " + std::to_string(position) + " " +
                               std::to_string(position + kSectorBytes)));

    const RunOutcome outcome = Run(medium, {.doWrite = false, .sizeMB = kSizeMB});
    EXPECT_EQ(outcome.messages, kOneNotification);
    EXPECT_EQ(outcome.exitCode, 1u);
    const uint64_t block = c.failing / MB * MB;  // the MByte that was read
    EXPECT_EQ(outcome.errorText, ReadErrorText(medium.TestFile(1), block));
    EXPECT_EQ(outcome.progress.verifiedMB, block / MB);
    EXPECT_EQ(outcome.progress.okSectors, block / kSectorBytes);
    EXPECT_FALSE(outcome.progress.firstErrorSeen);
  }
}

TEST_F(FakeMediumRun, AReadErrorEndsTheRunNamingTheFileAndTheOffset) {
  ExpectReadErrorsNamed(false);
}

TEST_F(FakeMediumRun, AReadErrorThroughTheFileCacheEndsTheRunNamingTheFileAndTheOffset) {
  ExpectReadErrorsNamed(true);
}

TEST_F(FakeMediumRun, AWriteErrorEndsTheRunBeforeTheVerifyPass) {
  constexpr uint64_t kClaimedMB = 32;
  constexpr uint64_t kSizeMB = 20;
  constexpr uint64_t kFailingFrom = 12 * MB + 5 * kSectorBytes;  // a position on the medium
  for (bool cached : {false, true}) {
    SCOPED_TRACE(cached ? "through the file cache" : "past the file cache");
    FakeMedium medium;
    ASSERT_TRUE(Prepare(medium, {.claimedMB = kClaimedMB}));
    File::ForceCachedIoForTesting(cached);
    ASSERT_TRUE(medium.Control("write-error " + std::to_string(kFailingFrom) + " " +
                               std::to_string(kClaimedMB * MB)));

    const RunOutcome outcome = Run(medium, {.sizeMB = kSizeMB});
    EXPECT_EQ(outcome.messages, kOneNotification);
    EXPECT_EQ(outcome.exitCode, 1u);
    EXPECT_FALSE(outcome.progress.verifyStarted);
    if (cached) {
      // Every write went to the cache; the medium refused the data when the file was synced.
      EXPECT_EQ(outcome.errorText,
                Format(L"无法完成文件 '%ls'", WideFromUtf8(medium.TestFile(1)).c_str()) +
                    SystemErrorTail(EIO));
      EXPECT_EQ(outcome.progress.writtenMB, kSizeMB);
      continue;
    }
    // The write of the MByte of the test file that holds the first failing position failed.
    const std::optional<uint64_t> start = DataStart(medium, outcome.progress.writtenMB * MB);
    ASSERT_TRUE(start);
    const uint64_t block = (kFailingFrom - *start) / MB * MB;
    EXPECT_EQ(outcome.errorText, WriteErrorText(medium.TestFile(1), block));
    EXPECT_EQ(outcome.progress.writtenMB, block / MB);
    EXPECT_EQ(FileSize(medium.TestFile(1)), block);
  }
}

TEST_F(FakeMediumRun, ADisconnectEndsTheRunWithoutHanging) {
  // Besides the test data, the file system reads its two bitmaps when it creates the first file
  // and writes an inode back when the verify pass syncs a file it has read before: a few KiB,
  // which this much room takes in.
  constexpr uint64_t kRecords = 64 * 1024;
  const struct {
    const char* name;
    uint64_t soundMB;     // written and verified before the medium is told to disconnect
    std::string command;  // to the medium before the run
    RunOptions run;
    std::wstring (*text)(const FakeMedium& medium);
  } cases[] = {
      // Unable to read its inode bitmap, ext4 finds no group with a free inode.
      {"before the write pass",
       0,
       "disconnect",
       {.sizeMB = 12},
       [](const FakeMedium& m) { return CreateErrorText(m.TestFile(1), ENOSPC); }},
      {"during the write pass",
       0,
       "disconnect-after " + std::to_string(5 * MB + kRecords),
       {.sizeMB = 12},
       [](const FakeMedium& m) { return WriteErrorText(m.TestFile(1), 5 * MB); }},
      // The open syncs the file, and the medium refuses the sync.
      {"before the verify pass",
       8,
       "disconnect",
       {.doWrite = false, .sizeMB = 8},
       [](const FakeMedium& m) { return OpenErrorText(m.TestFile(1)); }},
      {"during the verify pass",
       8,
       "disconnect-after " + std::to_string(3 * MB + kRecords),
       {.doWrite = false, .sizeMB = 8},
       [](const FakeMedium& m) { return ReadErrorText(m.TestFile(1), 3 * MB); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeMedium medium;
    ASSERT_TRUE(Prepare(medium, {.claimedMB = 32}));
    if (c.soundMB) {
      ASSERT_NO_FATAL_FAILURE(WriteSoundData(medium, c.soundMB));
    }
    ASSERT_TRUE(medium.Control(c.command));

    const RunOutcome outcome = Run(medium, c.run);
    EXPECT_EQ(outcome.messages, kOneNotification);
    EXPECT_EQ(outcome.exitCode, 1u);
    EXPECT_EQ(outcome.errorText, c.text(medium));
    EXPECT_EQ(outcome.progress.verifyStarted, !c.run.doWrite);
    EXPECT_TRUE(medium.ReadStatus().disconnected);
  }
}
