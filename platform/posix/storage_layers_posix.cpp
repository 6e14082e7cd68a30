#include "platform/posix/storage_layers_posix.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/text.h"

namespace {

constexpr uint32_t kFuseMagic = 0x65735546;

// File systems whose kernel driver reads the medium through the block layer: a read of a file
// whose own pages were dropped goes to the device. Named by the magic number statfs reports.
constexpr uint32_t kKernelBlockFileSystems[] = {
    0xEF53,      // ext2, ext3, ext4
    0x58465342,  // xfs
    0x9123683E,  // btrfs
    0x4D44,      // vfat, msdos
    0x2011BAB0,  // exfat
    0x7366746E,  // ntfs3
    0x5346544E,  // ntfs, the older driver
    0xF2F52010,  // f2fs
    0x3434,      // nilfs2
    0x482B,      // hfsplus
    0x4244,      // hfs
    0x3153464A,  // jfs
    0x52654973,  // reiserfs
    0x15013346,  // udf
    0x9660,      // iso9660
    0xCA451A4E,  // bcachefs
};

bool ReadsThroughKernel(uint32_t magic) {
  for (uint32_t known : kKernelBlockFileSystems) {
    if (magic == known) return true;
  }
  return false;
}

// The mount table writes blanks, tabs, line breaks and backslashes as \ and three octal digits.
std::string Unescaped(const std::string& field) {
  std::string text;
  for (size_t i = 0; i < field.size(); ++i) {
    const bool octal = field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' &&
                       field[i + 1] <= '3' && field[i + 2] >= '0' && field[i + 2] <= '7' &&
                       field[i + 3] >= '0' && field[i + 3] <= '7';
    if (octal) {
      text += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                (field[i + 3] - '0'));
      i += 3;
    } else {
      text += field[i];
    }
  }
  return text;
}

// Whether `path` is a block device, and the one numbered `device` when that is known (not 0).
bool IsBlockDevice(const std::string& path, dev_t device) {
  struct stat status;
  return !path.empty() && stat(path.c_str(), &status) == 0 && S_ISBLK(status.st_mode) &&
         (device == 0 || status.st_rdev == device);
}

// The block device a FUSE process serves its file system from. A block device file system
// (fuseblk) carries the device's own number; any other names its device, if it has one, only
// as its source.
std::string ServedDevice(dev_t fileSystem, const std::string& source) {
  const dev_t device = major(fileSystem) != 0 ? fileSystem : 0;
  std::vector<std::string> candidates;
  if (device != 0) {
    // The kernel's name for the device, as a device manager names its node.
    std::ifstream uevent("/sys/dev/block/" + std::to_string(major(device)) + ":" +
                         std::to_string(minor(device)) + "/uevent");
    for (std::string line; std::getline(uevent, line);) {
      if (line.rfind("DEVNAME=", 0) == 0) candidates.push_back("/dev/" + line.substr(8));
    }
  }
  candidates.push_back(source);
  for (const std::string& candidate : candidates) {
    if (IsBlockDevice(candidate, device)) return candidate;
  }
  return "";
}

// The layers beneath the file system of `fd`, a device found beneath a FUSE file system taken
// as reachable until it is opened. The mount table is read only where it is needed: for the
// type's name when `named`, and for a FUSE file system's source, so that opening a test file on
// a kernel file system costs two system calls.
StorageLayers Examine(int fd, bool named) {
  StorageLayers layers;
  struct statfs fileSystem;
  struct stat status;
  if (fstatfs(fd, &fileSystem) != 0 || fstat(fd, &status) != 0) return layers;
  const uint32_t magic = static_cast<uint32_t>(fileSystem.f_type);
  std::optional<MountEntry> mount;
  if (named || magic == kFuseMagic) {
    std::ifstream table("/proc/self/mountinfo");
    mount = FindMount(table, status.st_dev);
    if (mount) layers.fileSystemType = mount->fileSystemType;
  }

  if (ReadsThroughKernel(magic)) {
    layers.reach = MediumReach::kThroughFileSystem;
  } else if (magic == kFuseMagic) {
    layers.servedFromUserSpace = true;
    layers.blockDevice = ServedDevice(status.st_dev, mount ? mount->source : "");
    if (!layers.blockDevice.empty()) layers.reach = MediumReach::kThroughDevice;
  }
  return layers;
}

int OpenDevice(const std::string& path) {
  int fd;
  do {
    fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

// Writes back what the serving process left dirty in the device's cache, so that every page
// there is clean, then drops the pages. Returns 0 or errno.
unsigned EmptyDeviceCache(const std::string& path) {
  const int fd = OpenDevice(path);
  if (fd < 0) return errno;
  unsigned error = fsync(fd) == 0 ? 0 : errno;
  if (error == 0) error = posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
  // The kernel's own flush drops, beyond that, pages held by per-processor lists at the moment;
  // it needs CAP_SYS_ADMIN, and without it the two calls above have done the work.
  if (error == 0 && ioctl(fd, BLKFLSBUF, 0) != 0 && errno != EACCES && errno != EPERM) {
    error = errno;
  }
  close(fd);
  return error;
}

}  // namespace

std::optional<MountEntry> FindMount(std::istream& table, dev_t device) {
  const std::string number = std::to_string(major(device)) + ":" + std::to_string(minor(device));
  std::optional<MountEntry> found;
  for (std::string line; std::getline(table, line);) {
    // ID, parent ID, major:minor, root, mount point, options, optional fields up to "-",
    // then the type, the source and the file system's own options.
    std::istringstream fields(line);
    std::string id, parent, numbers, field;
    if (!(fields >> id >> parent >> numbers) || numbers != number) continue;
    while (fields >> field && field != "-") {
    }
    MountEntry entry;
    std::string source;
    if (field != "-" || !(fields >> entry.fileSystemType >> source)) continue;
    entry.fileSystemType = Unescaped(entry.fileSystemType);
    entry.source = Unescaped(source);
    found = entry;
  }
  return found;
}

bool EmptyCachesBeneath(int fd) {
  const StorageLayers layers = Examine(fd, false);
  switch (layers.reach) {
    case MediumReach::kThroughFileSystem:
      return true;
    case MediumReach::kThroughDevice:
      return EmptyDeviceCache(layers.blockDevice) == 0;
    case MediumReach::kOutOfReach:
      break;
  }
  return false;
}

StorageLayers QueryStorageLayers(const wchar_t* directory) {
  const int fd = open(Utf8FromWide(directory).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return StorageLayers();
  StorageLayers layers = Examine(fd, true);
  close(fd);
  if (layers.reach == MediumReach::kThroughDevice) {
    // Tried now, so that a user who may not read the device hears so before the run.
    const int device = OpenDevice(layers.blockDevice);
    if (device < 0) {
      layers.reach = MediumReach::kOutOfReach;
    } else {
      close(device);
    }
  }
  return layers;
}
