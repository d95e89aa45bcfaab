// Resource identifiers of the program.
#pragma once

#define IDD_ABOUTBOX            100
#define IDS_ABOUTBOX            101
#define IDD_PYROLUX_DIALOG      102
#define IDR_MAINFRAME           128

// Main dialog.
#define IDC_CPU_TEXT            1000
#define IDC_CLOCK_TEXT          1001
#define IDC_USE_MMX             1006
#define IDC_USE_SSE             1007
#define IDC_START_STOP          1008
#define IDC_PROGRESS_PI         1010
#define IDC_PROGRESS_FIBONACCI  1011
#define IDC_PROGRESS_PRIME      1012
#define IDC_PROGRESS_CHIPSET_MEMORY 1013
#define IDC_PROGRESS_COMPLEX_MATRIX 1014
#define IDC_PROGRESS_CPU_CHIPSET    1015
#define IDC_ERROR_TEXT          1016

// About dialog.
#define IDC_WEB_LINK            1021
#define IDC_MAIL_LINK           1022

// System-menu command of the About entry.
#define IDM_ABOUTBOX            0x0010
