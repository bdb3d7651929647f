// Resource numbers shared by the screen saver's resource script and its code.
#pragma once

// Windows lists a screen saver under its string 1.
#define IDS_SAVER_NAME 1
#define IDD_SAVER_SETTINGS 2001
#define IDC_SAVER_MUSIC 2002
