#include "platform/memory_dialog.h"

#include <algorithm>

void MemoryDialog::SelectText(int id, int first, int last) {
  Control& control = controls[id];
  const int length = static_cast<int>(control.text.size());
  control.selectionFirst = std::clamp(first, 0, length);
  control.selectionLast = std::clamp(last, control.selectionFirst, length);
}

void MemoryDialog::CopySelection(int id) {
  const Control& control = controls[id];
  clipboard =
      control.text.substr(control.selectionFirst, control.selectionLast - control.selectionFirst);
}
