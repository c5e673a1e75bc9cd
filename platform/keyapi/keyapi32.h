/* keyapi32.dll: the software key, a key that is a file.
 *
 * A key reader is a folder: every subfolder of the readers folder (registry
 * HKLM\SOFTWARE\Ostrel\KeyApi, value ReadersPath; default
 * "<common application data>\Ostrel\Key readers") is a reader named after the subfolder,
 * and every removable drive is a reader named "USB drive E:". The key in a reader is the
 * file "ostrel.key" in that folder or drive root: present means inserted.
 *
 * Text is ANSI. Calls are WINAPI. A call that fails returns FALSE, NULL or a negative
 * status and sets the Windows error (GetLastError); the errors are listed at the end.
 * All calls are safe from several threads; calls on one handle take turns.
 *
 * Connections. InitCard opens a connection to the key in a reader; the data calls need
 * one. On a key with a PIN they also need the PIN verified on that connection; a key
 * without a PIN needs no VerifyPIN (VerifyPIN("") still succeeds on it). Key information
 * (GetCardID, ReadLabel, GetApplicationInfo, the data sizes) needs the connection only.
 * CloseCard(h, 1) keeps the connection with its verified PIN: from then on, while the
 * same key (same card id) stays in the reader, every InitCard answers KEYAPI_UNCHANGED
 * (-5) without looking into the file, and the connection stays usable; writes to that
 * key (by any process) do not change this. CloseCard(h, 0), Disconnect, or the key
 * taken out or replaced by another key end the connection; InitCard on a connection that
 * was not kept starts a new one. Either way the next InitCard reports afresh.
 *
 * PIN and unblock code (PUK). A wrong PIN uses up one attempt, recorded in the key file
 * (taking the key out does not reset it); an empty PIN offered to a key with a PIN is
 * refused without using an attempt. No attempts left: the key is blocked; UnblockPIN
 * with the right PUK sets a new PIN and resets the attempts. Wrong PUKs use up PUK
 * attempts; when none are left (or the key has no PUK) a blocked key is finally blocked.
 * The key keeps neither PIN nor PUK, only salted PBKDF2 results; with a PIN its
 * application data is encrypted (AES-256, or Triple DES where Windows has no AES).
 *
 * Applications: 223 logon profiles, 227 biometric template, 231 NetWare block. They share
 * the key's capacity (32000 bytes unless made otherwise); 0 stands for the whole key.
 */
#ifndef KEYAPI32_H
#define KEYAPI32_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef void* KEYAPI_READER; /* an open reader; NULL: none */

/* InitCard statuses; a status above 0 is the number of PIN attempts left. */
#define KEYAPI_BLOCKED          0   /* PIN blocked; UnblockPIN can help */
#define KEYAPI_NO_KEY           (-1)
#define KEYAPI_NOT_FORMATTED    (-2)
#define KEYAPI_KEY_ERROR        (-3)  /* unreadable, truncated or damaged key file */
#define KEYAPI_UNCHANGED        (-5)  /* the connection kept by CloseCard(h, 1) goes on */
#define KEYAPI_READER_ERROR     (-6)  /* invalid handle, or the reader folder is gone */
#define KEYAPI_FINALLY_BLOCKED  (-7)  /* PIN blocked and no PUK attempt left */

#define KEYAPI_APP_WHOLE_KEY     0
#define KEYAPI_APP_LOGON         223
#define KEYAPI_APP_BIO_TEMPLATE  227
#define KEYAPI_APP_NETWARE       231

#define KEYAPI_READER_FOLDER     1   /* GetReaderType */
#define KEYAPI_READER_DRIVE      2
#define KEYAPI_CARD_SOFTWARE_KEY 1   /* GetCardType */

/* Readers ------------------------------------------------------------------------- */

/* Name of reader `index` (0, 1, ...): folder readers by name, then drives by letter.
 * Index 0 scans the readers again (a directory listing). NULL past the last. The text
 * stays valid until the library is unloaded. */
const char* WINAPI EnumReaders(int index);

/* Opens a reader by its EnumReaders name (case-insensitive). NULL with
 * SCARD_E_UNKNOWN_READER when there is no such reader. */
KEYAPI_READER WINAPI InitReader(const char* name);

/* Ends the connection and frees the handle. */
BOOL WINAPI CloseReader(KEYAPI_READER h);

