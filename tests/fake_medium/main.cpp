// kestrum_fake_medium: a FUSE file system of its own that shows one file, "medium", of a claimed
// size whose data is kept in memory of a real size, misbehaving as the options say. Attached to
// a loop device it stands for a storage medium under test: healthy, one that wraps around or
// drops what lies past its real size, one that keeps only the data written last (log-structured),
// one that flips bits, fails reads or writes in a range or disconnects. A second file, "control",
// takes further commands while it runs (one a line, as for --fault) and reads back the bytes
// transferred (and of them read and written) and whether it has disconnected. A third,
// "last-writes", reads back the record of where each write went (MediumModel::lastWrites).
//
// Every open file bypasses the page cache (direct_io), so each read and write that reaches the
// file reaches the medium. Requests are served one at a time.

#define FUSE_USE_VERSION 34
#include <fcntl.h>
#include <fuse_lowlevel.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "tests/fake_medium/medium_model.h"

namespace {

constexpr fuse_ino_t kMediumIno = 2;
constexpr fuse_ino_t kControlIno = 3;
constexpr fuse_ino_t kLastWritesIno = 4;
constexpr double kCacheSeconds = 3600;  // nothing changes names or sizes while mounted
// --trace: every transfer of the medium to standard error.
bool trace = false;

struct Entry {
  fuse_ino_t ino;
  const char* name;
};
constexpr Entry kEntries[] = {
    {kMediumIno, "medium"}, {kControlIno, "control"}, {kLastWritesIno, "last-writes"}};

MediumModel& Medium(fuse_req_t request) {
  return *static_cast<MediumModel*>(fuse_req_userdata(request));
}

bool Attributes(const MediumModel& medium, fuse_ino_t ino, struct stat* status) {
  *status = {};
  status->st_ino = ino;
  status->st_uid = getuid();
  status->st_gid = getgid();
  status->st_mtime = status->st_ctime = status->st_atime = time(nullptr);
  if (ino == FUSE_ROOT_ID) {
    status->st_mode = S_IFDIR | 0755;
    status->st_nlink = 2;
  } else if (ino == kMediumIno || ino == kControlIno || ino == kLastWritesIno) {
    status->st_mode = S_IFREG | (ino == kLastWritesIno ? 0400 : 0600);
    status->st_nlink = 1;
    if (ino == kMediumIno) status->st_size = static_cast<off_t>(medium.claimedBytes());
    if (ino == kLastWritesIno) status->st_size = static_cast<off_t>(medium.lastWrites().size());
    status->st_blocks = (status->st_size + 511) / 512;
  } else {
    return false;
  }
  return true;
}

void Lookup(fuse_req_t request, fuse_ino_t parent, const char* name) {
  for (const Entry& entry : kEntries) {
    if (parent == FUSE_ROOT_ID && strcmp(name, entry.name) == 0) {
      fuse_entry_param reply{};
      reply.ino = entry.ino;
      reply.attr_timeout = reply.entry_timeout = kCacheSeconds;
      Attributes(Medium(request), entry.ino, &reply.attr);
      fuse_reply_entry(request, &reply);
      return;
    }
  }
  fuse_reply_err(request, ENOENT);
}

void GetAttributes(fuse_req_t request, fuse_ino_t ino, fuse_file_info*) {
  struct stat status;
  if (!Attributes(Medium(request), ino, &status)) {
    fuse_reply_err(request, ENOENT);
    return;
  }
  fuse_reply_attr(request, &status, kCacheSeconds);
}

// Sizes and times stay as they are (an open with O_TRUNC of the control file lands here).
void SetAttributes(fuse_req_t request, fuse_ino_t ino, struct stat*, int, fuse_file_info* file) {
  GetAttributes(request, ino, file);
}

void ReadDirectory(fuse_req_t request, fuse_ino_t ino, size_t size, off_t offset, fuse_file_info*) {
  if (ino != FUSE_ROOT_ID) {
    fuse_reply_err(request, ENOTDIR);
    return;
  }
  std::vector<std::pair<fuse_ino_t, const char*>> names = {{FUSE_ROOT_ID, "."},
                                                           {FUSE_ROOT_ID, ".."}};
  for (const Entry& entry : kEntries) names.push_back({entry.ino, entry.name});
  std::vector<char> buffer(size);
  size_t used = 0;
  for (size_t i = static_cast<size_t>(offset); i < names.size(); ++i) {
    struct stat status {};
    status.st_ino = names[i].first;
    status.st_mode = names[i].first == FUSE_ROOT_ID ? S_IFDIR : S_IFREG;
    const size_t needed = fuse_add_direntry(request, buffer.data() + used, size - used,
                                            names[i].second, &status, static_cast<off_t>(i + 1));
    if (needed > size - used) break;
    used += needed;
  }
  fuse_reply_buf(request, buffer.data(), used);
}

void Open(fuse_req_t request, fuse_ino_t ino, fuse_file_info* file) {
  if (ino != kMediumIno && ino != kControlIno && ino != kLastWritesIno) {
    fuse_reply_err(request, ino == FUSE_ROOT_ID ? EISDIR : ENOENT);
    return;
  }
  if (ino == kLastWritesIno && (file->flags & O_ACCMODE) != O_RDONLY) {
    fuse_reply_err(request, EACCES);
    return;
  }
  file->direct_io = 1;  // no page cache: every transfer reaches the medium
  file->keep_cache = 0;
  fuse_reply_open(request, file);
}

// Replies to a read of `size` bytes at `offset` of a file whose content is `length` `bytes`.
void ReplySlice(fuse_req_t request, const void* bytes, size_t length, size_t size, off_t offset) {
  const size_t start = std::min(length, static_cast<size_t>(offset));
  fuse_reply_buf(request, static_cast<const char*>(bytes) + start, std::min(size, length - start));
}

void Read(fuse_req_t request, fuse_ino_t ino, size_t size, off_t offset, fuse_file_info*) {
  MediumModel& medium = Medium(request);
  if (ino == kControlIno) {
    const std::string status = medium.Status();
    ReplySlice(request, status.data(), status.size(), size, offset);
    return;
  }
  if (ino == kLastWritesIno) {
    const ZeroedArray<uint8_t>& record = medium.lastWrites();
    ReplySlice(request, record.data(), record.size(), size, offset);
    return;
  }
  std::vector<uint8_t> data(size);
  size_t done;
  const int error = medium.Read(static_cast<uint64_t>(offset), size, data.data(), &done);
  if (trace) {
    fprintf(stderr, "read %lld +%zu: %s\n", static_cast<long long>(offset), size, strerror(error));
  }
  if (error) {
    fuse_reply_err(request, error);
    return;
  }
  fuse_reply_buf(request, reinterpret_cast<const char*>(data.data()), done);
}

void Write(fuse_req_t request, fuse_ino_t ino, const char* data, size_t size, off_t offset,
           fuse_file_info*) {
  MediumModel& medium = Medium(request);
  if (ino == kControlIno) {
    const std::string text(data, size);
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      const std::string line = text.substr(start, end - start);
      start = end + 1;
      if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
      if (std::string problem = medium.Command(line); !problem.empty()) {
        fprintf(stderr, "kestrum_fake_medium: %s\n", problem.c_str());
        fuse_reply_err(request, EINVAL);
        return;
      }
    }
    fuse_reply_write(request, size);
    return;
  }
  size_t done;
  const int error = medium.Write(static_cast<uint64_t>(offset), size,
                                 reinterpret_cast<const uint8_t*>(data), &done);
  if (trace) {
    fprintf(stderr, "write %lld +%zu: %s\n", static_cast<long long>(offset), size, strerror(error));
  }
  if (error) {
    fuse_reply_err(request, error);
    return;
  }
  fuse_reply_write(request, done);
}

