// The export's save-file dialog goes through ShowSaveFileDialog, so that a
// test can answer it instead of leaving a modal window open, as it does
// with message boxes.
#pragma once

#include <windows.h>

#include <commdlg.h>

#include <functional>

// Answers the dialog: fills the file buffer and returns TRUE, or returns
// FALSE as a cancelled dialog does.
using SaveFileDialogHandler = std::function<BOOL(OPENFILENAMEW& dialog)>;

BOOL ShowSaveFileDialog(OPENFILENAMEW& dialog);
// Replaces the platform dialog; an empty handler restores it.
void SetSaveFileDialogHandler(SaveFileDialogHandler handler);
