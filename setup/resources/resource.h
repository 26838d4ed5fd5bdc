// Resource ids of the setup program.
#pragma once

#define IDI_OSPRIN "Osprin"       // the program's icon, by name

#define IDD_PREPARING 101         // "セットアップの準備をしています..." with its progress bar
#define IDD_DETAILS 105           // details of a component with children
#define IDD_PRODUCT_CHOICE 106    // "プロダクトの選択"
#define IDD_ABOUT 108             // the about box (command 301)
#define IDD_PAGE_MODEL 112
#define IDD_PAGE_STANDARD 113
#define IDD_PAGE_CUSTOM 114
#define IDD_PAGE_PROGRESS 115
#define IDD_PAGE_FINISH 116
#define IDD_PAGE_CONFIRM 117
#define IDD_PAGE_NICKNAME 118
#define IDD_PAGE_WELCOME 111
#define IDD_LOCATE_SOURCE 1015    // where the installation source is
#define IDD_SHORTCUT_WAIT 1029    // the invisible wait of the program runner
#define IDD_DISK_CHANGE 1030      // insert setup disk N

#define IDM_ABOUT 301             // main window command: the about box

// Controls of the shell's dialogs.
#define IDC_PRODUCT_LIST 1006     // product choice: the sorted captions
#define IDC_PREPARING_BAR 1034    // preparing dialog: where the progress bar goes

// Bitmaps: 401 the side panel; 402 to 405 the check pictures (selected,
// partly selected, not selected, not available); 400 and 406 the wizard's others.
#define IDB_400 400
#define IDB_SIDE_PANEL 401
#define IDB_CHECK_ON 402
#define IDB_CHECK_PARTLY 403
#define IDB_CHECK_OFF 404
#define IDB_CHECK_UNAVAILABLE 405
#define IDB_406 406

// Controls of the source dialogs.
#define IDC_BROWSE 1014           // locate source: "参照(&B)..."
#define IDC_SOURCE_EDIT 1018      // both: the drive or directory
#define IDC_LOCATE_PROMPT 1030    // locate source: the prompt
#define IDC_DISK_ABORT 1031       // disk change: "中止(&C)"
#define IDC_DISK_PROMPT 1032      // disk change: the prompt
#define IDC_OPEN_FILE_NAME 1152   // the file name field of the platform's file-open dialog

// Texts (string table).
#define IDS_INF_FILTER 2000
#define IDS_PICK_INF 2001
#define IDS_NO_PATH 2002
#define IDS_PATH_NOT_FOUND 2003
#define IDS_WELCOME 2005
#define IDS_INF_INIT_FAILED 2006
#define IDS_LIST_FAILED 2007
#define IDS_NO_STANDARD_FILE 2008
#define IDS_DIALOG_FAILED 2009
#define IDS_LOAD_INF_MISSING 2010
#define IDS_CANNOT_OVERWRITE 2012
#define IDS_RESTART_QUESTION 2013
#define IDS_SOURCE_MISSING 2014
#define IDS_NO_SETUP_INF 2015
#define IDS_LAYOUT_MISSING 2016
#define IDS_UPDATING_SHORTCUTS 2017
#define IDS_INF_OPEN_FAILED 2019
#define IDS_PICK_NAMED_INF 2020
#define IDS_LOCATE_NAMED_INF 2021
#define IDS_INSERT_DISK 2022
#define IDS_MACHINE_INF 2024
#define IDS_SECTION_MACHINENAMES 2025
#define IDS_MODEL_LABEL 2027
#define IDS_SECTION_MACHINEMODELS 2028
#define IDS_SECTION_TOSKA 2029
#define IDS_SECTION_BRENA 2030
#define IDS_SECTION_BRENB 2031
#define IDS_SECTION_BRENX 2032
#define IDS_SECTION_KWILT 2033
#define IDS_SECTION_DORSA 2034
#define IDS_SECTION_GELMO 2035
#define IDS_SECTION_PIRKA 2036
#define IDS_SECTION_SOVIN 2037
