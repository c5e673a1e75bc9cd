// Resource ids of the GINA's own templates and bitmaps.
#pragma once

#define IDD_BRIEF_WAIT   103
#define IDC_WAIT_TEXT    1001
#define IDB_LOGO         5006
