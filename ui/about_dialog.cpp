#include "ui/about_dialog.h"

CAboutDlg::CAboutDlg(QWidget* parent) : DialogBase(kAboutDialogTemplate, parent) {}
