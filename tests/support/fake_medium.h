// A storage medium that misbehaves on demand: the helper kestrum_fake_medium (tests/fake_medium/)
// serves a file of a claimed size from memory of a real size through FUSE; the file is attached
// to a loop device, a file system is made on that and mounted in a scratch directory, and a
// run's target is that file system's root.
//
// ext4 by default, rather than FAT, which a fake USB stick would carry: a kernel may lack the
// FAT driver (the one these tests were written on does), never ext4. It is made without a
// journal, in 4 KiB blocks, without backup superblocks or blocks reserved for growth, with all
// its block groups (128 MiB each) in one flex group, so that every group's bitmaps and inode
// table lie side by side at the start of the medium, with no checksums, and mounted without
// reading block bitmaps ahead. So on a medium of one group (at most 128 MiB) its own records lie
// together in the first 40 KiB, a file's data follows them in one piece mapped by the inode
// itself, and the file system reaches the medium only when a run creates, syncs or reads a file,
// never in the background (no journal commits, no tables initialised later). A medium that wraps
// around or drops what lies past its real size then damages the same test data on every run,
// and a disconnect after a count of bytes lands on the same MByte. On a larger medium the
// records take some 600 KiB at its start and the test data follows them, in pieces of at most
// 128 MiB with small gaps between (where a block group begins), and a file of more than four
// pieces has its map in a block of its own amid its data. ext4 reads and writes test files past
// the page cache, and FIEMAP tells where a file's data lies on the medium.
//
// exFAT and NTFS are what such media carry; their drivers here are FUSE programs that read the
// loop device through the system's cache. xfs and btrfs stand for kernel file systems that
// keep records of their own across the whole medium. For all of them the helper records where
// each write went, so PredictVerify (tests/support/predicted_counts.h) can tell what a run should
// find without knowing the file system's layout. On a medium that wraps around or drops what lies
// past a quarter of its size, NTFS and xfs cannot be made or mounted (records of theirs lie
// there); ext4, exFAT and btrfs can.
//
// On a log-structured medium, what a file system wrote when it was made is the first to go once
// more than the real size has been written, unless it has written it again since: exFAT's boot
// sector, for one, then reads zeros or test data, and the file system could not be mounted again.
//
// The helper's memory grows with what is written: up to the real size, and 16 bytes for each
// 512-byte sector claimed for its record of writes (192 MiB for 6 GiB); a log-structured medium
// 4 bytes more for each sector claimed and each sector held. Nothing writes the whole medium, so
// making and tearing down even a medium of 6 GiB over 1.5 GiB takes well under a second.
// LastWrites() and ReadMedium() are for the tests that need them: the latter holds the whole
// claimed size in memory.
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
