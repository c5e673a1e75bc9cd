// Templates (BIRs): building one from a finger and reading one back. The byte layout is
// documented in ovbioapi.h.
#pragma once
#include <windows.h>

#include <string>

#include "sha256.h"

struct FingerPrint {
    BYTE digest[kSha256Size];
};

FingerPrint FingerPrintOf(const std::string& fingerBytes);

// Writes the OVBIO_TEMPLATE_SIZE bytes of the template of `finger`.
void WriteTemplate(const FingerPrint& finger, BYTE* out);

// ERROR_SUCCESS and the finger of a valid template, else ERROR_INVALID_DATA.
DWORD ReadTemplate(const BYTE* bir, DWORD birSize, FingerPrint* finger);

bool SameFinger(const FingerPrint& a, const FingerPrint& b);

// The buffer half of the size-query contract: ERROR_INVALID_PARAMETER without a size,
// ERROR_INSUFFICIENT_BUFFER (setting the size needed) when too small, else ERROR_SUCCESS.
DWORD CheckTemplateBuffer(const BYTE* buffer, DWORD* inOutSize);
