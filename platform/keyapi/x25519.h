// X25519 (RFC 7748) in plain C++: lets the key hold a data key sealed for the unblock
// code (PUK) that can be renewed without knowing the PUK. Constant-time ladder.
#pragma once
#include <cstdint>

const int kX25519Size = 32;

// out = scalar * point (u-coordinates, little-endian); the scalar is clamped here.
void X25519(uint8_t out[kX25519Size], const uint8_t scalar[kX25519Size], const uint8_t point[kX25519Size]);

// out = scalar * base point (the public key of a secret scalar).
void X25519Base(uint8_t out[kX25519Size], const uint8_t scalar[kX25519Size]);
