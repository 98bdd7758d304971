// Sines for the animated colour and wave tables (rainbow rules, intro), many
// per frame, giving exactly the integers that std::sin would give.
//
// fast_sin is a branch-free polynomial sine (reduction by pi/2 in three parts,
// then the sine or cosine polynomial of the quadrant) that loops over arrays
// can vectorise. It is within kFastSineError of the true sine for |x| <=
// kFastSineLimit. The tables need integers made from sines (round to nearest,
// ties to even, or floor); round_sine_value and floor_sine_value take a value
// computed from fast_sin values and use it unless it lies so close to a
// rounding boundary that the last bits of the sines could matter: then they
// take the value computed again with std::sin. The result is therefore the
// integer the std::sin formula gives, for every input.
//
// Pure functions; any thread.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>

namespace zel {

constexpr double kFastSineLimit = 1.0e6;  // |x| up to here: reduction exact enough (k < 2^20)
constexpr double kFastSineError = 1.0e-15;
// A value within this of a rounding boundary is computed again with std::sin.
// Values come from sines scaled by at most a few hundred, so their error is
// below 1e-12; the margin leaves a wide reserve.
constexpr double kSineMargin = 1.0e-9;

inline double fast_sin(double x) {
  constexpr double kTwoOverPi = 6.36619772367581382433e-01;
  constexpr double kShifter = 6755399441055744.0;  // 1.5 * 2^52: adding it rounds to an integer
  // pi/2 in three parts; the first two have 33 significant bits, so k times
  // either is exact while |k| < 2^20.
  constexpr double kPio2a = 1.57079632673412561417e+00;
  constexpr double kPio2b = 6.07710050630396597660e-11;
  constexpr double kPio2c = 2.02226624879595063368e-21;
  // Minimax polynomials of sin and cos on [-pi/4, pi/4].
  constexpr double S1 = -1.66666666666666324348e-01, S2 = 8.33333333332248946124e-03,
                   S3 = -1.98412698298579493134e-04, S4 = 2.75573137070700676789e-06,
                   S5 = -2.50507602534068634195e-08, S6 = 1.58969099521155010221e-10;
  constexpr double C1 = 4.16666666666666019037e-02, C2 = -1.38888888888741095749e-03,
                   C3 = 2.48015872894767294178e-05, C4 = -2.75573143513906633035e-07,
                   C5 = 2.08757232129817482790e-09, C6 = -1.13596475577881948265e-11;
  double q = x * kTwoOverPi + kShifter;
  const uint64_t quadrant = std::bit_cast<uint64_t>(q);  // its low bits hold k (mod 4 even when k < 0)
  double k = q - kShifter;
  double r = ((x - k * kPio2a) - k * kPio2b) - k * kPio2c;
  double z = r * r;
  double s = r + r * z * (S1 + z * (S2 + z * (S3 + z * (S4 + z * (S5 + z * S6)))));
  double c = 1.0 - 0.5 * z + z * z * (C1 + z * (C2 + z * (C3 + z * (C4 + z * (C5 + z * C6)))));
  // Quadrant 1 and 3 take the cosine, 2 and 3 the sign flipped; done on the
  // bits, without branches, so that loops over arrays vectorise.
  const uint64_t use_cos = 0 - (quadrant & 1);
  const uint64_t v = (std::bit_cast<uint64_t>(c) & use_cos) | (std::bit_cast<uint64_t>(s) & ~use_cos);
  return std::bit_cast<double>(v ^ (quadrant & 2) << 62);
}

// out[i] = sin(x[i]) for i < n: fast_sin where it holds, std::sin elsewhere.
inline void fill_sines(const double* x, double* out, int n) {
  for (int i = 0; i < n; ++i) out[i] = fast_sin(x[i]);
  for (int i = 0; i < n; ++i)
    if (!(std::fabs(x[i]) <= kFastSineLimit)) out[i] = std::sin(x[i]);
}

// v rounded to the nearest integer, ties to even; exact() when v is too
// close to a half for the sines it came from to decide.
template <typename F>
int round_sine_value(double v, F&& exact) {
  double f = v - std::floor(v);
  if (!(std::fabs(f - 0.5) >= kSineMargin)) return static_cast<int>(std::nearbyint(exact()));
  return static_cast<int>(std::nearbyint(v));
}

// floor(v); exact() floored when v is too close to an integer.
template <typename F>
int floor_sine_value(double v, F&& exact) {
  double f = v - std::floor(v);
  if (!(f >= kSineMargin && f <= 1.0 - kSineMargin)) return static_cast<int>(std::floor(exact()));
  return static_cast<int>(std::floor(v));
}

}  // namespace zel
