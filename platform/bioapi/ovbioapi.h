// OVBioAPI.dll: fingerprint capture, enrolment and verification for BIO IDs on a key.
// This build drives a simulated sensor configured in the registry (see "Simulated
// sensor" below); callers cannot tell it from a real one.
//
// Every function returns TRUE on success. On FALSE, GetLastError() tells why:
//   ERROR_CANCELLED          the user cancelled a dialog (or the simulated person did)
//   OVBIO_ERROR_NO_MATCH     the finger does not match the template (= ERROR_ACCESS_DENIED)
//   ERROR_INVALID_DATA       a template is not a valid OVBioAPI template (format below)
//   ERROR_INSUFFICIENT_BUFFER the buffer is too small; *inOutSize then holds the size needed
//   ERROR_INVALID_PARAMETER  a required pointer is NULL
//   ERROR_TIMEOUT            no finger was placed on the sensor in time
//   ERROR_NOT_READY          the sensor has no finger configured (or its file is unreadable)
//   ERROR_BAD_CONFIGURATION  the sensor settings hold an unknown Action or Choice
//   ERROR_BAD_UNIT           BioInitReader: no reader of that name
//   ERROR_INVALID_HANDLE     a reader handle that is not open
// A size query (NULL buffer) succeeds and sets *inOutSize to the size needed.
// All calls are synchronous; the _GUI calls run a modal dialog on the calling thread.
//
// Template (BIR) format, OVBIO_TEMPLATE_SIZE bytes, integers little-endian:
//   offset  size  content
//        0     4  magic "OVBT"
//        4     4  format version, 1
//        8     4  total size, OVBIO_TEMPLATE_SIZE
//       12    32  SHA-256 of the finger bytes
//       44     4  check: the first 4 bytes of SHA-256 over bytes 0..43
//       48   464  zero
// A template of another size, or failing any of these, is ERROR_INVALID_DATA. Callers
// treat templates as opaque bytes of the size the enrolment reported.
//
// Simulated sensor: values under HKCU\Software\Ostrel\BioSim, or, when that key does not
// exist, HKLM\Software\Ostrel\BioSim (a GINA runs as SYSTEM, whose HKCU is not a user's):
//   Finger      REG_SZ or REG_BINARY: the bytes of the finger presented (REG_SZ: the
//               ANSI text without its terminating zero)
//   FingerFile  REG_SZ: a file whose bytes are the finger (used when Finger is absent or empty)
//   Action      REG_SZ: what the person at the sensor does
//                 present  (default) the finger arrives after DelayMs
//                 nofinger no finger arrives: the capture fails after DelayMs (ERROR_TIMEOUT)
//                 cancel   the person presses Cancel after DelayMs (ERROR_CANCELLED)
//                 wait     dialogs wait for a person: "Present finger" reads the sensor,
//                          Cancel cancels; calls without a dialog behave as for "present"
//   DelayMs     REG_DWORD or decimal REG_SZ, 0..60000, default 400: how long the prompt
//               shows before the simulated person acts
//   Choice      REG_SZ "enrol" (default) or "remove": the simulated answer of the enrolment
//               choice (BioGetBIR_GUI size query); "remove" applies only when offered
// Finger and FingerFile are read when the finger is captured, the others when a call starts.
#pragma once
#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

#define OVBIO_TEMPLATE_SIZE 512
#define OVBIO_ERROR_NO_MATCH ERROR_ACCESS_DENIED

// BioGetBIR_GUI `flags`: the key already carries a BIO ID, so the user may remove it.
#define OVBIO_FLAG_TEMPLATE_EXISTS 1

DECLARE_HANDLE(HBIOREADER);

// --- Dialog calls used by the product ---

