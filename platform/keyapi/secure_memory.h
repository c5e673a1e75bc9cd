// Wiping and comparing secrets: portable, and written so the compiler keeps the work.
#pragma once
#include <cstddef>
#include <cstdint>

// Overwrites memory with zeros even when it is about to be freed.
void WipeMemory(void* data, size_t size);

// Compares in time that depends only on the size, not on where the bytes differ.
bool EqualInConstantTime(const uint8_t* a, const uint8_t* b, size_t size);

#include <vector>
// Wipes a buffer's bytes and empties it.
void WipeBytes(std::vector<uint8_t>& bytes);
