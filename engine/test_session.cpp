#include "engine/test_session.h"

#include "platform/clock.h"
#include "platform/page_memory.h"

TestSessionRecord TestSession;
int Language = 0;

TestProgress::TestProgress()
    : perfFrequency(PerfFrequency()),
      writeStarted(false),
      writtenMB(0),
      writeStartTime(0),
      writeNowTime(0),
      writeSampleTicks(0),
      lossFound(false),
      lossFoundAtMB(0),
      verifyStarted(false),
      verifiedMB(0),
      verifyStartTime(0),
      verifyNowTime(0),
      progressTotalMB(0),
      okSectors(0),
      overwrittenSectors(0),
      slightlyChangedSectors(0),
      corruptedSectors(0),
      aliasedOffsets(0),
      firstErrorSeen(false),
      firstError{0, 0, 0},
      readsFromMedium(false) {}

TestSessionRecord::TestSessionRecord()
    : ioBuffer(static_cast<IoBuffer*>(AllocatePages(sizeof(IoBuffer)))) {}

TestSessionRecord::~TestSessionRecord() { FreePages(ioBuffer, sizeof(IoBuffer)); }

const wchar_t* PickText(const TextPair& text) {
  return Language == 1 ? text.language1 : text.language0;
}

TestProgress CopyProgress() {
  std::lock_guard<std::mutex> guard(TestSession.lock);
  return TestSession.progress;
}

FixedText<kWarningChars> CopyWarningText() {
  std::lock_guard<std::mutex> guard(TestSession.lock);
  return TestSession.warningText;
}