// Verifies the finger on the sensor against `bir`. Shows "Place your finger on the
// sensor..." until the finger is read; TRUE when it matches.
// resourceModule: when not NULL and it carries string IDS_VERIFY_BIO_ID of the product's
// string table, that text is the dialog caption; all other texts are this DLL's English.
// reserved1, reserved2: pass 0.
BOOL WINAPI BioVerifyBIR_GUI(HMODULE resourceModule, HWND owner, const BYTE* bir, DWORD birSize,
                             DWORD reserved1, DWORD reserved2);

// Enrolment, in two calls.
// buffer NULL: asks the user what to do - enrol a new BIO ID, or (only when flags has
//   OVBIO_FLAG_TEMPLATE_EXISTS) remove the one on the key - and sets *inOutSize to the
//   size of the template to be enrolled, or to 0 when the user chose to remove.
// buffer given: captures the finger into a template. If *inOutSize is smaller than the
//   template, fails with ERROR_INSUFFICIENT_BUFFER before any dialog and sets the size
//   needed; on success *inOutSize is the template size.
// resourceModule is not used for these dialogs.
BOOL WINAPI BioGetBIR_GUI(HMODULE resourceModule, HWND owner, BYTE* buffer, DWORD* inOutSize, DWORD flags);

// --- Further calls (bound by the product, not called) ---

// Captures the finger with the capture dialog into a template; buffer rules as BioGetBIR_GUI
// (a NULL buffer only asks the size). resourceModule is not used.
BOOL WINAPI BioCaptureBIR_GUI(HMODULE resourceModule, HWND owner, BYTE* buffer, DWORD* inOutSize);

// Reader names as a list of zero-terminated ANSI strings ending with an empty one.
// names NULL: size query; *inOutSize counts bytes.
BOOL WINAPI BioEnumReaders(LPSTR names, DWORD* inOutSize);
// Opens a reader by name; NULL or "" opens the first one.
BOOL WINAPI BioInitReader(LPCSTR readerName, HBIOREADER* reader);
BOOL WINAPI BioCloseReader(HBIOREADER reader);

// Without a dialog: capture from an open reader into a template (buffer rules as above),
// and verify the finger on an open reader against a template.
BOOL WINAPI BioCaptureBIR(HBIOREADER reader, BYTE* buffer, DWORD* inOutSize);
BOOL WINAPI BioVerifyBIR(HBIOREADER reader, const BYTE* bir, DWORD birSize);
// Enrolment without a dialog from the first reader (buffer rules as above).
BOOL WINAPI BioGetBIR(BYTE* buffer, DWORD* inOutSize);

// TRUE when both templates are valid and of the same finger; no sensor involved.
BOOL WINAPI BioCompareBIRS(const BYTE* bir1, DWORD bir1Size, const BYTE* bir2, DWORD bir2Size);

typedef BOOL(WINAPI* PFN_BioVerifyBIR_GUI)(HMODULE, HWND, const BYTE*, DWORD, DWORD, DWORD);
typedef BOOL(WINAPI* PFN_BioGetBIR_GUI)(HMODULE, HWND, BYTE*, DWORD*, DWORD);
typedef BOOL(WINAPI* PFN_BioCaptureBIR_GUI)(HMODULE, HWND, BYTE*, DWORD*);
typedef BOOL(WINAPI* PFN_BioEnumReaders)(LPSTR, DWORD*);
typedef BOOL(WINAPI* PFN_BioInitReader)(LPCSTR, HBIOREADER*);
typedef BOOL(WINAPI* PFN_BioCloseReader)(HBIOREADER);
typedef BOOL(WINAPI* PFN_BioCaptureBIR)(HBIOREADER, BYTE*, DWORD*);
typedef BOOL(WINAPI* PFN_BioVerifyBIR)(HBIOREADER, const BYTE*, DWORD);
typedef BOOL(WINAPI* PFN_BioGetBIR)(BYTE*, DWORD*);
typedef BOOL(WINAPI* PFN_BioCompareBIRS)(const BYTE*, DWORD, const BYTE*, DWORD);

#ifdef __cplusplus
}
#endif
