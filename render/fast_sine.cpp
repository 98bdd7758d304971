#include "render/fast_sine.h"

namespace zel {

namespace {

// Both loops are written to vectorise (no branches, no calls); they are
// compiled twice on x86-64, for the baseline and for AVX2 with FMA, and the
// processor picks (the bodies are templates on the variant so that each
// caller inlines its own). Only the sines' last bits differ between the two, which
// the rounding margin absorbs: the integers made from them do not.

template <int kVariant>
inline void fill_sines_body(const double* x, double* out, int n) {
  constexpr uint64_t kLimitBits = 0x4130000000000000u;  // kFastSineLimit (2^20) as bits
  uint64_t beyond = 0;  // bit 63 set when some |x| >= the limit, or is not a number
  for (int i = 0; i < n; ++i) {
    out[i] = fast_sin(x[i]);
    beyond |= ~(bits_as<uint64_t>(std::fabs(x[i])) - kLimitBits);
  }
  if (beyond >> 63)
    for (int i = 0; i < n; ++i)
      if (!(std::fabs(x[i]) < kFastSineLimit)) out[i] = std::sin(x[i]);
}

template <int kVariant>
inline bool round_scaled_sines_body(const double* s, int n, double amp, double off, double* out) {
  uint64_t doubtful = 0;  // bit 63 set when a margin is below kSineMargin or not a number
  for (int i = 0; i < n; ++i) {
    const double v = s[i] * amp + off;
    const double r = nearest_integer(v);
    const double margin = 0.5 - std::fabs(v - r);
    // margin - kSineMargin is negative (sign bit set) or NaN exactly when in doubt.
    doubtful |= bits_as<uint64_t>(margin - kSineMargin) | (margin != margin ? ~0ull : 0ull);
    out[i] = r;
  }
  return doubtful >> 63;
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define ZEL_SINE_DISPATCH 1
__attribute__((target("avx2,fma"))) void fill_sines_avx2(const double* x, double* out, int n) {
  fill_sines_body<1>(x, out, n);
}
__attribute__((target("avx2,fma"))) bool round_scaled_sines_avx2(const double* s, int n, double amp, double off,
                                                                  double* out) {
  return round_scaled_sines_body<1>(s, n, amp, off, out);
}
bool has_avx2_fma() {
  static const bool yes = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
  return yes;
}
#endif

}  // namespace

void fill_sines(const double* x, double* out, int n) {
#if ZEL_SINE_DISPATCH
  if (has_avx2_fma()) return fill_sines_avx2(x, out, n);
#endif
  fill_sines_body<0>(x, out, n);
}

bool round_scaled_sines(const double* s, int n, double amp, double off, double* out) {
#if ZEL_SINE_DISPATCH
  if (has_avx2_fma()) return round_scaled_sines_avx2(s, n, amp, off, out);
#endif
  return round_scaled_sines_body<0>(s, n, amp, off, out);
}

}  // namespace zel
