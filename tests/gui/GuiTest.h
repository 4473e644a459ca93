// What the GUI tests share with the driver's main.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

// The page the sheet showed first.
extern int StartPageIndex;

// Edits made just before the sheet closes; AfterClose checks that the exit saved them.
void PrepareForClose();

namespace gui {
enum PageIndex { kDescription = 0, kSort = 1, kJudgment = 2, kDestination = 3, kOther = 4 };
}
