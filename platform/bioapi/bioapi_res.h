// Resource ids of OVBioAPI.dll's dialogs (tests drive the dialogs by these ids).
#pragma once

#define IDD_CAPTURE          101
#define IDD_ENROL_CHOICE     102

#define IDC_CAPTURE_PROMPT   1001
#define IDC_PRESENT_FINGER   1002
#define IDC_CHOICE_PROMPT    1003
#define IDC_CHOICE_ENROL     1004
#define IDC_CHOICE_REMOVE    1005
