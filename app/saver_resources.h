// Resource numbers shared by the screen saver's resource script and its code.
#pragma once

// Windows lists a screen saver under its string 1.
#define IDS_SAVER_NAME 1
#define IDD_SAVER_SETTINGS 2001
#define IDC_SAVER_MUSIC 2002
// Empty unless the scene's files were not found: then it says so.
#define IDC_SAVER_STATUS 2003
// The frame rate: a drop-down list of the rates savedFrameRate takes.
#define IDC_SAVER_FRAME_RATE 2004
// The stamp of the default data the saver carries; its files follow, each a string (its name) and an RCDATA of the
// same number (cmake/windows_data_lists.cmake).
#define IDS_SAVER_DATA_STAMP 3000