/* TRUE once after the set of readers changed since the last call (the first call
 * compares with the readers when the library first looked). `reserved` is ignored. */
BOOL WINAPI AnyReadersChanges(int reserved);

/* Copies the reader's name; *len: buffer size in, characters without the 0 out
 * (SCARD_E_INSUFFICIENT_BUFFER with the needed size, 0 included, when too small). */
BOOL WINAPI GetReaderName(KEYAPI_READER h, char* name, DWORD* len);

/* KEYAPI_READER_FOLDER or KEYAPI_READER_DRIVE; 0 for an invalid handle. */
DWORD WINAPI GetReaderType(KEYAPI_READER h);

/* Key and connection -------------------------------------------------------------- */

/* Looks at the key and opens a connection for application `appId` (the data calls
 * without an application id use it): returns the attempts left (a key without PIN:
 * its maximum), or a KEYAPI_ status. A connection is opened for every status >= 0 and
 * for KEYAPI_NOT_FORMATTED and KEYAPI_FINALLY_BLOCKED; a kept connection goes on with
 * KEYAPI_UNCHANGED (its application becomes `appId`). An unchanged key costs a look at
 * the file's size, times and index, no read. */
int WINAPI InitCard(KEYAPI_READER h, DWORD appId);

/* mode 0 ends the connection; mode 1 ends the operation and keeps the connection. */
BOOL WINAPI CloseCard(KEYAPI_READER h, int mode);

/* all 1: ends every connection of this process; 0: only those kept by CloseCard(h, 1). */
BOOL WINAPI Disconnect(int all);

/* Makes the key in the reader (a new key file when the reader is empty or the key is
 * damaged) a formatted key with this label (up to 32 characters) and PIN ("" for
 * none): all data erased, id and capacity kept. The unblock code is the registry value
 * DefaultPUK under HKLM\SOFTWARE\Ostrel\KeyApi; without it the key has no PUK. Needs no
 * connection and no PIN; ends the connection. */
BOOL WINAPI FormatCard(KEYAPI_READER h, const char* label, const char* pin);

/* Makes the key blank (not formatted): everything but id and capacity erased. */
BOOL WINAPI UnformatCard(KEYAPI_READER h);

/* The key's 8-byte id; *len: buffer size in, 8 out. */
BOOL WINAPI GetCardID(KEYAPI_READER h, BYTE* buf, DWORD* len);

/* Always KEYAPI_CARD_SOFTWARE_KEY for a connected key; 0 on failure. */
int WINAPI GetCardType(KEYAPI_READER h);

/* Label into a buffer of 33 characters (up to 32 and the 0). */
BOOL WINAPI ReadLabel(KEYAPI_READER h, char* label);
/* Needs the PIN. */
BOOL WINAPI WriteLabel(KEYAPI_READER h, const char* label);

/* Bytes used by application `appId` (0: all applications) and bytes free on the key
 * (the same for every application: the capacity less what all of them use). */
BOOL WINAPI GetApplicationInfo(KEYAPI_READER h, DWORD appId, DWORD* used, DWORD* freeBytes);

/* Ids of the applications holding data, ascending; *count: room in, ids out
 * (SCARD_E_INSUFFICIENT_BUFFER with the needed count when too small; ids may be NULL). */
BOOL WINAPI EnumApplications(KEYAPI_READER h, DWORD* ids, DWORD* count);

/* `count` random bytes from CryptGenRandom; needs a valid handle only. */
BOOL WINAPI GetRandom(KEYAPI_READER h, BYTE* buf, DWORD count);

/* PIN ------------------------------------------------------------------------------ */

/* Checks the PIN on the connection (see above for counting). */
BOOL WINAPI VerifyPIN(KEYAPI_READER h, const char* pin);

/* Changes the PIN (oldPin "" on a key without PIN); newPin "" removes the PIN and
 * stores the data plain; a new PIN encrypts it under a new data key. A wrong oldPin
 * uses up an attempt. The connection is then verified with the new PIN. PINs: up to
 * 64 characters. */
BOOL WINAPI ChangePIN(KEYAPI_READER h, const char* oldPin, const char* newPin);

