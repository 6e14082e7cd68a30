#include "target/prepare_run.h"

#include "engine/space.h"
#include "engine/test_session.h"
#include "engine/test_size.h"

void PrepareRun() {
  TestSession.errorText.Clear();
  TestProgress& progress = TestSession.progress;
  progress.stopRequested = false;
  progress.firstErrorSeen = false;
  progress.lossFound = false;
  progress.verifying = false;
  progress.writing = false;
  progress.writeStarted = false;
  progress.verifyStarted = false;
  progress.verifiedMB = 0;
  progress.writtenMB = 0;

  TestSession.useAllSpace = TestSession.sizeMB == 0;
  if (TestSession.useAllSpace) SetTestSize(FreeSpaceMB());  // SPACE_UNKNOWN if the query fails

  const uint64_t sizeMB = TestSession.sizeMB;
  progress.progressTotalMB = TestSession.doWrite && TestSession.doVerify ? 2 * sizeMB : sizeMB;
}
