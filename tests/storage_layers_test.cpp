// What stands between a directory's files and their medium: the mount table read as the system
// writes it, and the judgement of directories this machine always has.
#include "platform/storage_layers.h"

#include <gtest/gtest.h>
#include <sys/sysmacros.h>

#include <optional>
#include <sstream>

#include "platform/posix/storage_layers_posix.h"
#include "platform/text.h"
#include "tests/support/scratch_dir.h"

namespace {

// Lines as /proc/self/mountinfo writes them: optional fields before "-", blanks and backslashes
// in names escaped as octal.
const char kTable[] =
    "22 1 0:21 / /sys rw,relatime shared:7 - sysfs sysfs rw\n"
    "29 1 254:0 / / rw,relatime shared:1 - ext4 /dev/vda rw\n"
    "40 29 8:17 / /media/user/My\\040Stick rw,nosuid shared:30 master:2 - fuseblk "
    "/dev/disk\\040one rw,user_id=0\n"
    "41 29 0:45 / /home/user/remote rw - fuse.sshfs user@host:/a\\134b rw\n"
    "garbage\n"
    "42 29 8:17 / /mnt/again rw - fuseblk /dev/sdb1 rw\n"
    "43 29 7:3 / /mnt/cut rw no-separator\n";

}  // namespace

TEST(FindMount, ReadsTheTypeAndTheSourceOfTheMountWithTheDeviceNumber) {
  const struct {
    const char* name;
    dev_t device;
    std::optional<MountEntry> found;
  } cases[] = {
      {"a plain line", makedev(254, 0), MountEntry{"ext4", "/dev/vda"}},
      {"escaped blanks and backslashes", makedev(0, 45),
       MountEntry{"fuse.sshfs", "user@host:/a\\b"}},
      {"mounted twice: the last line", makedev(8, 17), MountEntry{"fuseblk", "/dev/sdb1"}},
      {"no such device", makedev(8, 18), std::nullopt},
      {"a line without its separator", makedev(7, 3), std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::istringstream table(kTable);
    const std::optional<MountEntry> found = FindMount(table, c.device);
    ASSERT_EQ(found.has_value(), c.found.has_value());
    if (!found) continue;
    EXPECT_EQ(found->fileSystemType, c.found->fileSystemType);
    EXPECT_EQ(found->source, c.found->source);
  }
}

TEST(QueryStorageLayers, AMemoryFileSystemIsOutOfReach) {
  if (std::string why = WhyNoMemoryFileSystem(); !why.empty()) GTEST_SKIP() << why;
  ScratchDir memory(kMemoryFileSystem);
  const StorageLayers layers = QueryStorageLayers(memory.widePath().c_str());
  EXPECT_EQ(layers.fileSystemType, "tmpfs");
  EXPECT_FALSE(layers.servedFromUserSpace);
  EXPECT_EQ(layers.blockDevice, "");
  EXPECT_EQ(layers.reach, MediumReach::kOutOfReach);
}

TEST(QueryStorageLayers, ADirectoryThatIsNotThereIsOutOfReach) {
  ScratchDir dir;
  const StorageLayers layers = QueryStorageLayers(WideFromUtf8(dir.File("gone")).c_str());
  EXPECT_EQ(layers.fileSystemType, "");
  EXPECT_EQ(layers.reach, MediumReach::kOutOfReach);
}
