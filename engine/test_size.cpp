#include "engine/test_size.h"

#include "engine/engine_error.h"
#include "engine/space.h"
#include "engine/test_session.h"
#include "platform/text.h"

namespace {

constexpr TextPair kPartialCapacityWarning = {L"警告: 只测试了 %llu MByte(共 %llu MByte)\r\n",
                                              L"警告: 只測試了 %llu MByte(共 %llu MByte)\r\n"};

}  // namespace

void SetTestSize(uint64_t sizeMB) {
  TestSession.sizeMB = sizeMB;
  const uint64_t totalMB = TotalSpaceMB();
  if (totalMB == SPACE_UNKNOWN || totalMB == sizeMB) {
    SetWarningText(nullptr);
    return;
  }
  wchar_t warning[kWarningChars];
  FormatText(warning, kWarningChars, PickText(kPartialCapacityWarning),
             static_cast<unsigned long long>(sizeMB), static_cast<unsigned long long>(totalMB));
  SetWarningText(warning);
}
