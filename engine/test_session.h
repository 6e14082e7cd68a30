// The one process-wide record of a test, `TestSession`, and the language switch `Language`.
// The user-interface thread sets the configuration before a run; the worker writes `progress`
// only under `lock`, and other threads read it only through CopyProgress(). Fields marked
// "worker only" are touched by the worker during a run and by the user-interface thread between
// runs. The record lives from static initialisation to program exit.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "engine/alias_map.h"
#include "engine/relaxed.h"
#include "engine/units.h"
#include "platform/notify.h"
#include "platform/text.h"

// The first differing 64-bit word of a verify pass.
struct FirstError {
  uint64_t offset;    // absolute byte offset of the word in the test data
  uint64_t expected;  // the word the pattern puts there
  uint64_t found;     // the word read
};

// What the worker reports while it runs. A value type: readers copy it whole under the lock.
struct TestProgress {
  TestProgress();  // a fresh record: every field zero or false, the counter frequency read

  int64_t perfFrequency;            // counter ticks per second
  Relaxed<bool> stopRequested;      // set by the user interface without the lock
  bool writeStarted;                // a write pass has begun in this run
  Relaxed<bool> writing;            // cleared by the worker without the lock
  uint64_t writtenMB;               // MByte written by the write pass
  int64_t writeStartTime;           // ticks when the write pass began
  int64_t writeNowTime;             // ticks when writtenMB was last advanced
  int64_t writeSampleTicks;         // ticks of the write pass spent in sample checks
  bool lossFound;                   // a sample check of the write pass found data lost
  uint64_t lossFoundAtMB;           // writtenMB when it was found
  bool verifyStarted;               // a verify pass has begun in this run
  Relaxed<bool> verifying;          // cleared by the worker without the lock
  uint64_t verifiedMB;              // MByte checked by the current verify pass
  int64_t verifyStartTime;          // ticks when the current verify pass began
  int64_t verifyNowTime;            // ticks when verifiedMB was last advanced
  uint64_t progressTotalMB;         // MByte of work in the whole run: 100 % of the progress bar
  uint64_t okSectors;               // sectors equal to their own pattern
  uint64_t overwrittenSectors;      // sectors holding the intact pattern of another offset
  uint64_t slightlyChangedSectors;  // 1 to 7 bits differ from their own pattern
  uint64_t corruptedSectors;        // 8 or more bits differ
  uint64_t aliasedOffsets;          // distinct foreign offsets found in overwritten sectors
  bool firstErrorSeen;              // firstError holds the first differing word of this pass
  FirstError firstError;
  // No cache could answer a read of the current verify pass: every test file was read with the
  // caches between it and the medium emptied. Meaningful once verifyStarted.
  bool readsFromMedium;

  // The medium lost data it had acknowledged: the verify pass found a sector that is not
  // intact, or a sample check of the write pass found data lost.
  bool DamageFound() const { return firstErrorSeen || lossFound; }
  // The write pass's start moved on by the time of its sample checks: its speed counts from
  // here, so that it is the medium's write speed alone.
  int64_t WriteSpeedStartTime() const { return writeStartTime + writeSampleTicks; }
};

inline constexpr size_t kFileNameChars = 260;
inline constexpr size_t kMessageChars = 1000;
inline constexpr size_t kWarningChars = 200;

struct TestSessionRecord {
  TestSessionRecord();
  ~TestSessionRecord();
  TestSessionRecord(const TestSessionRecord&) = delete;
  TestSessionRecord& operator=(const TestSessionRecord&) = delete;

  // MByte of test data; 0 means all free space until the run is prepared. The worker may lower
  // it while the user interface reads it, hence atomic. Changed only through SetTestSize.
  Relaxed<uint64_t> sizeMB;
  bool useAllSpace = false;                // the run fills all free space
  std::optional<std::wstring> targetPath;  // the target directory; none until one is chosen
  // The file system that held the target when it was chosen; none if it could not be reached.
  std::optional<uint64_t> targetVolume;
  wchar_t fileName[kFileNameChars] = {};  // test file in process; worker only
  IoBuffer* ioBuffer;                     // null only if it could not be allocated; worker only
  FixedText<kMessageChars> errorText;     // the error that ended the run; read after the notice
  bool doWrite = false;
  bool doVerify = false;
  bool endless = false;
  // The write pass goes on after a sample check found data lost, instead of ending there.
  bool writeOnAfterLoss = false;
  std::mutex lock;  // guards `progress` and `warningText`
  TestProgress progress;
  AliasMap aliasMap;                     // worker only
  NotifyTarget* notifyWindow = nullptr;  // worker only

  // The partial-capacity warning; replaced by SetWarningText and read through CopyWarningText.
  FixedText<kWarningChars> warningText;
};

extern TestSessionRecord TestSession;

// Selects the variant of every user-visible text: 1 selects the second variant, any other
// value the first. Set by the user interface, never while a run is in progress.
extern int Language;

struct TextPair {
  const wchar_t* language0;
  const wchar_t* language1;
};
const wchar_t* PickText(const TextPair& text);

// The shared progress as of one moment, copied under the lock.
TestProgress CopyProgress();

// The current warning, copied under the lock: the worker may replace it during a run.
FixedText<kWarningChars> CopyWarningText();
