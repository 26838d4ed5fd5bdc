// Resource ids of the setup program.
#pragma once

#define IDI_OSPRIN "Osprin"       // the program's icon, by name

#define IDD_LOCATE_SOURCE 1015    // where the installation source is
#define IDD_SHORTCUT_WAIT 1029    // the invisible wait of the program runner
#define IDD_DISK_CHANGE 1030      // insert setup disk N

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
#define IDS_MODEL_LABEL 2027
