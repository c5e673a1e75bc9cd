#include "gina_context.h"

HINSTANCE g_hInstance;
HANDLE g_hWlx;
PWLX_DISPATCH_VERSION_1_0 g_pWinlogon;
DWORD g_dwWlxVersion;
WCHAR g_szComputerName[50];
Glb* g_pGlb;
CHandleHolder LogoBitmap;
CSmartKey_WndDisp g_SmartKey;
int g_logonAttempts;

const WCHAR kGinaLogName[] = L"ov_ln1";
