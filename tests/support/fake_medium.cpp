#include "tests/support/fake_medium.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "platform/text.h"
#include "tests/support/mount_tools.h"

extern char** environ;

namespace {

constexpr uint64_t MB = 1048576;
constexpr int kReadyMilliseconds = 10000;
constexpr std::chrono::seconds kHelperExitLimit{10};

std::string HelperProgram() {
#ifdef KESTRUM_FAKE_MEDIUM_HELPER
  return KESTRUM_FAKE_MEDIUM_HELPER;
#else
  return "";
#endif
}

// The helper's word for it (tests/fake_medium/main.cpp).
const char* StorageWord(FakeMedium::Storage storage) {
  switch (storage) {
    case FakeMedium::Storage::kWrap:
      return "wrap";
    case FakeMedium::Storage::kDropReadZeros:
      return "drop-zeros";
    case FakeMedium::Storage::kDropReadOnes:
      return "drop-ones";
    case FakeMedium::Storage::kLogLostReadZeros:
      return "log-zeros";
    case FakeMedium::Storage::kLogLostReadNewer:
      return "log-newer";
  }
  return "?";
}

// The flex group size that puts all of ext4's block groups (128 MiB in 4 KiB blocks) of a
// medium in one, a power of two: every group's bitmaps and inode table then lie in the first.
uint64_t Ext4FlexGroupSize(uint64_t mediumBytes) {
  constexpr uint64_t kGroupBytes = 128 * MB;
  return std::bit_ceil((mediumBytes + kGroupBytes - 1) / kGroupBytes);
}

// How each file system is made and mounted. Each keeps its own writes few and in places fixed
// by its layout, so that a medium that wraps around or drops writes damages the same test data
// on every run, and reading a test file writes nothing (noatime: no access times).
struct FileSystemKind {
  FakeMedium::FileSystem fileSystem;
  const char* name;
  const char* type;               // as /proc/filesystems names it
  std::vector<std::string> mkfs;  // the device follows
  const char* fuseDriver;         // the program that mounts it; null: the kernel's own driver
  const char* mountOptions;       // for the driver's -o, or the data of mount(2)
  unsigned long mountFlags;       // for mount(2)
};

const FileSystemKind kFileSystems[] = {
    // No journal, 4 KiB blocks, no backup superblocks or blocks reserved for growing the file
    // system, bitmaps and inode tables side by side (in one flex group: MakeFileSystem adds its
    // size), no checksums, 16 inodes a group; no blocks reserved for root, inode tables written
    // now rather than by a background thread, nothing discarded. Nor does it read its block
    // bitmaps ahead in the background.
    {FakeMedium::FileSystem::kExt4,
     "ext4",
     "ext4",
     {"mkfs.ext4", "-q", "-F", "-m", "0", "-b", "4096", "-N", "16", "-O",
      "^has_journal,^metadata_csum,^resize_inode,flex_bg,sparse_super2", "-E",
      "nodiscard,lazy_itable_init=0,num_backup_sb=0"},
     nullptr,
     "no_prefetch_block_bitmaps",
     0},
    // Its tables lie in the first 2 MiB and the first clusters after them (allocation bitmap,
    // upcase table, root directory); the test data follows in 4 KiB clusters, in one piece. Its
    // driver writes the directory entry of a file when the file is synced or closed.
    {FakeMedium::FileSystem::kExfat,
     "exFAT",
     "fuseblk",
     {"mkfs.exfat", "-c", "4K"},
     "mount.exfat-fuse",
     "noatime",
     0},
    // A quick format (nothing zeroed): the boot sector and the MFT at the start, the other tables
    // an eighth of the way in, the MFT's mirror and the 2 MiB log in the middle, a copy of the
    // boot sector at the end. Its driver writes a file's MFT record when the file is closed.
    {FakeMedium::FileSystem::kNtfs,
     "NTFS",
     "fuseblk",
     {"mkntfs", "-Q", "-q"},
     "ntfs-3g",
     "noatime",
     0},
    // No discard (the medium cannot punch holes anyway). Its allocation groups, four of them on
    // these media, each begin with records of their own; the log lies inside one of them.
    {FakeMedium::FileSystem::kXfs,
     "xfs",
     "xfs",
     {"mkfs.xfs", "-q", "-f", "-K"},
     nullptr,
     "",
     MS_NOATIME},
    // No discard, and one copy of its metadata rather than two. It checksums data and metadata.
    {FakeMedium::FileSystem::kBtrfs,
     "btrfs",
     "btrfs",
     {"mkfs.btrfs", "-q", "-f", "-K", "-m", "single"},
     nullptr,
     "",
     MS_NOATIME},
};

const FileSystemKind& KindOf(FakeMedium::FileSystem fileSystem) {
  for (const FileSystemKind& kind : kFileSystems) {
    if (kind.fileSystem == fileSystem) return kind;
  }
  return kFileSystems[0];
}

// Whether the running kernel can mount `type`, loading its module if need be.
bool KernelKnows(const std::string& type) {
  for (bool loaded : {false, true}) {
    if (loaded && !FindProgram("modprobe").empty()) RunCommand({"modprobe", "-q", type});
    std::ifstream known("/proc/filesystems");
    for (std::string line; std::getline(known, line);) {
      if (line.substr(line.find('\t') + 1) == type) return true;
    }
  }
  return false;
}

// The first directory on the way to `path` (itself included) that does not let others through,
// or empty.
std::string Unreachable(const std::string& path) {
  for (size_t end = path.find('/', 1);; end = path.find('/', end + 1)) {
    const std::string directory = path.substr(0, end);
    struct stat status;
    if (stat(directory.c_str(), &status) != 0 || !(status.st_mode & S_IXOTH)) return directory;
    if (end == std::string::npos) return "";
  }
}

// The lines of /proc/self/mountinfo that name a path inside `directory`.
std::vector<std::string> MountsInside(const std::string& directory) {
  std::vector<std::string> found;
  std::ifstream mounts("/proc/self/mountinfo");
  for (std::string line; std::getline(mounts, line);) {
    if (line.find(" " + directory + "/") != std::string::npos) found.push_back(line);
  }
  return found;
}

}  // namespace