/* With the right PUK: sets newPin ("" for none), resets PIN and PUK attempts and keeps
 * the data. A wrong PUK uses up a PUK attempt. SCARD_E_UNSUPPORTED_FEATURE when the key
 * has no PUK, SCARD_W_CHV_BLOCKED when no PUK attempt is left. */
BOOL WINAPI UnblockPIN(KEYAPI_READER h, const char* puk, const char* newPin);

/* Application data --------------------------------------------------------------- */

/* Reads from `offset`: *len is the room in buf, the bytes read out (fewer at the end).
 * buf NULL: *len = the stored size (no PIN needed). An offset past the end fails. */
BOOL WINAPI ReadData(KEYAPI_READER h, DWORD offset, BYTE* buf, DWORD* len);
BOOL WINAPI ReadDataApp(KEYAPI_READER h, DWORD offset, BYTE* buf, DWORD* len, DWORD appId);
BOOL WINAPI ReadBIR(KEYAPI_READER h, DWORD offset, BYTE* buf, DWORD* len);

/* Writes *len bytes at `offset`, extending the data to offset + *len when it ends
 * before (a gap is zero-filled). SCARD_E_NO_MEMORY when that does not fit; nothing is
 * changed then. WriteBIR with data NULL: *len = the bytes free for a template. */
BOOL WINAPI WriteData(KEYAPI_READER h, DWORD offset, const BYTE* data, DWORD* len);
BOOL WINAPI WriteDataApp(KEYAPI_READER h, DWORD offset, const BYTE* data, DWORD* len, DWORD appId);
BOOL WINAPI WriteBIR(KEYAPI_READER h, DWORD offset, const BYTE* data, DWORD* len);

/* The stored size becomes exactly `size` (cut, or zero-filled); 0 deletes. */
BOOL WINAPI SetDataSize(KEYAPI_READER h, DWORD size);
BOOL WINAPI SetDataSizeApp(KEYAPI_READER h, DWORD size, DWORD appId);
BOOL WINAPI SetBIRSize(KEYAPI_READER h, DWORD size);

BOOL WINAPI DeleteData(KEYAPI_READER h);
BOOL WINAPI DeleteBIR(KEYAPI_READER h);

/* TRUE when the connection's application (IsDataExist) or `appId` holds data; FALSE
 * with SCARD_E_FILE_NOT_FOUND when it holds none. */
BOOL WINAPI IsDataExist(KEYAPI_READER h);
BOOL WINAPI IsDataExisting(KEYAPI_READER h, DWORD appId);

/* Card-issuer functions of hardware keys; a software key has no issuer key. Both fail
 * with ERROR_NOT_SUPPORTED. */
BOOL WINAPI ExternalAuth(KEYAPI_READER h, const BYTE* response, DWORD len);
BOOL WINAPI ChangeIssuerKey(KEYAPI_READER h, const BYTE* oldKey, const BYTE* newKey, DWORD len);

/* Errors:
 *   ERROR_INVALID_HANDLE         not an open reader handle (InitCard: KEYAPI_READER_ERROR)
 *   SCARD_E_UNKNOWN_READER       InitReader: no reader of that name
 *   SCARD_E_READER_UNAVAILABLE   the reader folder is gone
 *   SCARD_E_NO_SMARTCARD         no key in the reader
 *   ERROR_FILE_CORRUPT           the key file is damaged or truncated
 *   SCARD_E_NOT_READY            no connection (InitCard first)
 *   SCARD_W_REMOVED_CARD         the connected key was taken out or replaced by another
 *   SCARD_E_CARD_UNSUPPORTED     the key is not formatted
 *   SCARD_W_SECURITY_VIOLATION   the PIN was not verified on this connection
 *   SCARD_W_WRONG_CHV            wrong (or empty) PIN or PUK
 *   SCARD_W_CHV_BLOCKED          PIN blocked (UnblockPIN: no PUK attempt left)
 *   SCARD_E_NO_MEMORY            the data does not fit on the key
 *   SCARD_E_INVALID_PARAMETER    NULL pointer, unknown application, offset past the end,
 *                                label or PIN too long
 *   SCARD_E_INSUFFICIENT_BUFFER  buffer too small
 *   ERROR_TIMEOUT                another process kept the key locked for 15 s
 *   NTE_... and file errors      from CryptoAPI and the file system, passed on */

#ifdef __cplusplus
}
#endif

#endif /* KEYAPI32_H */
