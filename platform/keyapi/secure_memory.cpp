#include "secure_memory.h"

void WipeMemory(void* data, size_t size)
{
    volatile uint8_t* p = static_cast<volatile uint8_t*>(data);
    while (size--) *p++ = 0;
}

bool EqualInConstantTime(const uint8_t* a, const uint8_t* b, size_t size)
{
    uint8_t difference = 0;
    for (size_t i = 0; i < size; ++i) difference |= uint8_t(a[i] ^ b[i]);
    return difference == 0;
}

void WipeBytes(std::vector<uint8_t>& bytes)
{
    if (!bytes.empty()) WipeMemory(bytes.data(), bytes.size());
    bytes.clear();
}
