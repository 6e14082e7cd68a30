// The main dialog: the target directory, the amount of data and the options of a test, the
// language of every text, and the two start buttons. The program lives as long as it does.
// The About item sits in the dialog's context menu. User-interface thread.
#pragma once

#include "target/start_test.h"
#include "ui/dialog_base.h"

class CKestrumDlg : public DialogBase, public StartTestHost {
 public:
  CKestrumDlg();

  // StartTestHost.
  void ShowMessage(const wchar_t* text, MessageKind kind) override;
  void RunProgressDialog() override;

 protected:
  void OnInitDialog() override;
  void OnClicked(int id) override;
  void OnTextChanged(int id) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  void ChooseFolder();
  void SwitchLanguage(int language);
};
