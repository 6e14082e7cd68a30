// The controls of one dialog, reached by their ids: what the code that fills a dialog needs of
// the window system. The desktop dialogs implement it, and tests use an in-memory fake.
// User-interface thread only.
#pragma once

#include <string>

enum class ProgressState { kNormal, kError };  // the error state draws the bar in red

class DialogControls {
 public:
  virtual ~DialogControls() = default;

  virtual void SetText(int id, const wchar_t* text) = 0;
  virtual std::wstring GetText(int id) = 0;
  virtual void Enable(int id, bool enabled) = 0;
  virtual bool IsChecked(int id) = 0;
  virtual void SetCheck(int id, bool checked) = 0;

  // Progress bars: the position within the bar's range, and its state.
  virtual void SetProgressPosition(int id, int position) = 0;
  virtual void SetProgressState(int id, ProgressState state) = 0;

  // Text boxes: select the characters from `first` up to `last` (cut at the text's end), bring
  // the caret into view, and put the selection on the clipboard.
  virtual void SelectText(int id, int first, int last) = 0;
  virtual void ScrollCaretIntoView(int id) = 0;
  virtual void CopySelection(int id) = 0;

  // Makes the modal dialog close, with `result`, once the current event has been handled.
  virtual void EndDialog(int result) = 0;
  virtual void KillTimer(unsigned timerId) = 0;
};
