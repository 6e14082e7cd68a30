#include "tests/support/loop_medium.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fiemap.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/text.h"
#include "tests/support/mount_tools.h"

namespace {

constexpr uint64_t MB = 1048576;

}  // namespace

std::string LoopMedium::WhyUnavailable() {
  if (geteuid() != 0) return "loop media need root (to attach loop devices and mount)";
  if (access("/dev/loop-control", R_OK | W_OK) != 0)
    return "no loop devices: /dev/loop-control missing";
  for (const char* program : {"losetup", "mkfs.ext4"}) {
    if (FindProgram(program).empty()) return std::string(program) + " not found";
  }
  return "";
}

LoopMedium::~LoopMedium() {
  if (!mountPoint_.empty()) Unmount(mountPoint_);
  if (!device_.empty()) {
    const std::vector<std::string> detach = {"losetup", "-d", device_};
    CommandResult result = RunCommand(detach);
    if (!result.succeeded) ADD_FAILURE() << Joined(detach) << " failed: " << result.output;
  }
}

bool LoopMedium::Attach(const std::string& mountOptions, uint64_t sizeMB) {
  image_ = dir_.File("medium.img");
  {
    Descriptor image(image_, O_WRONLY | O_CREAT | O_EXCL);
    if (image.fd < 0 || ftruncate(image.fd, static_cast<off_t>(sizeMB * MB)) != 0) {
      const int error = errno;
      ADD_FAILURE() << "cannot make " << image_ << ": " << ErrnoText(error);
      return false;
    }
  }
  // 4 KiB blocks; no blocks reserved for root, so that root can use exactly what the system
  // reports free; inode tables and journal initialised now rather than by a background thread.
  const std::vector<std::string> mkfs = {
      "mkfs.ext4", "-q", "-F",
      "-m",        "0",  "-b",
      "4096",      "-E", "nodiscard,lazy_itable_init=0,lazy_journal_init=0",
      image_};
  CommandResult made = RunCommand(mkfs);
  if (!made.succeeded) {
    ADD_FAILURE() << Joined(mkfs) << " failed: " << made.output;
    return false;
  }
  const std::vector<std::string> losetup = {"losetup", "--find", "--show", image_};
  CommandResult attached = RunCommand(losetup);
  if (!attached.succeeded) {
    ADD_FAILURE() << Joined(losetup) << " failed: " << attached.output;
    return false;
  }
  device_ = attached.output.substr(0, attached.output.find_first_of("\r\n"));

  const std::string mountPoint = dir_.File("mnt");
  if (mkdir(mountPoint.c_str(), 0755) != 0) {
    const int error = errno;
    ADD_FAILURE() << "cannot make " << mountPoint << ": " << ErrnoText(error);
    return false;
  }
  if (mount(device_.c_str(), mountPoint.c_str(), "ext4", 0, mountOptions.c_str()) != 0) {
    const int error = errno;
    ADD_FAILURE() << "cannot mount " << device_ << " on " << mountPoint << " with options '"
                  << mountOptions << "': " << ErrnoText(error);
    return false;
  }
  mountPoint_ = mountPoint;
  target_ = mountPoint_ + "/target";
  if (mkdir(target_.c_str(), 0755) != 0) {
    const int error = errno;
    ADD_FAILURE() << "cannot make " << target_ << ": " << ErrnoText(error);
    return false;
  }
  return true;
}

std::wstring LoopMedium::wideTarget() const { return WideFromUtf8(target_); }

std::string LoopMedium::TestFile(uint64_t number) const {
  return target_ + "/" + std::to_string(number) + ".kst";
}

uint64_t LoopMedium::FreeBytes() const { return FreeBytesAt(target_); }

bool LoopMedium::LeaveFree(uint64_t freeBytes) {
  const std::string path = mountPoint_ + "/filler";
  Descriptor filler(path, O_WRONLY | O_CREAT);
  if (filler.fd < 0) {
    const int error = errno;
    ADD_FAILURE() << "cannot make " << path << ": " << ErrnoText(error);
    return false;
  }
  // Allocation may take a block for the file's own bookkeeping now and then, so approach the
  // amount in steps and stop at the exact value.
  for (int step = 0; step < 16; ++step) {
    const uint64_t free = FreeBytes();
    if (free == freeBytes) return true;
    if (free < freeBytes) break;
    struct stat status;
    if (fstat(filler.fd, &status) != 0 ||
        fallocate(filler.fd, 0, status.st_size, static_cast<off_t>(free - freeBytes)) != 0) {
      const int error = errno;
      ADD_FAILURE() << "cannot extend " << path << ": " << ErrnoText(error);
      return false;
    }
  }
  ADD_FAILURE() << "cannot leave exactly " << freeBytes << " bytes free; " << FreeBytes() << " are";
  return false;
}

