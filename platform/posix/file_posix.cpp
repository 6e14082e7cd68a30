#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <string>

#include "platform/file.h"
#include "platform/posix/storage_layers_posix.h"
#include "platform/text.h"

namespace {

std::atomic<bool> forceCachedIo{false};

// Opens without following a final symbolic link and without blocking on a pipe; the open
// descriptor is then checked to be a regular file before anything is read from it.
int OpenRegularFile(const std::string& path, int flags, unsigned* error) {
  int fd;
  do {
    fd = open(path.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    *error = errno;
    return -1;
  }
  struct stat status;
  if (fstat(fd, &status) != 0) {
    *error = errno;
  } else if (S_ISDIR(status.st_mode)) {
    *error = EISDIR;
  } else if (!S_ISREG(status.st_mode)) {
    *error = EINVAL;
  } else {
    return fd;
  }
  close(fd);
  return -1;
}

// Drops the cached pages of the file after writing back what is dirty, so that the next read
// has to fetch the data from the medium. A read-only file system has nothing to write back.
unsigned DropCachedPages(int fd) {
  if (fdatasync(fd) != 0 && errno != EROFS) return errno;
  return posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
}

}  // namespace

bool IsDiskFull(unsigned code) { return code == ENOSPC || code == EDQUOT; }

void File::ForceCachedIoForTesting(bool force) { forceCachedIo = force; }

File::~File() { Close(); }

unsigned File::Open(const wchar_t* path, Mode mode) {
  int flags = mode == Mode::kCreateNewReadWrite ? O_RDWR | O_CREAT | O_EXCL : O_RDONLY;
  unsigned error = 0;
  int fd = OpenRegularFile(Utf8FromWide(path), flags, &error);
  if (fd < 0) return error;

  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    error = errno == EWOULDBLOCK ? EBUSY : errno;
    close(fd);
    return error;
  }
  // O_DIRECT is switched on after the open: a file system that refuses it answers EINVAL here,
  // when a new file has already been created, and this keeps the open exclusive and atomic.
  // Where it is refused, the file is used through the cache.
  bool direct = !forceCachedIo && fcntl(fd, F_SETFL, O_DIRECT) == 0;
  if (!direct && fcntl(fd, F_SETFL, 0) != 0) error = errno;  // leave non-blocking mode
  // Cached pages are dropped before reading whether or not O_DIRECT was accepted: some file
  // systems accept it and still answer reads from the cache (ext4 journalling file data).
  const bool reading = mode == Mode::kOpenExistingRead;
  if (error == 0 && reading) error = DropCachedPages(fd);
  if (error != 0) {
    close(fd);
    return error;
  }
  fd_ = fd;
  position_ = 0;
  // After the file's own sync: that may leave the serving process's writes in a device cache.
  readsFromMedium_ = reading && EmptyCachesBeneath(fd);
  return 0;
}

unsigned File::Read(void* buffer, size_t size, size_t* bytesRead) {
  // A read may stop short of the end of the file, at an unreadable sector for one; reading on
  // brings back the error itself instead of a block that merely looks cut.
  size_t total = 0;
  while (total < size) {
    const ssize_t result = read(fd_, static_cast<char*>(buffer) + total, size - total);
    if (result < 0 && errno == EINTR) continue;
    if (result < 0) {
      *bytesRead = total;
      return errno;
    }
    if (result == 0) break;  // the end of the file
    total += static_cast<size_t>(result);
  }
  *bytesRead = total;
  if (total > 0) {
    // Only keeps checked data from piling up in the cache where reads went through it; the
    // open already made sure that nothing cached answers a read, so the result changes nothing.
    (void)posix_fadvise(fd_, static_cast<off_t>(position_), static_cast<off_t>(total),
                        POSIX_FADV_DONTNEED);
  }
  position_ += total;
  return 0;
}

unsigned File::Seek(uint64_t position) {
  if (lseek(fd_, static_cast<off_t>(position), SEEK_SET) < 0) return errno;
  position_ = position;
  return 0;
}

unsigned File::WriteWhole(const void* buffer, size_t size) {
  ssize_t result;
  do {
    result = write(fd_, buffer, size);
  } while (result < 0 && errno == EINTR);
  if (result < 0) return errno;
  if (static_cast<size_t>(result) != size) {
    // Cut the partial block off, so the file keeps only whole blocks of test data.
    if (ftruncate(fd_, static_cast<off_t>(position_)) != 0) return errno;
    if (unsigned code = Seek(position_)) return code;
    return ENOSPC;
  }
  position_ += size;
  return 0;
}

unsigned File::Sync() { return DropCachedPages(fd_); }

unsigned File::Size(uint64_t* bytes) {
  struct stat status;
  if (fstat(fd_, &status) != 0) return errno;
  *bytes = static_cast<uint64_t>(status.st_size);
  return 0;
}

unsigned File::Close() {
  if (fd_ < 0) return 0;
  int fd = fd_;
  fd_ = -1;
  // close is not retried on EINTR: on Linux the descriptor is released either way.
  return close(fd) == 0 ? 0 : errno;
}
