// The base of the desktop dialogs: builds a dialog's widgets from its template (positions in
// dialog units, converted with the dialog font's metrics), reaches them by control id, and
// gives the dialogs what they use of a window system: commands from buttons, timers, messages
// posted from another thread, modal running and ending. User-interface thread, but Post.
#pragma once

#include <QDialog>
#include <map>

#include "platform/dialog_controls.h"
#include "platform/notify.h"
#include "resources/dialog_templates.h"

class QButtonGroup;
class QTimer;

class DialogBase : public QDialog, public DialogControls, public NotifyTarget {
 public:
  DialogBase(const DialogTemplate& dialogTemplate, QWidget* parent);

  // Initialises the dialog, then runs it modally until EndDialog. Returns EndDialog's result.
  int DoModal();

  QWidget* Control(int id) const;  // null for an id the dialog does not have
  void SetCaption(const wchar_t* text);

  // DialogControls.
  void SetText(int id, const wchar_t* text) override;
  std::wstring GetText(int id) override;
  void Enable(int id, bool enabled) override;
  bool IsChecked(int id) override;
  void SetCheck(int id, bool checked) override;
  void SetProgressPosition(int id, int position) override;
  void SetProgressState(int id, ProgressState state) override;
  void SelectText(int id, int first, int last) override;
  void ScrollCaretIntoView(int id) override;
  void CopySelection(int id) override;
  void EndDialog(int result) override;
  void KillTimer(unsigned timerId) override;

  // Starts (or restarts) timer `timerId`, which calls OnTimer every `milliseconds`. Returns
  // the id.
  unsigned SetTimer(unsigned timerId, int milliseconds);

  // NotifyTarget: queues `message` for OnMessage on the dialog's thread. Any thread.
  void Post(unsigned message) override;

  // Pixels of a length in dialog units, across and down.
  int DialogUnitsToPixelsX(int units) const;
  int DialogUnitsToPixelsY(int units) const;

 protected:
  virtual void OnInitDialog() {}
  virtual void OnClicked(int /*id*/) {}
  virtual void OnTextChanged(int /*id*/) {}
  virtual void OnTimer(unsigned /*timerId*/) {}
  virtual void OnMessage(unsigned /*message*/) {}
  // The OK command (Enter where no button takes it) and the cancel command (Escape, the
  // window's close button, a button with the id IDCANCEL). Both end the dialog unless a
  // dialog decides otherwise.
  virtual void OnOK() { EndDialog(IDOK_RESULT); }
  virtual void OnCancel() { EndDialog(IDCANCEL_RESULT); }

  void reject() override { OnCancel(); }
  void keyPressEvent(QKeyEvent* event) override;
  void customEvent(QEvent* event) override;

  static constexpr int IDOK_RESULT = 1;
  static constexpr int IDCANCEL_RESULT = 2;

 private:
  void CreateControl(const ControlTemplate& control, QButtonGroup*& radioGroup);

  std::map<int, QWidget*> controls_;
  std::map<unsigned, QTimer*> timers_;
  QWidget* firstTabStop_ = nullptr;
  int unitX_ = 1;  // average character width of the dialog font, in pixels
  int unitY_ = 1;  // character height of the dialog font, in pixels
  bool ended_ = false;
};
