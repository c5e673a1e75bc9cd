/*
 * key_dialogs.h - ids of the key library's templates (key_dialogs.rc), which every
 * deliverable that uses keys carries in its own resources.
 * Only #define lines and comments here: included from C++ and from windres.
 */
#pragma once

#define IDD_KEY_DISPATCH      113   /* the dispatch thread's hidden window */
#define IDD_KEY_PROCESSING    5150  /* "Processing the Key . . ." while a worker reads the key */
#define IDC_PROCESSING_TEXT   110
#define IDC_PROCESSING_KEY    111
#define IDB_KEY_PICTURE       5151
