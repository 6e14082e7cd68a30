// The About box: the application's icon, its name and version, and OK.
#pragma once

#include "ui/dialog_base.h"

class CAboutDlg : public DialogBase {
 public:
  explicit CAboutDlg(QWidget* parent);
};
