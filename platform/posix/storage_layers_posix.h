// The POSIX side of storage_layers.h that File shares: the layers beneath an open file and the
// emptying of the block device cache beneath it; and the reading of the mount table, which tests
// feed with text of their own. Any thread.
#pragma once

#include <sys/types.h>

#include <istream>
#include <optional>
#include <string>

#include "platform/storage_layers.h"

struct MountEntry {
  std::string fileSystemType;  // "ext4", "fuseblk", "fuse.sshfs"
  std::string source;          // the device, share or name the file system was mounted from
};

// The entry of `table` (text in the form of /proc/self/mountinfo) for the file system whose
// device number is `device`; the last one where it is mounted more than once. Nothing when
// none matches.
std::optional<MountEntry> FindMount(std::istream& table, dev_t device);

// For a file open as `fd`: writes back and drops the cached pages of the block device beneath
// its file system where a process serves that file system from one. Returns true when no cache
// beneath the file system can answer a read of the file now, false when one may.
bool EmptyCachesBeneath(int fd);
