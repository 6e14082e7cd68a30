// Kestrum's desktop program: the main dialog and everything it starts.
#include <QApplication>

#include "ui/kestrum_app.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  CKestrumApp app;
  app.InitInstance();
  return 0;
}
