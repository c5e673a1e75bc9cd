// Resource ids of the GINA's own templates and bitmaps.
#pragma once

// "Please wait ...": the brief wait before a key-removal lock or log-off, and the
// status-message window.
#define IDD_PLEASE_WAIT  103
#define IDC_WAIT_TEXT    1007
#define IDC_WAIT_STRIP   1031
#define IDC_WAIT_LOGO    1032
#define IDB_LOGO         5006
