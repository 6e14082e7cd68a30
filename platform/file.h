// A test file, opened exclusively and read or written in whole blocks past the system's file
// cache. One thread uses a File at a time; the file is closed when the object goes away.
// Failures are errno values (0 is success), as the engine reports them with their text.
#pragma once

#include <cerrno>
#include <cstddef>
#include <cstdint>

// Error codes the engine judges by meaning rather than by number.
inline bool IsFileNotFound(unsigned code) { return code == ENOENT; }
bool IsDiskFull(unsigned code);  // a full medium or an exhausted quota
constexpr unsigned kErrorNameTooLong = ENAMETOOLONG;

class File {
 public:
  enum class Mode {
    kCreateNewReadWrite,  // fails with EEXIST when the name exists: test files are never reused
    kOpenExistingRead,
  };

  File() = default;
  ~File();
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Opens `path` (the whole name) exclusively: while it is open, every other open of the same
  // file by this program or another that locks fails with EBUSY. Only regular files open;
  // symbolic links, directories, pipes and devices are refused without being followed or read.
  // Data bypasses the file cache where the file system allows it; in any case an open for
  // reading and every Sync drop the file's cached pages, so that data read comes from the
  // medium. An open for reading also empties the caches beneath the file system that it can
  // reach (storage_layers.h); ReadsFromMedium() then tells whether any cache may still answer.
  // REQUIRES: not open. Returns 0 or errno (ENOENT: no such file).
  unsigned Open(const wchar_t* path, Mode mode);

  // For a file opened for reading: true when no cache between it and its medium can answer its
  // reads, false when one may (a layer this program cannot empty). False for a file opened for
  // writing.
  bool ReadsFromMedium() const { return readsFromMedium_; }

  // Reads `size` bytes at the current position into `buffer` (page-aligned, `size` a multiple
  // of 4096) and advances; fewer only at the end of the file (*bytesRead 0 when already there).
  // Returns 0 or errno; an error partway returns the error, not the bytes before it.
  unsigned Read(void* buffer, size_t size, size_t* bytesRead);

  // Moves the current position to `position` (a multiple of 4096) bytes from the file's start.
  // Returns 0 or errno.
  unsigned Seek(uint64_t position);

  // Writes all `size` bytes of `buffer` (aligned as for Read) at the current position, or none:
  // a write that stored only part of the block is cut back to the block's start and reported as
  // ENOSPC, since the medium ran full. Returns 0 or errno.
  unsigned WriteWhole(const void* buffer, size_t size);

  // Makes the data written so far durable on the medium and drops it from the cache.
  // Returns 0 or errno.
  unsigned Sync();

  // The file's size in bytes. Returns 0 or errno.
  unsigned Size(uint64_t* bytes);

  // Closes the file. Returns 0 or errno; the file is closed either way.
  unsigned Close();

  // Tests use this to go through the cache on file systems that would bypass it.
  static void ForceCachedIoForTesting(bool force);

 private:
  int fd_ = -1;
  uint64_t position_ = 0;
  bool readsFromMedium_ = false;
};
