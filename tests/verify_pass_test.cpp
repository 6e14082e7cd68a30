#include "engine/verify_pass.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <optional>

#include "engine/pattern.h"
#include "engine/test_run.h"
#include "engine/test_session.h"
#include "tests/support/file_holder.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/sector_counts.h"
#include "tests/support/session.h"
#include "tests/support/test_data.h"

namespace {

constexpr uint64_t MB = 1048576;

// Copies the sector at absolute `from` over the sector at byte `to` of `path`.
void CopyPatternSector(const std::string& path, uint64_t to, uint64_t from) {
  FillPattern(from);
  PatchFile(path, to, TestSession.ioBuffer->sectors, 512);
}

std::wstring MissingData(uint64_t expected, uint64_t found) {
  return L"错误: 预期 " + std::to_wstring(expected) + L" MByte 的测试数据\r\n只找到了 " +
         std::to_wstring(found) + L" \r\n文件系统可能已损坏\r\n或另一进程删除了一些测试用文件\r\n";
}

std::wstring OpenError(const ScratchDir& d, const char* name, unsigned code) {
  return L"无法打开文件 '" + d.widePath() + L"/" + std::wstring(name, name + strlen(name)) +
         L"'\r\n(" + SystemText(code) + L" Code " + std::to_wstring(code) + L")\r\n";
}

struct DamageCase {
  const char* name;
  std::function<void(const ScratchDir&)> make;  // on top of 1.kst holding 3 MiB from offset 0
  uint64_t sizeMB;
  SectorCounts counts;
  std::optional<FirstError> firstError;
  std::function<std::wstring(const ScratchDir&)> error;  // none: the pass returned
};

class VerifyPassTest : public testing::Test {
 protected:
  void TearDown() override { ResetSession(); }

  // A verify-only run over a set made by `make`, through the real worker.
  RunOutcome Verify(const ScratchDir& d, uint64_t sizeMB) {
    ResetSession(d.widePath());
    return RunWithWorker({.doWrite = false, .sizeMB = sizeMB});
  }
};

}  // namespace

