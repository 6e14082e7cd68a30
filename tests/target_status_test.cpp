#include "target/target_status.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "engine/test_session.h"
#include "platform/memory_dialog.h"
#include "platform/text.h"
#include "platform/volume.h"
#include "resources/resource_ids.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/session.h"
#include "tests/support/test_data.h"

namespace {

constexpr uint64_t MB = 1048576;

enum class Status { kNoTarget, kInaccessible, kNoTestFiles, kStrayFiles, kCompleteSet };

struct StatusCase {
  const char* name;
  std::function<void(const ScratchDir&)> make;  // what the target directory holds
  bool chosen;                                  // a target is chosen
  bool accessible;
  int language;
  Status status;
  const wchar_t* allSpace;  // the caption afterwards
  const wchar_t* fileStatus;
};

void StandInVolumeWith7629MBFree() {
  SetVolumeSpaceQueryForTesting([](const wchar_t*, VolumeSpace* space) {
    *space = {7629 * MB, 15258 * MB};
    return true;
  });
}

void OneGibibyteAndFiveMebibytes(const ScratchDir& d) {
  MakeSparseFile(d.File("1.kst"), 1024 * MB);
  MakeSparseFile(d.File("2.kst"), 5 * MB);
}

class TargetStatus : public testing::Test {
 protected:
  void TearDown() override { ResetSession(); }
};

}  // namespace

TEST_F(TargetStatus, DecidesTheTextsAndWhichTestMayStart) {
  auto nothing = [](const ScratchDir&) {};
  auto strayFile = [](const ScratchDir& d) { MakeSparseFile(d.File("x.kst"), 0); };
  auto notWholeMByte = [](const ScratchDir& d) { MakeSparseFile(d.File("1.kst"), MB + 1); };
  const StatusCase cases[] = {
      {"no target", nothing, false, true, 0, Status::kNoTarget, L"所有可用的空间", L""},
      {"no target, Language 1", nothing, false, true, 1, Status::kNoTarget, L"所有可用的空间", L""},
      {"inaccessible", nothing, true, false, 0, Status::kInaccessible, L"所有可用的空间",
       L"访问路径时出错"},
      {"inaccessible, Language 1", nothing, true, false, 1, Status::kInaccessible,
       L"所有可用的空間", L"訪問路徑時出錯"},
      {"empty directory", nothing, true, true, 0, Status::kNoTestFiles,
       L"所有可用的空间 (7629 MByte)", L"此路径没有测试用文件存在"},
      {"empty directory, Language 1", nothing, true, true, 1, Status::kNoTestFiles,
       L"所有可用的空間 (7629 MByte)", L"此路徑沒有測試用檔案存在"},
      {"x.kst only", strayFile, true, true, 0, Status::kStrayFiles, L"所有可用的空间 (7629 MByte)",
       L"请删除 *.kst 文件"},
      {"1.kst not whole MByte, Language 1", notWholeMByte, true, true, 1, Status::kStrayFiles,
       L"所有可用的空間 (7629 MByte)", L"請删除 *.kst 檔案"},
      {"a complete set", OneGibibyteAndFiveMebibytes, true, true, 0, Status::kCompleteSet,
       L"所有可用的空间 (7629 MByte)", L"存在测试用文件: 1029 MByte"},
      {"a complete set, Language 1", OneGibibyteAndFiveMebibytes, true, true, 1,
       Status::kCompleteSet, L"所有可用的空間 (7629 MByte)", L"存在測試用檔案: 1029 MByte."},
  };
  for (const StatusCase& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchDir dir;
    c.make(dir);
    const std::wstring target = c.accessible ? dir.widePath() : dir.widePath() + L"/removed";
    ResetSession(c.chosen ? target : L"");
    if (c.accessible) StandInVolumeWith7629MBFree();
    Language = c.language;
    MemoryDialog dialog;
    // The main dialog as it opens: the template's caption, the user's size choice.
    dialog.controls[IDC_ALL_SPACE].text = L"所有可用的空间";
    dialog.controls[IDC_ONLY_SIZE].checked = true;
    dialog.controls[IDC_SIZE_MB].text = L"123";

    RefreshTargetStatus(dialog);

    const std::wstring noTarget = c.language == 1 ? L"(未選擇)" : L"(未选择)";
    EXPECT_EQ(dialog.controls[IDC_PATH_LABEL].text, c.chosen ? target : noTarget);
    EXPECT_EQ(dialog.controls[IDC_ALL_SPACE].text, c.allSpace);
    EXPECT_EQ(dialog.controls[IDC_FILE_STATUS].text, c.fileStatus);
    const bool write = c.status == Status::kNoTestFiles;
    for (int id : {IDC_WRITE_VERIFY, IDC_ALL_SPACE, IDC_ONLY_SIZE, IDC_SIZE_MB, IDC_MBYTE_LABEL}) {
      EXPECT_EQ(dialog.controls[id].enabled, write) << "control " << id;
    }
    EXPECT_EQ(dialog.controls[IDC_VERIFY].enabled, c.status == Status::kCompleteSet);
    EXPECT_EQ(dialog.controls[IDC_REFRESH].enabled, c.status != Status::kNoTarget);
    // The choices stay as the user left them; the other controls are never touched.
    EXPECT_TRUE(dialog.controls[IDC_ONLY_SIZE].checked);
    EXPECT_FALSE(dialog.controls[IDC_ALL_SPACE].checked);
    EXPECT_EQ(dialog.controls[IDC_SIZE_MB].text, L"123");
    for (int id : {IDC_SELECT_PATH, IDC_ENDLESS, IDC_LANGUAGE_0, IDC_LANGUAGE_1, IDC_PATH_GROUP,
                   IDC_SIZE_GROUP}) {
      EXPECT_EQ(dialog.controls.count(id), 0u) << "control " << id;
    }
  }
}

