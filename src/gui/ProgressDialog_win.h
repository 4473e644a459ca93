// The progress dialog of a sorting run, modal without owner on a thread of its own.
#pragma once

#include <windows.h>

#include <atomic>

#include "sort/SortHost.h"

// The dialog while it is up; null once it has handled WM_CLOSE, and whenever there is none.
// Non-null means its controls are ready.
extern std::atomic<HWND> ProgressWindow;
extern HWND ProgressText;
extern HWND ProgressBar;

// Starts the dialog's thread; false when the thread cannot be created.
bool StartProgressDialog();
// Tells a dialog that comes up only after the wait for it was given up to close itself at once,
// so no window is left without anyone to close it.
void AbandonProgressDialog();

// The taskbar button's progress on the driver thread: begun when the list is complete, ended
// after the last worker.
void BeginTaskbarProgress();
void EndTaskbarProgress();

// Caption, progress text and taskbar value for one update. Driver thread only.
void ShowProgress(const ProgressDisplay& progress);
