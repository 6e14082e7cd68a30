#include "ui/kestrum_app.h"

#include <QApplication>
#include <QStyleFactory>

#include "ui/main_dialog.h"

bool CKestrumApp::InitInstance() {
  // One look on every desktop: the progress bar's error colour comes from the palette.
  QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
  CKestrumDlg dialog;
  dialog.DoModal();
  return false;
}
