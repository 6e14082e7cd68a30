// A dialog held in memory: every control that is touched comes into being with an empty text,
// enabled and unchecked, and keeps what was done to it. The terminal front end fills its
// "dialogs" this way, and tests look into them. One thread.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/dialog_controls.h"

class MemoryDialog : public DialogControls {
 public:
  struct Control {
    std::wstring text;
    bool enabled = true;
    bool checked = false;
    int progressPosition = 0;
    ProgressState progressState = ProgressState::kNormal;
    int selectionFirst = 0;
    int selectionLast = 0;
  };

  void SetText(int id, const wchar_t* text) override { controls[id].text = text; }
  std::wstring GetText(int id) override { return controls[id].text; }
  void Enable(int id, bool enabled) override { controls[id].enabled = enabled; }
  bool IsChecked(int id) override { return controls[id].checked; }
  void SetCheck(int id, bool checked) override { controls[id].checked = checked; }
  void SetProgressPosition(int id, int position) override {
    controls[id].progressPosition = position;
  }
  void SetProgressState(int id, ProgressState state) override {
    controls[id].progressState = state;
  }
  void SelectText(int id, int first, int last) override;
  void ScrollCaretIntoView(int) override {}
  void CopySelection(int id) override;
  void EndDialog(int result) override { endedWith.push_back(result); }
  void KillTimer(unsigned timerId) override { killedTimers.push_back(timerId); }

  std::map<int, Control> controls;
  std::vector<int> endedWith;  // every EndDialog result, in order
  std::vector<unsigned> killedTimers;
  std::wstring clipboard;  // what CopySelection copied
};