void LoopMedium::ReadMedium(uint64_t position, void* data, size_t bytes) const {
  Descriptor image(image_, O_RDONLY);
  if (image.fd < 0 ||
      pread(image.fd, data, bytes, static_cast<off_t>(position)) != static_cast<ssize_t>(bytes)) {
    ADD_FAILURE() << "cannot read " << bytes << " bytes at " << position << " of " << image_;
  }
}

void LoopMedium::OverwriteMedium(uint64_t position, const void* data, size_t bytes) {
  Descriptor image(image_, O_WRONLY);
  if (image.fd < 0 ||
      pwrite(image.fd, data, bytes, static_cast<off_t>(position)) != static_cast<ssize_t>(bytes) ||
      fsync(image.fd) != 0) {
    ADD_FAILURE() << "cannot overwrite " << bytes << " bytes at " << position << " of " << image_;
  }
}

bool FirstExtent(const std::string& path, FileExtent* extent) {
  Descriptor file(path, O_RDONLY);
  if (file.fd < 0) {
    const int error = errno;
    ADD_FAILURE() << "cannot open " << path << ": " << ErrnoText(error);
    return false;
  }
  // The request with room for one extent after it.
  alignas(struct fiemap) unsigned char
      buffer[sizeof(struct fiemap) + sizeof(struct fiemap_extent)] = {};
  struct fiemap& map = *reinterpret_cast<struct fiemap*>(buffer);
  map.fm_start = 0;
  map.fm_length = FIEMAP_MAX_OFFSET;
  map.fm_flags = FIEMAP_FLAG_SYNC;
  map.fm_extent_count = 1;
  if (ioctl(file.fd, FS_IOC_FIEMAP, &map) != 0) {
    const int error = errno;
    ADD_FAILURE() << "FS_IOC_FIEMAP on " << path << ": " << ErrnoText(error);
    return false;
  }
  const struct fiemap_extent& first = map.fm_extents[0];
  constexpr uint32_t kNoKnownPlace = FIEMAP_EXTENT_UNKNOWN | FIEMAP_EXTENT_DELALLOC |
                                     FIEMAP_EXTENT_ENCODED | FIEMAP_EXTENT_DATA_ENCRYPTED |
                                     FIEMAP_EXTENT_NOT_ALIGNED | FIEMAP_EXTENT_DATA_INLINE |
                                     FIEMAP_EXTENT_DATA_TAIL | FIEMAP_EXTENT_UNWRITTEN;
  if (map.fm_mapped_extents != 1 || (first.fe_flags & kNoKnownPlace) != 0) {
    ADD_FAILURE() << path << " has no data at a known place on the medium (extents "
                  << map.fm_mapped_extents << ", flags 0x" << std::hex << first.fe_flags << ")";
    return false;
  }
  *extent = {first.fe_logical, first.fe_physical, first.fe_length};
  return true;
}

std::string RamfsMount::WhyUnavailable() {
  if (geteuid() != 0) return "mounting a RAM file system needs root";
  return "";
}

RamfsMount::~RamfsMount() {
  if (!mountPoint_.empty()) Unmount(mountPoint_);
}

bool RamfsMount::Mount() {
  const std::string mountPoint = dir_.File("ram");
  if (mkdir(mountPoint.c_str(), 0755) != 0) {
    const int error = errno;
    ADD_FAILURE() << "cannot make " << mountPoint << ": " << ErrnoText(error);
    return false;
  }
  if (mount("ramfs", mountPoint.c_str(), "ramfs", 0, nullptr) != 0) {
    const int error = errno;
    ADD_FAILURE() << "cannot mount a ramfs on " << mountPoint << ": " << ErrnoText(error);
    return false;
  }
  mountPoint_ = mountPoint;
  return true;
}

std::wstring RamfsMount::widePath() const { return WideFromUtf8(mountPoint_); }