const char* FakeMedium::Name(FileSystem fileSystem) { return KindOf(fileSystem).name; }

std::string FakeMedium::WhyUnavailable(FileSystem fileSystem) {
  if (HelperProgram().empty()) return "kestrum_fake_medium was not built (libfuse3-dev missing)";
  if (access(HelperProgram().c_str(), X_OK) != 0) return HelperProgram() + " not found";
  if (geteuid() != 0) return "a fake medium needs root (to mount and attach loop devices)";
  if (access("/dev/fuse", R_OK | W_OK) != 0) return "no FUSE: /dev/fuse missing";
  if (access("/dev/loop-control", R_OK | W_OK) != 0) {
    return "no loop devices: /dev/loop-control missing";
  }
  const FileSystemKind& kind = KindOf(fileSystem);
  std::vector<std::string> programs = {"losetup", kind.mkfs[0]};
  if (kind.fuseDriver) programs.push_back(kind.fuseDriver);
  for (const std::string& program : programs) {
    if (FindProgram(program).empty()) return program + " not found";
  }
  if (!KernelKnows(kind.type)) {
    return std::string("the kernel cannot mount ") + kind.type + " (not in /proc/filesystems)";
  }
  return "";
}

FakeMedium::~FakeMedium() {
  if (!mountPoint_.empty()) Unmount(mountPoint_);
  if (!device_.empty()) {
    const std::vector<std::string> detach = {"losetup", "-d", device_};
    CommandResult result = RunCommand(detach);
    if (!result.succeeded) ADD_FAILURE() << Joined(detach) << " failed: " << result.output;
  }
  if (!fuseMount_.empty()) Unmount(fuseMount_);
  WaitForHelper();

  for (const std::string& mount : MountsInside(dir_.path())) {
    ADD_FAILURE() << "still mounted: " << mount;
    umount2(mount.c_str(), MNT_DETACH);
  }
  if (!device_.empty()) {
    const std::string name = device_.substr(device_.rfind('/') + 1);
    std::ifstream backing("/sys/block/" + name + "/loop/backing_file");
    std::string file;
    if (std::getline(backing, file) && file.find(dir_.path()) == 0) {
      ADD_FAILURE() << device_ << " is still attached to " << file;
    }
  }
}

