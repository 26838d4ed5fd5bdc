// Resource ids of the setup program.
#pragma once

#define IDD_SHORTCUT_WAIT 1029   // the invisible wait of the program runner
