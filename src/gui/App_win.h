// The Win32 application shell: entry, the main property sheet, its pages and the About box.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>

#include "settings/Settings.h"

// The program's own module, for its dialog templates and icons.
extern HINSTANCE InstanceHandle;
// The main sheet while it exists, else null; owner of every message box. Read by the run's
// driver thread, hence atomic.
extern std::atomic<HWND> MainSheetWindow;
// The About box is showing.
extern bool AboutBoxOpen;
// Message boxes owned by the sheet, for the settings operations.
extern UserPrompt SheetPrompt;

// Entry steps after the instance handle: settings, common controls, the sheet, the final save.
// Returns the exit code.
int RunApplication(HINSTANCE instance);
// Builds the five pages and runs the sheet modally; returns when the user closes it.
void RunMainSheet();
int CALLBACK MainSheetCallback(HWND sheet, UINT message, LPARAM lp);

INT_PTR CALLBACK DescriptionPageProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp);
INT_PTR CALLBACK SortPageProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp);
INT_PTR CALLBACK JudgmentPageProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp);
INT_PTR CALLBACK DestinationPageProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp);
INT_PTR CALLBACK OtherPageProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp);
INT_PTR CALLBACK AboutBoxProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp);

// Show the record again; null means the window remembered at the page's first fill.
void RefreshSortPage(HWND page);
void RefreshJudgmentPage(HWND page);
void RefreshDestinationPage(HWND page);

// Opens Readme.txt beside the executable with the shell.
void OpenReadme();

// The platform's folder browser, starting on `current`. True when the user chose a folder with
// a file-system path, which is then in `chosen` (UTF-8).
bool BrowseForFolder(const std::string& current, std::string& chosen, const std::string& prompt);

// A message box with the caption "Pallidor", owned by MainSheetWindow.
int ShowMessage(const std::string& text, UINT type);
