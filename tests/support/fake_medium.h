// A storage medium that misbehaves on demand: the helper kestrum_fake_medium (tests/fake_medium/)
// serves a file of a claimed size from memory of a real size through FUSE; the file is attached
// to a loop device, a file system is made on that and mounted in a scratch directory, and a
// run's target is that file system's root.
//
// ext4 by default, rather than FAT, which a fake USB stick would carry: a kernel may lack the
// FAT driver (the one these tests were written on does), never ext4. It is made without a
// journal, in 4 KiB blocks, in one block group (the media are at most 128 MiB) without backup
// superblocks or blocks reserved for growth, with its bitmaps and inode table side by side and
// no checksums, and mounted without reading block bitmaps ahead. So its own records lie together
// in the first 40 KiB of the medium, a file's data follows them in one piece mapped by the inode
// itself, and the file system reaches the medium only when a run creates, syncs or reads a file,
// never in the background (no journal commits, no tables initialised later). A medium that wraps
// around or drops what lies past its real size then damages the same test data on every run,
// and a disconnect after a count of bytes lands on the same MByte. ext4 reads and writes test
// files past the page cache, and FIEMAP tells where a file's data lies on the medium.
//
// exFAT and NTFS are what such media carry; their drivers here are FUSE programs that read the
// loop device through the system's cache. xfs and btrfs stand for kernel file systems that
// keep records of their own across the whole medium. For all of them the helper records where
// each write went, so PredictVerify (tests/support/predicted_counts.h) can tell what a run should
// find without knowing the file system's layout.
//
// Needs root, /dev/fuse, loop devices and the file system's tools (and a kernel that can mount
// it); tests skip with WhyUnavailable().
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/scratch_dir.h"

class FakeMedium {
 public:
  // How it keeps data in less room than it claims.
  enum class Storage {
    kWrap,           // position X is stored at X modulo the real size
    kDropReadZeros,  // writes at or past the real size are dropped; reads there give 0x00
    kDropReadOnes,   // writes at or past the real size are dropped; reads there give 0xFF
    // Log-structured: each 512-byte sector written goes to the next place of a ring of the real
    // size, whatever its position; once more than the real size has been written, the sectors
    // written longest ago (and not since) have lost their data and read 0x00, or what their
    // place holds now (the data of a sector written later). Sparse probes all read back.
    kLogLostReadZeros,
    kLogLostReadNewer,
  };
  enum class FileSystem { kExt4, kExfat, kNtfs, kXfs, kBtrfs };
  struct Options {
    uint64_t claimedMB = 32;
    uint64_t realMB = 0;  // 0: all it claims
    Storage storage = Storage::kWrap;
    FileSystem fileSystem = FileSystem::kExt4;
    // A user who may write to the file system's root besides root (and reach it: the scratch
    // directories on the way let others through); none: root alone.
    std::optional<UserIds> owner = std::nullopt;
  };
  // What the helper reports.
  struct Status {
    uint64_t transferred;   // bytes read or written by requests that succeeded
    uint64_t bytesRead;     // of them, read
    uint64_t bytesWritten;  // of them, written
    bool disconnected;      // every request fails from now on
  };

  // Why no fake medium with `fileSystem` can be made on this machine, or empty when one can.
  static std::string WhyUnavailable(FileSystem fileSystem = FileSystem::kExt4);
  static const char* Name(FileSystem fileSystem);

  FakeMedium() = default;
  // Unmounts the file system, detaches the loop device, unmounts the helper's file system and
  // waits for the helper to end (killing it if it does not), whatever state the test left
  // behind; reports anything that stayed.
  ~FakeMedium();
  FakeMedium(const FakeMedium&) = delete;
  FakeMedium& operator=(const FakeMedium&) = delete;

  // Starts the helper, attaches its medium, makes the file system and mounts it. Reports what
  // failed through the test framework and returns false; the destructor undoes what was done.
  bool Attach(const Options& options);

  // The mounted file system's root, the target of a run; and test file `number` in it.
  const std::string& root() const { return mountPoint_; }
  std::wstring wideRoot() const;
  std::string TestFile(uint64_t number) const;
  uint64_t FreeBytes() const;

  // Sends commands to the helper, one a line: "flip POSITION MASK", "read-error START END",
  // "write-error START END", "disconnect-after BYTES", "disconnect", "clear" (positions are
  // byte positions on the medium). Reports a refusal and returns false.
  bool Control(const std::string& commands);
  Status ReadStatus() const;

  // The helper's record of writes: for each 512-byte sector of the claimed medium, the first 16
  // bytes of the last write there, zeros where none went. And the whole medium as it reads now,
  // past every cache. Both report a failure and come back empty when they cannot be read.
  std::vector<uint8_t> LastWrites() const;
  std::vector<uint8_t> ReadMedium() const;

  // Kills the helper: every request to the medium fails from then on. For a run that hangs.
  void Abort();

  // What the helper printed.
  std::string HelperLog() const;

 private:
  void WaitForHelper();
  bool MakeFileSystem(const Options& options, const std::string& mountPoint);
  std::vector<uint8_t> ReadHelperFile(const std::string& name, uint64_t bytes) const;

  ScratchDir dir_;
  std::string fuseMount_;      // where the helper's file system is mounted; empty until it is
  std::string device_;         // the loop device; empty while none is attached
  std::string mountPoint_;     // the file system's mount; empty while nothing is mounted
  uint64_t claimedBytes_ = 0;  // the size of the helper's medium
  pid_t helper_ = -1;          // the helper while it has not been waited for
  bool aborted_ = false;
};
