/*
 * account_dialogs.h - ids of the logon side's account templates (account_dialogs.rc):
 * the profile choice and the "Available Domains" wait.
 * Only #define lines and comments here: included from C++ and from windres.
 */
#pragma once

#define IDD_AVAILABLE_DOMAINS  102
#define IDD_PROFILE_CHOICE     110
#define IDC_ACCOUNT_TEXT       1007  /* the status line of both */
#define IDC_PROFILE_LIST       1020
#define IDC_DOMAIN_BOX         1015  /* the logon window's domain box, filled by the domain walk */
