// Identifiers of the program's resources and of the controls in its dialog templates.
#pragma once

// Icons
#define IDI_APP 101    // 256 x 256: the sheet, the progress dialog
#define IDI_ABOUT 102  // 128 x 128: the picture in the About box

// Dialog templates
#define IDD_ABOUT 300
#define IDD_PROGRESS 301
#define IDD_DESCRIPTION 400
#define IDD_SORT 401
#define IDD_JUDGMENT 402
#define IDD_DESTINATION 403
#define IDD_OTHER 404

// About box
#define IDC_LINK 1000

// Progress dialog
#define IDC_PROGRESS_TEXT 1001
#define IDC_PROGRESS_BAR 1002
#define IDC_ABORT 1003

// Sort page
#define IDC_THREAD_NUM 2000
#define IDC_THREAD_NUM_SPIN 2001
#define IDC_SUBDIRS_TOO 2002

// Judgment page
#define IDC_ALL_PIXEL 3000
#define IDC_PIXEL_COUNT 3001
#define IDC_PIXEL_COUNT_SPIN 3002
#define IDC_ONLY_GRAYSCALE 3003
#define IDC_THRESHOLD_GS 3004
#define IDC_THRESHOLD_GS_SPIN 3005
#define IDC_NOISE_LIMIT_GS 3006
#define IDC_NOISE_LIMIT_GS_SPIN 3007
#define IDC_THRESHOLD_MONO 3008
#define IDC_THRESHOLD_MONO_SPIN 3009
#define IDC_ERROR_LIMIT_MONO 3010
#define IDC_ERROR_LIMIT_MONO_SPIN 3011
#define IDC_PERCEPTUAL 3012

// Destination page
#define IDC_DST_SUBDIR 4000
#define IDC_DST_DIR_MONO 4001
#define IDC_BROWSE_MONO 4002
#define IDC_DST_DIR_COLOR 4003
#define IDC_BROWSE_COLOR 4004

// Other page
#define IDC_OPEN_README 5000
#define IDC_ABOUT 5001
#define IDC_RESET 5002

