// Resource identifiers, shared by the resource script and the code. Plain #defines only:
// windres reads this file too.
#ifndef QUORVANE_RESOURCE_IDS_H
#define QUORVANE_RESOURCE_IDS_H

// Icons
#define IDI_SAVER 100

// Bitmaps: portraits 1-4 (captioned), group picture 5
#define IDB_PORTRAIT_FIRST 1
#define IDB_GROUP 5
#define PICTURE_COUNT 5

// Songs, custom type "MIDI"
#define IDR_SONG_1 130
#define IDR_SONG_2 131

// Strings
#define IDS_DESCRIPTION 1
#define IDS_SETTINGS_FILE 1001
#define IDS_SETTINGS_SECTION 1007
#define IDS_SAVE_FAILED 1101

// Dialogs and their controls
#define IDD_CONFIGURE 2003
#define IDC_TIME_TO 1008
#define IDC_TIME_TO_SPIN 1009
#define IDC_TIME_FROM 1010
#define IDC_TIME_FROM_SPIN 1011
#define IDC_QUIET_ENABLED 1012

#endif
