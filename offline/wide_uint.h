// A 128-bit unsigned integer built from two 64-bit halves: just enough
// (add, multiply, compare, rounded division) for the area sampler to sum
// weighted channels exactly on every compiler and word size.
#pragma once

#include <cstdint>

namespace quiltora::offline::detail {

struct WideUint {
  uint64_t high = 0;
  uint64_t low = 0;

  friend bool operator==(const WideUint&, const WideUint&) = default;
  friend bool operator<(const WideUint& a, const WideUint& b) {
    return a.high != b.high ? a.high < b.high : a.low < b.low;
  }
  friend bool operator<=(const WideUint& a, const WideUint& b) { return !(b < a); }

  WideUint& operator+=(uint64_t v) {
    const uint64_t sum = low + v;  // unsigned: wraps by definition
    high += sum < low ? 1 : 0;
    low = sum;
    return *this;
  }
  WideUint& operator-=(const WideUint& v) {
    const uint64_t borrow = low < v.low ? 1 : 0;
    low -= v.low;
    high = high - v.high - borrow;
    return *this;
  }
  WideUint shiftedLeft(int bits) const {  // 0 <= bits < 64
    if (bits == 0) return *this;
    return {(high << bits) | (low >> (64 - bits)), low << bits};
  }
};

// The exact 128-bit product of two 64-bit values, from 32-bit halves.
inline WideUint multiply(uint64_t a, uint64_t b) {
  const uint64_t aLow = a & 0xFFFFFFFFu, aHigh = a >> 32;
  const uint64_t bLow = b & 0xFFFFFFFFu, bHigh = b >> 32;
  const uint64_t ll = aLow * bLow, lh = aLow * bHigh, hl = aHigh * bLow, hh = aHigh * bHigh;
  const uint64_t middle = (ll >> 32) + (lh & 0xFFFFFFFFu) + (hl & 0xFFFFFFFFu);
  return {hh + (lh >> 32) + (hl >> 32) + (middle >> 32), (middle << 32) | (ll & 0xFFFFFFFFu)};
}

// n / d rounded to nearest, halves up. d must be nonzero and below 2^95; the
// quotient saturates at 2^32 - 1 (the callers' quotients stay below 2^18).
inline uint64_t roundedQuotient(WideUint n, const WideUint& d) {
  constexpr int BITS = 32;
  if (d.shiftedLeft(BITS) <= n) return 0xFFFFFFFFu;
  uint64_t q = 0;
  for (int b = BITS - 1; b >= 0; --b) {
    const WideUint shifted = d.shiftedLeft(b);
    if (shifted <= n) {
      n -= shifted;
      q |= uint64_t{1} << b;
    }
  }
  // Remainder n < d < 2^95, so doubling it cannot overflow.
  return d <= n.shiftedLeft(1) ? q + 1 : q;
}

}  // namespace quiltora::offline::detail