TEST_F(VerifyPassTest, FindsEachKindOfDamageAndEachFault) {
  const uint64_t flipWord = MB + 3 * 512 + 7 * 8;  // word 7 of sector 3 of the second MiB
  const uint64_t flipExpected = PatternWordAt(MB + 3 * 512, 7);
  const uint64_t secondFileWord2 = PatternWordAt(2 * MB, 2);
  auto sole = [](const char* name) {
    return [name](const ScratchDir& d) { std::filesystem::remove(d.File(name)); };
  };
  const DamageCase cases[] = {
      {"intact", [](const ScratchDir&) {}, 3, {6144, 0, 0, 0, 0}, std::nullopt, nullptr},
      {"one flipped bit",
       [=](const ScratchDir& d) { FlipBits(d.File("1.kst"), flipWord + 2, 0x10); },
       3,
       {6143, 0, 1, 0, 0},
       FirstError{flipWord, flipExpected, flipExpected ^ (0x10ull << 16)},
       nullptr},
      {"eight flipped bits",
       [=](const ScratchDir& d) { FlipBits(d.File("1.kst"), flipWord, 0xFF); },
       3,
       {6143, 0, 0, 1, 0},
       FirstError{flipWord, flipExpected, flipExpected ^ 0xFF},
       nullptr},
      {"another offset's sector",
       [](const ScratchDir& d) { CopyPatternSector(d.File("1.kst"), 2 * MB, 0); },
       3,
       {6143, 1, 0, 0, 1},
       FirstError{2 * MB, 2 * MB, 0},
       nullptr},
      {"three copies of two foreign sectors",
       [](const ScratchDir& d) {
         CopyPatternSector(d.File("1.kst"), 2 * MB, 0);
         CopyPatternSector(d.File("1.kst"), 2 * MB + 512, 0);
         CopyPatternSector(d.File("1.kst"), 2 * MB + 1024, 512);
       },
       3,
       {6141, 3, 0, 0, 2},
       FirstError{2 * MB, 2 * MB, 0},
       nullptr},
      {"a zeroed sector",
       [](const ScratchDir& d) {
         const char zeros[512] = {};
         PatchFile(d.File("1.kst"), 512, zeros, 512);
       },
       3,
       {6143, 0, 0, 1, 0},
       FirstError{512, 512, 0},
       nullptr},
      {"damage in the second file keeps the absolute offset",
       [](const ScratchDir& d) {
         std::filesystem::resize_file(d.File("1.kst"), 2 * MB);
         WritePatternFile(d.File("2.kst"), 2 * MB, 1);
         FlipBits(d.File("2.kst"), 16, 0x01);
       },
       3,
       {6143, 0, 1, 0, 0},
       FirstError{2 * MB + 16, secondFileWord2, secondFileWord2 ^ 1},
       nullptr},
      {"an empty file in the middle",
       [](const ScratchDir& d) {
         std::filesystem::resize_file(d.File("1.kst"), 2 * MB);
         MakeSparseFile(d.File("2.kst"), 0);
         WritePatternFile(d.File("3.kst"), 2 * MB, 1);
       },
       3,
       {6144, 0, 0, 0, 0},
       std::nullopt,
       nullptr},
      {"a file beyond a gap is never read",
       [](const ScratchDir& d) { WritePatternFile(d.File("3.kst"), 3 * MB, 1); },
       3,
       {6144, 0, 0, 0, 0},
       std::nullopt,
       nullptr},
      {"a missing file",
       sole("1.kst"),
       3,
       {0, 0, 0, 0, 0},
       std::nullopt,
       [](const ScratchDir&) { return MissingData(3, 0); }},
      {"a missing second file",
       [](const ScratchDir& d) { std::filesystem::resize_file(d.File("1.kst"), 2 * MB); },
       3,
       {4096, 0, 0, 0, 0},
       std::nullopt,
       [](const ScratchDir&) { return MissingData(3, 2); }},
      {"an extra file",
       [](const ScratchDir& d) { WritePatternFile(d.File("2.kst"), 3 * MB, 1); },
       3,
       {8192, 0, 0, 0, 0},
       std::nullopt,
       [](const ScratchDir&) { return MissingData(3, 4); }},
      {"a size that is not a whole MiB",
       [](const ScratchDir& d) { std::filesystem::resize_file(d.File("1.kst"), 3 * MB + 100); },
       3,
       {6144, 0, 0, 0, 0},
       std::nullopt,
       [](const ScratchDir& d) {
         return L"错误: 文件 '" + d.widePath() +
                L"/1.kst' 的大小不是 1048576 Byte 的倍数\r\n文件系统可能已损坏\r\n";
       }},
      {"a directory named 2.kst",
       [](const ScratchDir& d) { std::filesystem::create_directory(d.File("2.kst")); },
       3,
       {6144, 0, 0, 0, 0},
       std::nullopt,
       [](const ScratchDir& d) { return OpenError(d, "2.kst", EISDIR); }},
      {"a pipe named 2.kst",
       [](const ScratchDir& d) { ASSERT_EQ(mkfifo(d.File("2.kst").c_str(), 0644), 0); },
       3,
       {6144, 0, 0, 0, 0},
       std::nullopt,
       [](const ScratchDir& d) { return OpenError(d, "2.kst", EINVAL); }},
      {"a symbolic link named 2.kst",
       [](const ScratchDir& d) {
         WritePatternFile(d.File("data"), 3 * MB, 1);
         std::filesystem::create_symlink(d.File("data"), d.File("2.kst"));
       },
       4,
       {6144, 0, 0, 0, 0},
       std::nullopt,
       [](const ScratchDir& d) { return OpenError(d, "2.kst", ELOOP); }},
  };
  for (const DamageCase& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchDir d;
    WritePatternFile(d.File("1.kst"), 0, 3);
    c.make(d);
    const RunOutcome outcome = Verify(d, c.sizeMB);
    EXPECT_EQ(outcome.messages, std::vector<unsigned>{WM_TEST_NOTIFY});
    EXPECT_EQ(CountsOf(outcome.progress), c.counts);
    EXPECT_EQ(outcome.progress.firstErrorSeen, c.firstError.has_value());
    if (c.firstError && outcome.progress.firstErrorSeen) {
      EXPECT_EQ(outcome.progress.firstError.offset, c.firstError->offset);
      EXPECT_EQ(outcome.progress.firstError.expected, c.firstError->expected);
      EXPECT_EQ(outcome.progress.firstError.found, c.firstError->found);
    }
    EXPECT_EQ(outcome.errorText, c.error ? std::optional(c.error(d)) : std::nullopt);
    EXPECT_EQ(outcome.exitCode, c.error ? 1u : 0u);
    EXPECT_TRUE(outcome.progress.verifyStarted);
    EXPECT_FALSE(outcome.progress.verifying);
    EXPECT_FALSE(outcome.progress.writeStarted);
  }
}

