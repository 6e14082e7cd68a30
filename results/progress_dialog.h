// The progress dialog as the result code sees it: its controls and the three fields that the
// rendering of a run and its completion share with the dialog. Owned by the dialog.
// User-interface thread.
#pragma once

#include "platform/dialog_controls.h"

struct ProgressDialogState {
  explicit ProgressDialogState(DialogControls& controls) : controls(controls) {}

  DialogControls& controls;
  unsigned timerId = 0;      // the once-a-second timer of the running display
  bool reportShown = false;  // the result box holds a report or an error text (light red)
  bool finished = false;     // the run's notification has arrived
};
