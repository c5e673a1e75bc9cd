#include "bio_template.h"

#include <string.h>

#include "ovbioapi.h"

namespace {
const BYTE kMagic[4] = {'O', 'V', 'B', 'T'};
const DWORD kFormatVersion = 1;
const DWORD kVersionOffset = 4, kSizeOffset = 8, kDigestOffset = 12, kCheckOffset = 44, kHeaderEnd = 48;

void PutDword(BYTE* at, DWORD value)
{
    for (int i = 0; i < 4; ++i) at[i] = BYTE(value >> (8 * i));
}

DWORD GetDword(const BYTE* at) { return DWORD(at[0]) | DWORD(at[1]) << 8 | DWORD(at[2]) << 16 | DWORD(at[3]) << 24; }

// Guards the header and digest, so a damaged template is told apart from another finger.
void ComputeCheck(const BYTE* bir, BYTE check[4])
{
    BYTE digest[kSha256Size];
    Sha256Digest(bir, kCheckOffset, digest);
    memcpy(check, digest, 4);
}
}  // namespace

FingerPrint FingerPrintOf(const std::string& fingerBytes)
{
    FingerPrint print;
    Sha256Digest(fingerBytes.data(), fingerBytes.size(), print.digest);
    return print;
}

void WriteTemplate(const FingerPrint& finger, BYTE* out)
{
    memset(out, 0, OVBIO_TEMPLATE_SIZE);
    memcpy(out, kMagic, sizeof kMagic);
    PutDword(out + kVersionOffset, kFormatVersion);
    PutDword(out + kSizeOffset, OVBIO_TEMPLATE_SIZE);
    memcpy(out + kDigestOffset, finger.digest, kSha256Size);
    ComputeCheck(out, out + kCheckOffset);
}

DWORD ReadTemplate(const BYTE* bir, DWORD birSize, FingerPrint* finger)
{
    if (!bir || birSize != OVBIO_TEMPLATE_SIZE) return ERROR_INVALID_DATA;
    if (memcmp(bir, kMagic, sizeof kMagic) != 0 || GetDword(bir + kVersionOffset) != kFormatVersion ||
        GetDword(bir + kSizeOffset) != OVBIO_TEMPLATE_SIZE)
        return ERROR_INVALID_DATA;
    BYTE check[4];
    ComputeCheck(bir, check);
    if (memcmp(check, bir + kCheckOffset, sizeof check) != 0) return ERROR_INVALID_DATA;
    for (DWORD i = kHeaderEnd; i < OVBIO_TEMPLATE_SIZE; ++i)
        if (bir[i] != 0) return ERROR_INVALID_DATA;
    memcpy(finger->digest, bir + kDigestOffset, kSha256Size);
    return ERROR_SUCCESS;
}

bool SameFinger(const FingerPrint& a, const FingerPrint& b) { return memcmp(a.digest, b.digest, kSha256Size) == 0; }

DWORD CheckTemplateBuffer(const BYTE* buffer, DWORD* inOutSize)
{
    if (!inOutSize) return ERROR_INVALID_PARAMETER;
    if (buffer && *inOutSize < OVBIO_TEMPLATE_SIZE) {
        *inOutSize = OVBIO_TEMPLATE_SIZE;
        return ERROR_INSUFFICIENT_BUFFER;
    }
    return ERROR_SUCCESS;
}
