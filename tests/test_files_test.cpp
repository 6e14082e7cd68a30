#include "target/test_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>

#include "engine/test_file_name.h"
#include "engine/test_session.h"
#include "tests/support/file_holder.h"
#include "tests/support/scratch_target.h"
#include "tests/support/session.h"
#include "tests/support/test_data.h"

namespace {

constexpr uint64_t MB = 1048576;
constexpr uint64_t GB = 1073741824;

using TestFiles = ScratchTargetTest;

}  // namespace

TEST(TestFileName, AddsASeparatorOnlyWhereThePathHasNone) {
  const struct {
    const wchar_t* target;
    uint64_t number;
    const wchar_t* name;
  } cases[] = {
      {L"/", 1, L"/1.kst"},
      {L"/media/usb", 1, L"/media/usb/1.kst"},
      {L"/media/usb", 2, L"/media/usb/2.kst"},
      {L"/media/usb/", 2, L"/media/usb/2.kst"},
      {L"/media/U盘 测试", 3, L"/media/U盘 测试/3.kst"},
      {L"/media/usb\\", 1, L"/media/usb\\/1.kst"},  // a backslash is an ordinary character here
      {L"/m", 18446744073709551615ull, L"/m/18446744073709551615.kst"},
  };
  for (const auto& c : cases) {
    ResetSession(c.target);
    EXPECT_TRUE(ComposeTestFileName(c.number));
    EXPECT_EQ(std::wstring(TestSession.fileName), c.name);
  }
  ResetSession();
}

TEST(TestFileName, ANameThatDoesNotFitIsRefused) {
  // 253 characters leave room for "/1.kst" and the terminator, not for "/10.kst".
  const std::wstring target = L"/" + std::wstring(252, L'd');
  ResetSession(target);
  EXPECT_TRUE(ComposeTestFileName(9));
  EXPECT_EQ(std::wstring(TestSession.fileName), target + L"/9.kst");
  EXPECT_FALSE(ComposeTestFileName(10));
  ResetSession();
}

TEST_F(TestFiles, MeasuresCompleteSetsAndFindsStrayFiles) {
  const struct {
    const char* name;
    std::function<void(const ScratchDir&)> make;
    uint64_t measuredMB;
    bool found;
  } cases[] = {
      {"empty directory", [](const ScratchDir&) {}, 0, false},
      {"1 GiB and 5 MiB",
       [](const ScratchDir& d) {
         MakeSparseFile(d.File("1.kst"), GB);
         MakeSparseFile(d.File("2.kst"), 5 * MB);
       },
       1029, true},
      {"a short file followed by another",
       [](const ScratchDir& d) {
         MakeSparseFile(d.File("1.kst"), 5 * MB);
         MakeSparseFile(d.File("2.kst"), MB);
       },
       TEST_FILES_MISSIZED, true},
      {"one file larger than 1 GiB",
       [](const ScratchDir& d) { MakeSparseFile(d.File("1.kst"), 2 * GB); }, 2048, true},
      {"not a whole number of MByte",
       [](const ScratchDir& d) { MakeSparseFile(d.File("1.kst"), GB + 1); }, TEST_FILES_MISSIZED,
       true},
      {"an empty file alone", [](const ScratchDir& d) { MakeSparseFile(d.File("1.kst"), 0); }, 0,
       true},
      {"an empty file followed by another",
       [](const ScratchDir& d) {
         MakeSparseFile(d.File("1.kst"), 0);
         MakeSparseFile(d.File("2.kst"), MB);
       },
       TEST_FILES_MISSIZED, true},
      {"2.kst without 1.kst", [](const ScratchDir& d) { MakeSparseFile(d.File("2.kst"), MB); }, 0,
       true},
      {"another name", [](const ScratchDir& d) { MakeSparseFile(d.File("notes.kst"), 0); }, 0,
       true},
      {"capital letters", [](const ScratchDir& d) { MakeSparseFile(d.File("X.KST"), 0); }, 0, true},
      {"other extensions only",
       [](const ScratchDir& d) {
         MakeSparseFile(d.File("1.kst.bak"), 0);
         MakeSparseFile(d.File("kst"), 0);
       },
       0, false},
      {"a gap after 1.kst",
       [](const ScratchDir& d) {
         MakeSparseFile(d.File("1.kst"), GB);
         MakeSparseFile(d.File("3.kst"), MB);
       },
       1024, true},
      {"a directory named 1.kst",
       [](const ScratchDir& d) { std::filesystem::create_directory(d.File("1.kst")); }, 0, true},
      {"a symbolic link named 1.kst",
       [](const ScratchDir& d) {
         MakeSparseFile(d.File("data"), MB);
         std::filesystem::create_symlink(d.File("data"), d.File("1.kst"));
       },
       0, true},
      {"a pipe named 1.kst",
       [](const ScratchDir& d) { ASSERT_EQ(mkfifo(d.File("1.kst").c_str(), 0644), 0); }, 0, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchDir caseDir;
    ResetSession(caseDir.widePath());
    c.make(caseDir);
    EXPECT_EQ(MeasureTestFiles(), c.measuredMB);
    EXPECT_EQ(FindTestFiles(), c.found);
  }
}

TEST_F(TestFiles, TargetWithATrailingSeparatorFindsTheSameFiles) {
  MakeSparseFile(dir.File("1.kst"), 3 * MB);
  ResetSession(dir.widePath() + L"/");
  EXPECT_EQ(MeasureTestFiles(), 3u);
  EXPECT_TRUE(FindTestFiles());
  EXPECT_EQ(std::wstring(TestSession.fileName), dir.widePath() + L"/*.kst");
}

TEST_F(TestFiles, AFileHeldByAnotherProcessEndsTheWalk) {
  MakeSparseFile(dir.File("1.kst"), 3 * MB);
  OtherProcessHoldingFile holder(dir.File("1.kst"));
  EXPECT_EQ(MeasureTestFiles(), 0u);
  EXPECT_TRUE(FindTestFiles());
}

TEST_F(TestFiles, AnUnreadableTargetHoldsNothing) {
  ResetSession(dir.widePath() + L"/missing");
  EXPECT_EQ(MeasureTestFiles(), 0u);
  EXPECT_FALSE(FindTestFiles());
}
