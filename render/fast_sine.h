// Sines for the animated colour and wave tables (rainbow rules, intro), many
// per frame, giving exactly the integers that std::sin would give.
//
// fast_sin is a branch-free polynomial sine (reduction by pi in three parts,
// then one odd polynomial), within kFastSineError of the true sine for |x| <
// kFastSineLimit. fill_sines applies it to arrays (vectorised; with AVX2 and
// FMA where the processor has them) and falls back to std::sin outside that
// range. The tables need integers made from sines (round to nearest, ties to
// even, or floor): round_scaled_sines, round_sine_value and floor_sine_value
// take values computed from these sines and use them unless one lies so
// close to a rounding boundary that the last bits of the sines could matter;
// then the caller (or exact()) computes it again with std::sin. The result is
// therefore the integer the std::sin formula gives, for every input.
//
// Pure functions; any thread.
#pragma once

#include <cmath>
#include <cstdint>

namespace zel {

constexpr double kFastSineLimit = 1048576.0;  // 2^20: up to here k < 2^20, the reduction is exact enough
constexpr double kFastSineError = 1.0e-13;
// A value within this of a rounding boundary is computed again with std::sin.
// Values come from sines scaled by at most a few hundred, so their error is
// below 1e-10; the margin leaves a wide reserve.
constexpr double kSineMargin = 1.0e-9;

// The bits of a double as an integer and back (std::bit_cast, which not
// every standard library we build with has yet).
template <typename To, typename From>
inline To bits_as(From v) {
  static_assert(sizeof(To) == sizeof(From));
  return __builtin_bit_cast(To, v);
}

inline double fast_sin(double x) {
  constexpr double kOverPi = 3.18309886183790671538e-01;
  constexpr double kShifter = 6755399441055744.0;  // 1.5 * 2^52: adding it rounds to an integer
  // pi in three parts; the first two have 33 significant bits, so k times
  // either is exact while |k| < 2^20.
  constexpr double kPiA = 3.14159265346825122833e+00;
  constexpr double kPiB = 1.21542010126079319532e-10;
  constexpr double kPiC = 4.04453249759190126736e-21;
  // Taylor coefficients of sin up to r^17: on |r| <= pi/2 the rest is below
  // 5e-14.
  constexpr double C3 = -1.0 / 6, C5 = 1.0 / 120, C7 = -1.0 / 5040, C9 = 1.0 / 362880, C11 = -1.0 / 39916800,
                   C13 = 1.0 / 6227020800.0, C15 = -1.0 / 1307674368000.0, C17 = 1.0 / 355687428096000.0;
  double q = x * kOverPi + kShifter;
  const uint64_t parity = bits_as<uint64_t>(q) & 1;  // the low bit of q is that of k, also when k < 0
  double k = q - kShifter;
  double r = ((x - k * kPiA) - k * kPiB) - k * kPiC;  // x - k pi, |r| <= pi/2
  double z = r * r;
  double s = r + r * z * (C3 + z * (C5 + z * (C7 + z * (C9 + z * (C11 + z * (C13 + z * (C15 + z * C17)))))));
  // sin(r + k pi) = (-1)^k sin(r): the sign flipped on the bits, without a
  // branch, so that loops over arrays vectorise.
  return bits_as<double>(bits_as<uint64_t>(s) ^ parity << 63);
}

// out[i] = sin(x[i]) for i < n: fast_sin where |x[i]| < kFastSineLimit,
// std::sin elsewhere.
void fill_sines(const double* x, double* out, int n);

// Splits v into the nearest integer n (ties to even) and v - n in
// [-0.5, 0.5], without calling the library (floor and nearbyint are calls
// where the instruction set has no rounding instruction). Only for |v| < 2^51.
inline double nearest_integer(double v) {
  constexpr double kShifter = 6755399441055744.0;  // 1.5 * 2^52
  return (v + kShifter) - kShifter;
}

// v rounded to the nearest integer, ties to even; exact() when v is too
// close to a half for the sines it came from to decide.
template <typename F>
int round_sine_value(double v, F&& exact) {
  const double n = nearest_integer(v);
  if (!(std::fabs(v) < 1.0e9 && 0.5 - std::fabs(v - n) >= kSineMargin))
    return static_cast<int>(std::nearbyint(exact()));
  return static_cast<int>(n);
}

// floor(v); exact() floored when v is too close to an integer.
template <typename F>
int floor_sine_value(double v, F&& exact) {
  const double n = nearest_integer(v);
  if (!(std::fabs(v) < 1.0e9 && std::fabs(v - n) >= kSineMargin)) return static_cast<int>(std::floor(exact()));
  return static_cast<int>(n) - (v < n ? 1 : 0);
}

// out[i] = s[i] * amp + off rounded to the nearest integer, ties to even,
// for i < n. Returns true when any of the values lay too close to a half to
// be trusted (or was not a number): the caller then works those out again
// with round_sine_value.
bool round_scaled_sines(const double* s, int n, double amp, double off, double* out);

}  // namespace zel
