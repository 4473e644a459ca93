// The Win32 side of a sorting run: the drop, the processing state of the main sheet, the
// progress dialog and the taskbar button around the portable SortRunDriver.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include "sort/RunContext.h"

// The seams each run of the window is given with the settings and places: the real ones in the
// program; the window's tests put in their own, to hold workers back or to make the disk fail.
extern RunSeams WindowRunSeams;

// Every page's WM_DROPFILES handler. Takes over the drop handle on every path and releases it
// once; a drop during a run is ignored. Returns TRUE, the message's result.
BOOL StartSortRun(HDROP drop);
// Sets RunBusy, saves the settings, brings up the progress dialog and puts the sheet into its
// processing state. False when the run cannot start; the sheet is then untouched.
bool PrepareSortRun();
// Closes the progress dialog, restores the sheet's caption and input, clears RunBusy.
void FinishSortRun();