void Sync(fuse_req_t request, fuse_ino_t ino, int, fuse_file_info*) {
  const int error = ino == kMediumIno ? Medium(request).Sync() : 0;
  if (trace) fprintf(stderr, "sync: %s\n", strerror(error));
  fuse_reply_err(request, error);
}

void Flush(fuse_req_t request, fuse_ino_t, fuse_file_info*) { fuse_reply_err(request, 0); }

// No holes can be punched in it: a loop device then does without discard.
void Allocate(fuse_req_t request, fuse_ino_t, int, off_t, off_t, fuse_file_info*) {
  fuse_reply_err(request, EOPNOTSUPP);
}

struct StorageWord {
  const char* word;
  Storage storage;
};
constexpr StorageWord kStorageWords[] = {{"wrap", Storage::kWrap},
                                         {"drop-zeros", Storage::kDropAsZeros},
                                         {"drop-ones", Storage::kDropAsOnes},
                                         {"log-zeros", Storage::kLogLostAsZeros},
                                         {"log-newer", Storage::kLogLostAsNewer}};

int Usage(const char* problem) {
  fprintf(stderr,
          "kestrum_fake_medium: %s\n"
          "usage: kestrum_fake_medium --claimed BYTES [--real BYTES]\n"
          "                           [--storage wrap|drop-zeros|drop-ones|log-zeros|log-newer]\n"
          "                           [--fault COMMAND]... [--ready-fd FD] [--trace] MOUNTPOINT\n"
          "  --claimed BYTES   the size of the file \"medium\"\n"
          "  --real BYTES      the bytes it really holds (default: all it claims)\n"
          "  --storage         how it keeps data in less room than it claims:\n"
          "    wrap            position X lands on X modulo the real size (the default)\n"
          "    drop-zeros      writes past the real size are dropped; reads there give zeros\n"
          "    drop-ones       the same, but reads there give 0xFF bytes\n"
          "    log-zeros       each 512-byte sector written goes to the next place of a ring of\n"
          "                    the real size, whatever its position; once the ring comes round,\n"
          "                    each takes the place of the one written longest ago, which then\n"
          "                    reads zeros\n"
          "    log-newer       the same, but a sector that lost its place reads what lies there\n"
          "                    now (the data of a sector written later)\n"
          "  --fault COMMAND   a fault armed from the start, as written to the file \"control\":\n"
          "%s"
          "  --ready-fd FD     write a line to FD once mounted, then close it\n"
          "  --trace           log every read, write and sync of the medium to standard error\n",
          problem, MediumModel::Usage());
  return 2;
}