void FakeMedium::WaitForHelper() {
  if (helper_ < 0) return;
  const auto deadline = std::chrono::steady_clock::now() + kHelperExitLimit;
  int status = 0;
  pid_t waited;
  while ((waited = waitpid(helper_, &status, WNOHANG)) == 0 &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  if (waited == 0) {
    ADD_FAILURE() << "kestrum_fake_medium did not end once unmounted; killed";
    kill(helper_, SIGKILL);
    waitpid(helper_, &status, 0);
  } else if (!aborted_ && !(WIFEXITED(status) && WEXITSTATUS(status) == 0)) {
    ADD_FAILURE() << "kestrum_fake_medium ended with status 0x" << std::hex << status << ":\n"
                  << HelperLog();
  }
  helper_ = -1;
}

bool FakeMedium::Attach(const Options& options) {
  const std::string fuseMount = dir_.File("fuse");
  const std::string mountPoint = dir_.File("mnt");
  if (options.owner) {
    // mkdtemp made the scratch directory for root alone.
    if (chmod(dir_.path().c_str(), 0711) != 0) {
      const int error = errno;
      ADD_FAILURE() << "cannot open " << dir_.path() << " to others: " << ErrnoText(error);
      return false;
    }
    if (std::string closed = Unreachable(dir_.path()); !closed.empty()) {
      ADD_FAILURE() << closed << " does not let other users through to " << dir_.path();
      return false;
    }
  }
  for (const std::string& directory : {fuseMount, mountPoint}) {
    if (mkdir(directory.c_str(), 0755) != 0) {
      const int error = errno;
      ADD_FAILURE() << "cannot make " << directory << ": " << ErrnoText(error);
      return false;
    }
  }

  // The helper reports on descriptor 3 once its file system is mounted, and prints to a log.
  int ready[2];
  if (pipe2(ready, O_CLOEXEC) != 0) {
    const int error = errno;
    ADD_FAILURE() << "pipe: " << ErrnoText(error);
    return false;
  }
  claimedBytes_ = options.claimedMB * MB;
  const std::string program = HelperProgram();
  const std::vector<std::string> arguments = {
      program,
      "--claimed",
      std::to_string(claimedBytes_),
      "--real",
      std::to_string((options.realMB ? options.realMB : options.claimedMB) * MB),
      "--storage",
      StorageWord(options.storage),
      "--ready-fd",
      "3",
      fuseMount};
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  const std::string log = dir_.File("helper.log");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(),
                                   O_WRONLY | O_CREAT | O_APPEND, 0644);
  posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  posix_spawn_file_actions_adddup2(&actions, ready[1], 3);
  const int spawned =
      posix_spawn(&helper_, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(ready[1]);
  if (spawned != 0) {
    helper_ = -1;
    close(ready[0]);
    ADD_FAILURE() << "cannot start " << program << ": " << ErrnoText(spawned);
    return false;
  }
  pollfd waiting{ready[0], POLLIN, 0};
  char answer[16] = {};
  const bool mounted = poll(&waiting, 1, kReadyMilliseconds) == 1 &&
                       read(ready[0], answer, sizeof answer - 1) > 0 &&
                       std::string(answer) == "ready\n";
  close(ready[0]);
  if (!mounted) {
    ADD_FAILURE() << Joined(arguments) << " did not mount its file system:\n" << HelperLog();
    Abort();
    return false;
  }
  fuseMount_ = fuseMount;

  const std::vector<std::string> losetup = {"losetup", "--find", "--show", fuseMount_ + "/medium"};
  CommandResult attached = RunCommand(losetup);
  if (!attached.succeeded) {
    ADD_FAILURE() << Joined(losetup) << " failed: " << attached.output;
    return false;
  }
  device_ = attached.output.substr(0, attached.output.find_first_of("\r\n"));

  return MakeFileSystem(options, mountPoint);
}

bool FakeMedium::MakeFileSystem(const Options& options, const std::string& mountPoint) {
  const FileSystemKind& kind = KindOf(options.fileSystem);
  std::vector<std::string> mkfs = kind.mkfs;
  if (options.fileSystem == FileSystem::kExt4) {
    mkfs.insert(mkfs.end(), {"-G", std::to_string(Ext4FlexGroupSize(claimedBytes_))});
  }
  mkfs.push_back(device_);
  CommandResult made = RunCommand(mkfs);
  if (!made.succeeded) {
    ADD_FAILURE() << Joined(mkfs) << " failed: " << made.output;
    return false;
  }
  if (kind.fuseDriver) {
    std::string mountOptions = kind.mountOptions;
    if (options.owner) {
      mountOptions += ",uid=" + std::to_string(options.owner->uid) +
                      ",gid=" + std::to_string(options.owner->gid);
    }
    const std::vector<std::string> mount = {kind.fuseDriver, device_, mountPoint, "-o",
                                            mountOptions};
    CommandResult mounted = RunCommand(mount);
    if (!mounted.succeeded) {
      ADD_FAILURE() << Joined(mount) << " failed: " << mounted.output;
      return false;
    }
  } else if (mount(device_.c_str(), mountPoint.c_str(), kind.type, kind.mountFlags,
                   kind.mountOptions) != 0) {
    const int error = errno;
    ADD_FAILURE() << "cannot mount " << device_ << " on " << mountPoint << ": " << ErrnoText(error);
    return false;
  }
  mountPoint_ = mountPoint;
  if (options.owner && !kind.fuseDriver &&
      chown(mountPoint.c_str(), options.owner->uid, options.owner->gid) != 0) {
    const int error = errno;
    ADD_FAILURE() << "cannot hand " << mountPoint << " over: " << ErrnoText(error);
    return false;
  }
  return true;
}

std::wstring FakeMedium::wideRoot() const { return WideFromUtf8(mountPoint_); }

std::string FakeMedium::TestFile(uint64_t number) const {
  return mountPoint_ + "/" + std::to_string(number) + ".kst";
}

uint64_t FakeMedium::FreeBytes() const { return FreeBytesAt(mountPoint_); }

bool FakeMedium::Control(const std::string& commands) {
  const std::string path = fuseMount_ + "/control";
  Descriptor control(path, O_WRONLY);
  const std::string text = commands + "\n";
  if (control.fd < 0 ||
      write(control.fd, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
    const int error = errno;
    ADD_FAILURE() << "the fake medium refused '" << commands << "': " << ErrnoText(error) << "\n"
                  << HelperLog();
    return false;
  }
  return true;
}

FakeMedium::Status FakeMedium::ReadStatus() const {
  const std::string path = fuseMount_ + "/control";
  Status status{0, 0, 0, false};
  Descriptor control(path, O_RDONLY);
  char text[256] = {};
  if (control.fd < 0 || read(control.fd, text, sizeof text - 1) <= 0) {
    const int error = errno;
    ADD_FAILURE() << "cannot read " << path << ": " << ErrnoText(error);
    return status;
  }
  std::istringstream lines(text);
  for (std::string name; lines >> name;) {
    if (name == "transferred") lines >> status.transferred;
    if (name == "read") lines >> status.bytesRead;
    if (name == "written") lines >> status.bytesWritten;
    if (name == "disconnected") lines >> status.disconnected;
  }
  return status;
}

std::vector<uint8_t> FakeMedium::ReadHelperFile(const std::string& name, uint64_t bytes) const {
  const std::string path = fuseMount_ + "/" + name;
  std::vector<uint8_t> content(bytes);
  Descriptor file(path, O_RDONLY);
  int error = file.fd < 0 ? errno : 0;
  uint64_t done = 0;
  while (error == 0 && done < bytes) {
    const ssize_t got =
        pread(file.fd, content.data() + done, bytes - done, static_cast<off_t>(done));
    if (got < 0) error = errno;
    if (got <= 0) break;
    done += static_cast<uint64_t>(got);
  }
  if (done < bytes) {
    ADD_FAILURE() << "cannot read " << path << " (" << done << " of " << bytes
                  << " bytes): " << (error ? ErrnoText(error) : "it ends there");
    return {};
  }
  return content;
}

// The helper keeps 16 bytes for each 512-byte sector (tests/fake_medium/medium_model.h).
std::vector<uint8_t> FakeMedium::LastWrites() const {
  return ReadHelperFile("last-writes", claimedBytes_ / 512 * 16);
}

std::vector<uint8_t> FakeMedium::ReadMedium() const {
  return ReadHelperFile("medium", claimedBytes_);
}

void FakeMedium::Abort() {
  if (helper_ < 0) return;
  aborted_ = true;
  kill(helper_, SIGKILL);
  int status;
  waitpid(helper_, &status, 0);
  helper_ = -1;
}

std::string FakeMedium::HelperLog() const {
  std::ifstream log(dir_.File("helper.log"));
  std::stringstream text;
  text << log.rdbuf();
  return text.str();
}
