// SHA-256 (FIPS 180-4), enough to fingerprint the sensor's finger bytes and check templates.
#pragma once
#include <windows.h>

const DWORD kSha256Size = 32;

void Sha256(const BYTE* data, DWORD size, BYTE digest[kSha256Size]);
