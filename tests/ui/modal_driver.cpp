#include "tests/ui/modal_driver.h"

#include <QApplication>
#include <QTest>
#include <QTimer>

void WithModalDialog(const std::function<void()>& open,
                     const std::function<void(QDialog*)>& interact) {
  QWidget* before = QApplication::activeModalWidget();
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr || dialog == before || !dialog->isVisible()) return;
    poll.stop();
    interact(dialog);
  });
  poll.start(5);
  open();
  poll.stop();
}

bool WaitFor(const std::function<bool()>& done, int milliseconds) {
  return QTest::qWaitFor(done, milliseconds);
}
