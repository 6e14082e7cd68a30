// The main dialog's view of the target: the path label, the all-space caption with the free
// space, the test-file status line, and which kind of test may start: writing only into a
// directory free of test files, verifying only a complete set. The only place where those
// enabled states are decided. A target that cannot be reached, whose test-file names would not
// fit, or that now lies on another medium than the one chosen offers no test.
// User-interface thread, never during a run.
#pragma once

#include "platform/dialog_controls.h"

void RefreshTargetStatus(DialogControls& dialog);
