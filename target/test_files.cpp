#include "target/test_files.h"

#include "engine/space.h"
#include "engine/test_file_name.h"
#include "engine/test_session.h"
#include "platform/directory.h"
#include "platform/file.h"
#include "platform/text.h"

void SetTargetPath(const wchar_t* path) {
  if (path == nullptr) {
    TestSession.targetPath.reset();
  } else {
    TestSession.targetPath = path;
  }
  TestSession.targetVolume = TargetVolume();
}

uint64_t MeasureTestFiles() {
  uint64_t sumMB = 0;
  bool shortFileSeen = false;
  for (uint64_t number = 1;; ++number) {
    if (!ComposeTestFileName(number)) return sumMB;  // no such name can exist
    uint64_t bytes;
    {
      File file;
      if (file.Open(TestSession.fileName, File::Mode::kOpenExistingRead) != 0) return sumMB;
      // A size that cannot be read ends the walk like a file that cannot be opened.
      if (file.Size(&bytes) != 0) return sumMB;
    }
    if (shortFileSeen) return TEST_FILES_MISSIZED;
    if (bytes % kBytesPerMB != 0) return TEST_FILES_MISSIZED;
    sumMB += bytes >> kMBShift;
    if (bytes != TEST_FILE_SIZE) shortFileSeen = true;
  }
}

bool FindTestFiles() {
  // A mask cut short would search another directory.
  return FormatText(TestSession.fileName, kFileNameChars, L"%ls%ls*.kst",
                    TestSession.targetPath->c_str(), TestFileSeparator()) &&
         FindFirstMatch(TestSession.fileName);
}
