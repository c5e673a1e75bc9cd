#include "x25519.h"

#include "secure_memory.h"

namespace {
// An element of GF(2^255 - 19) as 16 signed limbs of 16 bits (radix 2^16).
typedef int64_t Field[16];

void Carry(Field o)
{
    for (int i = 0; i < 16; ++i) {
        o[i] += int64_t(1) << 16;
        const int64_t c = o[i] >> 16;
        // The top limb's carry wraps around times 38 (2^256 = 38 mod p), split as 1 + 37.
        o[(i + 1) * (i < 15)] += c - 1 + 37 * (c - 1) * (i == 15);
        o[i] -= c * 65536;
    }
}

// Swaps p and q when bit is 1, without a branch.
void Swap(Field p, Field q, int64_t bit)
{
    const int64_t mask = ~(bit - 1);
    for (int i = 0; i < 16; ++i) {
        const int64_t t = mask & (p[i] ^ q[i]);
        p[i] ^= t;
        q[i] ^= t;
    }
}

void Pack(uint8_t out[32], const Field n)
{
    Field t, m;
    for (int i = 0; i < 16; ++i) t[i] = n[i];
    Carry(t);
    Carry(t);
    Carry(t);
    for (int pass = 0; pass < 2; ++pass) {  // subtract p while the result stays non-negative
        m[0] = t[0] - 0xffed;
        for (int i = 1; i < 15; ++i) {
            m[i] = t[i] - 0xffff - ((m[i - 1] >> 16) & 1);
            m[i - 1] &= 0xffff;
        }
        m[15] = t[15] - 0x7fff - ((m[14] >> 16) & 1);
        const int64_t borrow = (m[15] >> 16) & 1;
        m[14] &= 0xffff;
        Swap(t, m, 1 - borrow);
    }
    for (int i = 0; i < 16; ++i) {
        out[2 * i] = uint8_t(t[i] & 0xff);
        out[2 * i + 1] = uint8_t((t[i] >> 8) & 0xff);
    }
}

void Unpack(Field o, const uint8_t n[32])
{
    for (int i = 0; i < 16; ++i) o[i] = n[2 * i] + (int64_t(n[2 * i + 1]) << 8);
    o[15] &= 0x7fff;
}

void Add(Field o, const Field a, const Field b)
{
    for (int i = 0; i < 16; ++i) o[i] = a[i] + b[i];
}

void Subtract(Field o, const Field a, const Field b)
{
    for (int i = 0; i < 16; ++i) o[i] = a[i] - b[i];
}

void Multiply(Field o, const Field a, const Field b)
{
    int64_t t[31] = {};
    for (int i = 0; i < 16; ++i)
        for (int j = 0; j < 16; ++j) t[i + j] += a[i] * b[j];
    for (int i = 0; i < 15; ++i) t[i] += 38 * t[i + 16];
    for (int i = 0; i < 16; ++i) o[i] = t[i];
    Carry(o);
    Carry(o);
}

void Square(Field o, const Field a) { Multiply(o, a, a); }

// o = i^(p-2), the inverse by Fermat.
void Invert(Field o, const Field in)
{
    Field c;
    for (int i = 0; i < 16; ++i) c[i] = in[i];
    for (int bit = 253; bit >= 0; --bit) {
        Square(c, c);
        if (bit != 2 && bit != 4) Multiply(c, c, in);
    }
    for (int i = 0; i < 16; ++i) o[i] = c[i];
}
}  // namespace

void X25519(uint8_t out[kX25519Size], const uint8_t scalar[kX25519Size], const uint8_t point[kX25519Size])
{
    static const Field k121665 = {0xDB41, 1};
    uint8_t z[32];
    for (int i = 0; i < 32; ++i) z[i] = scalar[i];
    z[31] = uint8_t((scalar[31] & 127) | 64);
    z[0] &= 248;

    Field x, a, b, c, d, e, f;
    Unpack(x, point);
    for (int i = 0; i < 16; ++i) {
        b[i] = x[i];
        d[i] = a[i] = c[i] = 0;
    }
    a[0] = d[0] = 1;
    // Montgomery ladder over the 255 bits of the clamped scalar.
    for (int i = 254; i >= 0; --i) {
        const int64_t bit = (z[i >> 3] >> (i & 7)) & 1;
        Swap(a, b, bit);
        Swap(c, d, bit);
        Add(e, a, c);
        Subtract(a, a, c);
        Add(c, b, d);
        Subtract(b, b, d);
        Square(d, e);
        Square(f, a);
        Multiply(a, c, a);
        Multiply(c, b, e);
        Add(e, a, c);
        Subtract(a, a, c);
        Square(b, a);
        Subtract(c, d, f);
        Multiply(a, c, k121665);
        Add(a, a, d);
        Multiply(c, c, a);
        Multiply(a, d, f);
        Multiply(d, b, x);
        Square(b, e);
        Swap(a, b, bit);
        Swap(c, d, bit);
    }
    Invert(c, c);
    Multiply(a, a, c);
    Pack(out, a);
    WipeMemory(z, sizeof z);
    WipeMemory(a, sizeof a);
    WipeMemory(b, sizeof b);
    WipeMemory(c, sizeof c);
    WipeMemory(d, sizeof d);
    WipeMemory(e, sizeof e);
    WipeMemory(f, sizeof f);
}

void X25519Base(uint8_t out[kX25519Size], const uint8_t scalar[kX25519Size])
{
    static const uint8_t base[32] = {9};
    X25519(out, scalar, base);
}
