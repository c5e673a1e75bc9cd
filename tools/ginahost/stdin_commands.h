// Reads commands from standard input on a thread of its own and posts them to the host,
// so a person can type while the GINA's dialogs are up. End of input tells the host to quit.
#pragma once

class CWinlogonHost;

void StartReadingStandardInput(CWinlogonHost& host);
