// The progress dialog: prepares a run when it opens, starts the worker and shows the run once a
// second; its Stop button asks the worker to stop and, once the run is over, reads "OK" and
// closes the dialog. It closes only after the worker's notification, and joins the worker
// before it goes away, so no run outlives it. User-interface thread.
#pragma once

#include "engine/test_run.h"
#include "results/progress_dialog.h"
#include "ui/dialog_base.h"

class CProgressDialog : public DialogBase {
 public:
  explicit CProgressDialog(QWidget* parent);
  ~CProgressDialog() override;

  const ProgressDialogState& state() const { return state_; }

  // The result box's text background turns light red once it shows a report or an error.
  void SetText(int id, const wchar_t* text) override;

 protected:
  void OnInitDialog() override;
  void OnClicked(int id) override;
  void OnTimer(unsigned timerId) override;
  void OnMessage(unsigned message) override;
  void OnOK() override;
  void OnCancel() override;

 private:
  ProgressDialogState state_{*this};
  TestWorker worker_;
};
