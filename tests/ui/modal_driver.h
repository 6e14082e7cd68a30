// Driving a dialog that runs modally: `open` is called and does not return until the dialog it
// opens has closed; `interact` runs with that dialog once it is shown, and must close it.
#pragma once

#include <QDialog>
#include <functional>

void WithModalDialog(const std::function<void()>& open,
                     const std::function<void(QDialog*)>& interact);

// Processes events until `done` holds or `milliseconds` pass; returns whether it holds.
bool WaitFor(const std::function<bool()>& done, int milliseconds = 120000);