bool ParseSize(const char* text, uint64_t* value) {
  char* end = nullptr;
  errno = 0;
  *value = strtoull(text, &end, 0);
  return errno == 0 && *end == '\0' && *value > 0 && text[0] != '-';
}

}  // namespace

int main(int argc, char** argv) {
  // Never outlive the test that started it (its thread, strictly): the signal ends the loop.
  prctl(PR_SET_PDEATHSIG, SIGTERM);
  uint64_t claimed = 0, real = 0;
  Storage storage = Storage::kWrap;
  std::vector<std::string> faults;
  int readyFd = -1;
  const char* mountPoint = nullptr;
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    if (option == "--claimed" && value) {
      if (!ParseSize(value, &claimed)) return Usage("--claimed needs a number of bytes");
    } else if (option == "--real" && value) {
      if (!ParseSize(value, &real)) return Usage("--real needs a number of bytes");
    } else if (option == "--storage" && value) {
      const auto* known =
          std::find_if(std::begin(kStorageWords), std::end(kStorageWords),
                       [&](const StorageWord& word) { return strcmp(word.word, value) == 0; });
      if (known == std::end(kStorageWords)) {
        return Usage("--storage takes wrap, drop-zeros, drop-ones, log-zeros or log-newer");
      }
      storage = known->storage;
    } else if (option == "--fault" && value) {
      faults.push_back(value);
    } else if (option == "--trace") {
      trace = true;
      continue;
    } else if (option == "--ready-fd" && value) {
      readyFd = atoi(value);
    } else if (option[0] != '-' && !mountPoint && i == argc - 1) {
      mountPoint = argv[i];
      continue;
    } else {
      return Usage(("unexpected argument: " + option).c_str());
    }
    ++i;
  }
  if (!mountPoint || claimed == 0) return Usage("a claimed size and a mount point are needed");
  if (real == 0) real = claimed;
  if (std::string problem = MediumModel::SizeProblem(claimed, real, storage); !problem.empty()) {
    return Usage(problem.c_str());
  }

  auto medium = std::make_unique<MediumModel>(claimed, real, storage);
  for (const std::string& fault : faults) {
    if (std::string problem = medium->Command(fault); !problem.empty()) {
      return Usage(problem.c_str());
    }
  }

  fuse_lowlevel_ops operations{};
  operations.lookup = Lookup;
  operations.getattr = GetAttributes;
  operations.setattr = SetAttributes;
  operations.readdir = ReadDirectory;
  operations.open = Open;
  operations.read = Read;
  operations.write = Write;
  operations.fsync = Sync;
  operations.flush = Flush;
  operations.fallocate = Allocate;

  char program[] = "kestrum_fake_medium";
  char optionFlag[] = "-o";
  char mountOptions[] = "fsname=kestrum_fake_medium,subtype=kestrum_fake_medium";
  char* fuseArgv[] = {program, optionFlag, mountOptions, nullptr};
  fuse_args args = FUSE_ARGS_INIT(3, fuseArgv);
  fuse_session* session = fuse_session_new(&args, &operations, sizeof operations, medium.get());
  fuse_opt_free_args(&args);
  if (session == nullptr) return 1;
  int status = 1;
  if (fuse_set_signal_handlers(session) == 0) {
    if (fuse_session_mount(session, mountPoint) == 0) {
      if (readyFd >= 0) {
        const char ready[] = "ready\n";
        if (write(readyFd, ready, sizeof ready - 1) < 0) perror("kestrum_fake_medium: ready fd");
        close(readyFd);
      }
      status = fuse_session_loop(session) == 0 ? 0 : 1;
      fuse_session_unmount(session);
    }
    fuse_remove_signal_handlers(session);
  }
  fuse_session_destroy(session);
  return status;
}
