// What stands between the files of a directory and the medium that holds them, and whether this
// program can keep every cache among those layers from answering a read. A file's own cached
// pages are File's business (it drops them whenever it opens a file for reading); this covers
// what lies beneath the file system: the process that serves a FUSE file system and the block
// device it reads through the kernel's cache. Any thread; keeps no state.
#pragma once

#include <string>

enum class MediumReach {
  // A kernel driver reads the medium itself: once the file's own pages are dropped, a read
  // of it has to come from the medium.
  kThroughFileSystem,
  // A process serves the file system and reads a block device through the kernel's cache,
  // which this program may empty (File does, whenever it opens a file for reading).
  kThroughDevice,
  // Some layer may answer a read from memory and this program cannot empty it: a process
  // whose device it may not read or that reads no block device, a network or memory file
  // system, or one it does not know.
  kOutOfReach,
};

struct StorageLayers {
  std::string fileSystemType;  // as the mount table names it: "ext4", "fuseblk", "nfs4"; or ""
  bool servedFromUserSpace = false;  // a FUSE file system
  std::string blockDevice;           // the block device the serving process reads, or ""
  MediumReach reach = MediumReach::kOutOfReach;
};

// Examines the file system that holds `directory`, trying for a FUSE file system whether its
// block device may be opened for reading. A directory that cannot be examined is out of reach.
StorageLayers QueryStorageLayers(const wchar_t* directory);
