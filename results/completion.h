// The end of a run in the progress dialog: the completion text (saying so plainly where the
// medium may not have answered the reads) or the report, the summary of the speeds, the "OK"
// button and the red bar for a run that found damage or failed; and the copy of the result box
// to the clipboard. User-interface thread.
#pragma once

#include "results/progress_dialog.h"

// Handles the worker's one WM_TEST_NOTIFY. A stopped run closes the dialog at once.
// Returns 0.
int OnTestNotify(ProgressDialogState& dialog);

// Appends the write and read speed lines of the passes that began, and the version line.
void AppendSummary(ProgressDialogState& dialog);

// Appends `text` to the result box, whatever its length.
void AppendResultText(ProgressDialogState& dialog, const wchar_t* text);

// Puts the result box's text on the clipboard, in any state of the run.
void OnCopyToClipboard(ProgressDialogState& dialog);