TEST_F(VerifyPassTest, AFileHeldByAnotherProcessCannotBeOpened) {
  ScratchDir d;
  WritePatternFile(d.File("1.kst"), 0, 2);
  OtherProcessHoldingFile holder(d.File("1.kst"));
  const RunOutcome outcome = Verify(d, 2);
  EXPECT_EQ(outcome.errorText, OpenError(d, "1.kst", EBUSY));
  EXPECT_EQ(outcome.messages.size(), 1u);
}

TEST_F(VerifyPassTest, NoFileAndNothingExpectedIsNoError) {
  ScratchDir d;
  ResetSession(d.widePath());
  TestSession.sizeMB = 0;  // a run's size 0 is resolved before the pass; a pass may still see it
  EXPECT_EQ(RunPass(VerifyPass), std::nullopt);
  EXPECT_EQ(CopyProgress().verifiedMB, 0u);
}

TEST_F(VerifyPassTest, MessagesInTheSecondLanguage) {
  ScratchDir d;
  WritePatternFile(d.File("1.kst"), 0, 1);
  std::filesystem::create_directory(d.File("2.kst"));
  ResetSession(d.widePath());
  Language = 1;
  TestSession.sizeMB = 1;
  EXPECT_EQ(RunPass(VerifyPass), L"無法打開檔案 '" + d.widePath() + L"/2.kst'.\r\n(" +
                                     SystemText(EISDIR) + L" Code 21)\r\n");
  std::filesystem::remove(d.File("2.kst"));
  TestSession.sizeMB = 5;
  EXPECT_EQ(RunPass(VerifyPass),
            L"錯誤：預期 5 MByte 的測試數據\r\n只找到了 1 \r\n檔案系統可能已損壞\r\n"
            L"或另一進程删除了一些測試用檔案\r\n");
}

TEST_F(VerifyPassTest, EachPassStartsFromZero) {
  ScratchDir d;
  WritePatternFile(d.File("1.kst"), 0, 2);
  ResetSession(d.widePath());
  TestSession.sizeMB = 2;
  // What an earlier pass found.
  TestSession.progress.corruptedSectors = 5;
  TestSession.progress.firstErrorSeen = true;
  ASSERT_TRUE(TestSession.aliasMap.Insert(512));
  TestSession.progress.aliasedOffsets = 1;
  EXPECT_EQ(RunPass(VerifyPass), std::nullopt);
  const TestProgress p = CopyProgress();
  EXPECT_EQ(CountsOf(p), (SectorCounts{4096, 0, 0, 0, 0}));
  EXPECT_FALSE(p.firstErrorSeen);
  EXPECT_EQ(TestSession.aliasMap.Count(), 0u);
  EXPECT_EQ(p.verifiedMB, 2u);
}

TEST_F(VerifyPassTest, TellsWhetherTheMediumAnsweredTheReads) {
  if (std::string why = WhyNoMemoryFileSystem(); !why.empty()) GTEST_SKIP() << why;
  // The build's disk is read by its kernel driver; on a memory file system no medium answers.
  const ScratchDir disk;
  const ScratchDir memory(kMemoryFileSystem);
  const struct {
    const ScratchDir& dir;
    bool fromMedium;
  } cases[] = {{disk, true}, {memory, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.dir.path());
    WritePatternFile(c.dir.File("1.kst"), 0, 2);
    const RunOutcome outcome = Verify(c.dir, 2);
    ExpectEverySectorOk(outcome.progress, 2);
    EXPECT_EQ(outcome.progress.readsFromMedium, c.fromMedium);
  }
}
