// A medium removed after its folder was chosen, its mount point left behind as an empty
// directory of the disk that held it: nothing may be written there.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <filesystem>

#include "engine/test_session.h"
#include "platform/memory_dialog.h"
#include "resources/resource_ids.h"
#include "target/target_status.h"
#include "target/test_files.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/session.h"

namespace {

// A RAM file system mounted on a directory of a scratch directory, removable at will.
class RemovableMedium : public testing::Test {
 protected:
  void SetUp() override {
    if (geteuid() != 0) GTEST_SKIP() << "mounting a file system needs root";
    std::filesystem::create_directory(mountPoint);
    ASSERT_EQ(mount("kestrum-test", mountPoint.c_str(), "tmpfs", 0, "size=64m"), 0);
    mounted = true;
    ResetSession(dir.widePath() + L"/usb");
  }
  void TearDown() override {
    Remove();
    ResetSession();
  }
  void Remove() {
    if (mounted) {
      EXPECT_EQ(umount2(mountPoint.c_str(), MNT_DETACH), 0);
    }
    mounted = false;
  }

  ScratchDir dir;
  const std::string mountPoint = dir.File("usb");
  bool mounted = false;
};

}  // namespace

TEST_F(RemovableMedium, TheStatusAsksForTheFolderAgain) {
  MemoryDialog dialog;
  RefreshTargetStatus(dialog);
  EXPECT_TRUE(dialog.controls[IDC_WRITE_VERIFY].enabled);
  Remove();
  RefreshTargetStatus(dialog);
  EXPECT_EQ(dialog.controls[IDC_FILE_STATUS].text, L"媒介已更换, 请重新选择路径");
  EXPECT_FALSE(dialog.controls[IDC_WRITE_VERIFY].enabled);
  EXPECT_FALSE(dialog.controls[IDC_VERIFY].enabled);
  Language = 1;
  RefreshTargetStatus(dialog);
  EXPECT_EQ(dialog.controls[IDC_FILE_STATUS].text, L"媒介已更換, 請重新選擇路徑");
}

TEST_F(RemovableMedium, ARunStartedAfterTheRemovalWritesNothing) {
  Remove();
  for (uint64_t sizeMB : {uint64_t{0}, uint64_t{4}}) {  // all free space, and a given size
    const RunOutcome outcome = RunWithWorker({.sizeMB = sizeMB});
    EXPECT_EQ(outcome.messages.size(), 1u);
    EXPECT_EQ(outcome.exitCode, 1u);
    EXPECT_EQ(outcome.errorText,
              L"目标路径已不在所选的媒介上\r\n媒介可能已被移除, 测试已停止, 以免写入其他媒介\r\n");
    EXPECT_FALSE(outcome.progress.verifyStarted);
    EXPECT_TRUE(std::filesystem::is_empty(mountPoint));
  }
}

TEST_F(RemovableMedium, ChoosingTheFolderAgainAcceptsTheNewMedium) {
  Remove();
  SetTargetPath((dir.widePath() + L"/usb").c_str());
  MemoryDialog dialog;
  RefreshTargetStatus(dialog);
  EXPECT_EQ(dialog.controls[IDC_FILE_STATUS].text, L"此路径没有测试用文件存在");
  EXPECT_TRUE(dialog.controls[IDC_WRITE_VERIFY].enabled);
}
