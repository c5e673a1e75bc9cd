// Postlog: started by Windows in the new session after a key logon; runs the user's
// logon script and ends after half a minute. Takes no arguments.
#include <windows.h>

#include "lang.h"
#include "log.h"
#include "logon_script.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    g_shortLog.Start("Postlog", instance);
    g_lang.Load("ovl", instance);
    return RunPostlog();
}
