#include "cli/live_line.h"

#include "engine/test_session.h"
#include "resources/resource_ids.h"

namespace {

struct PassTexts {
  TextPair name;
  int amount, time, speed;
};

constexpr PassTexts kPasses[] = {
    {{L"写入", L"寫入"}, IDC_WRITE_AMOUNT, IDC_WRITE_TIME, IDC_WRITE_SPEED},
    {{L"测试", L"測試"}, IDC_VERIFY_AMOUNT, IDC_VERIFY_TIME, IDC_VERIFY_SPEED},
};

}  // namespace

std::wstring LiveLine(MemoryDialog& dialog) {
  std::wstring line;
  for (const PassTexts& pass : kPasses) {
    const std::wstring amount = dialog.GetText(pass.amount);
    if (amount.empty()) continue;  // not begun
    line += std::wstring(PickText(pass.name)) + L": " + amount + L", " + dialog.GetText(pass.time) +
            L", " + dialog.GetText(pass.speed) + L" | ";
  }
  return line + std::to_wstring(dialog.controls[IDC_PROGRESS_BAR].progressPosition) + L"%";
}
