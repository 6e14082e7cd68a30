// File systems of their own for tests that need a real medium: a small ext4 in a file of a
// scratch directory, attached to a loop device and mounted inside that directory, so a run can
// fill it up and a test can change the data on the medium beneath the file system; and a RAM
// file system, which refuses to bypass the file cache. Both need root; tests skip without it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "tests/support/scratch_dir.h"

class LoopMedium {
 public:
  // Why no loop medium can be made on this machine (not root, no loop devices, a tool
  // missing), or empty when one can. Tests skip with this reason.
  static std::string WhyUnavailable();

  LoopMedium() = default;
  // Unmounts and detaches the loop device, whatever state the test left behind.
  ~LoopMedium();
  LoopMedium(const LoopMedium&) = delete;
  LoopMedium& operator=(const LoopMedium&) = delete;

  // Makes an ext4 file system of `sizeMB` MByte without blocks reserved for root, attaches it,
  // mounts it with `mountOptions` (as for mount -o; empty for the defaults) and creates the
  // empty target directory on it. Reports what failed through the test framework and returns
  // false; whatever was set up is still undone by the destructor.
  bool Attach(const std::string& mountOptions = "", uint64_t sizeMB = 64);

  // The root of the mounted file system; the target directory on it, and test file `number`
  // in that.
  const std::string& root() const { return mountPoint_; }
  const std::string& target() const { return target_; }
  std::wstring wideTarget() const;
  std::string TestFile(uint64_t number) const;

  // Bytes free for the user, as the system reports them for the target.
  uint64_t FreeBytes() const;

  // Allocates a filler file beside the target until exactly `freeBytes` bytes stay free.
  // Returns false (and reports why) when that amount cannot be reached.
  bool LeaveFree(uint64_t freeBytes);

  // Reads or overwrites bytes of the medium itself at `position` (a byte position on the
  // device, as FirstExtent gives it), beneath the file system and its cache. Writes are
  // synced to the backing file before returning.
  void ReadMedium(uint64_t position, void* data, size_t bytes) const;
  void OverwriteMedium(uint64_t position, const void* data, size_t bytes);

 private:
  ScratchDir dir_;
  std::string image_;       // the backing file
  std::string mountPoint_;  // empty while nothing is mounted
  std::string device_;      // empty while no loop device is attached
  std::string target_;
};

// Where the data of a file lies on its medium.
struct FileExtent {
  uint64_t logical;   // byte offset in the file
  uint64_t physical;  // byte position on the device
  uint64_t length;    // bytes
};

// The first extent of the file at `path`, after syncing it, through the FS_IOC_FIEMAP request.
// Returns false (and reports why) when the file has no data with a known position.
bool FirstExtent(const std::string& path, FileExtent* extent);

// A RAM file system (ramfs) mounted on a fresh directory of a scratch directory until the
// object goes away.
class RamfsMount {
 public:
  // Why none can be mounted here, or empty when one can.
  static std::string WhyUnavailable();

  RamfsMount() = default;
  ~RamfsMount();
  RamfsMount(const RamfsMount&) = delete;
  RamfsMount& operator=(const RamfsMount&) = delete;

  // Mounts it; reports the failure and returns false.
  bool Mount();
  const std::string& path() const { return mountPoint_; }
  std::wstring widePath() const;

 private:
  ScratchDir dir_;
  std::string mountPoint_;  // empty while nothing is mounted
};