TEST_F(TargetStatus, FollowsTheDirectoryAtEveryCall) {
  ScratchDir dir;
  ResetSession(dir.widePath());
  StandInVolumeWith7629MBFree();
  MemoryDialog dialog;
  RefreshTargetStatus(dialog);
  EXPECT_TRUE(dialog.controls[IDC_WRITE_VERIFY].enabled);
  OneGibibyteAndFiveMebibytes(dir);
  RefreshTargetStatus(dialog);
  EXPECT_EQ(dialog.controls[IDC_FILE_STATUS].text, L"存在测试用文件: 1029 MByte");
  EXPECT_FALSE(dialog.controls[IDC_WRITE_VERIFY].enabled);
  EXPECT_TRUE(dialog.controls[IDC_VERIFY].enabled);
  // The medium goes away: only a refresh stays possible.
  SetVolumeSpaceQueryForTesting([](const wchar_t*, VolumeSpace*) { return false; });
  RefreshTargetStatus(dialog);
  EXPECT_EQ(dialog.controls[IDC_FILE_STATUS].text, L"访问路径时出错");
  EXPECT_EQ(dialog.controls[IDC_ALL_SPACE].text, L"所有可用的空间");
  EXPECT_FALSE(dialog.controls[IDC_VERIFY].enabled);
  EXPECT_TRUE(dialog.controls[IDC_REFRESH].enabled);
}

TEST_F(TargetStatus, ATargetWhoseTestFileNamesWouldNotFitOffersNoTest) {
  ScratchDir dir;
  // Long enough that "/18446744073709551615.kst" would not fit behind it.
  const std::string target = dir.path() + "/" + std::string(240 - dir.path().size(), 'd');
  std::filesystem::create_directory(target);
  ResetSession(WideFromUtf8(target));
  MemoryDialog dialog;
  RefreshTargetStatus(dialog);
  EXPECT_EQ(dialog.controls[IDC_FILE_STATUS].text, L"路径太长, 请选择较短的路径");
  EXPECT_FALSE(dialog.controls[IDC_WRITE_VERIFY].enabled);
  EXPECT_FALSE(dialog.controls[IDC_VERIFY].enabled);
  EXPECT_TRUE(dialog.controls[IDC_REFRESH].enabled);
}

TEST_F(TargetStatus, BlanksNonAsciiAndLineBreaksInThePathAreTheirOwn) {
  ScratchDir dir;
  const std::string target = dir.File("U盘 测试\n第二行");
  std::filesystem::create_directory(target);
  MakeSparseFile(target + "/1.kst", 3 * MB);
  ResetSession(WideFromUtf8(target));
  StandInVolumeWith7629MBFree();
  MemoryDialog dialog;
  RefreshTargetStatus(dialog);
  EXPECT_EQ(dialog.controls[IDC_PATH_LABEL].text, WideFromUtf8(target));
  EXPECT_EQ(dialog.controls[IDC_FILE_STATUS].text, L"存在测试用文件: 3 MByte");
}
