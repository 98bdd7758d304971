// Uniform random source of the program: a splitmix64 generator. It starts
// from a fixed state, so every draw made before seed() repeats on every run;
// the start-up seeds it once from the clock. Main thread only.
#pragma once

#include <cstdint>

namespace zel {

class UniformRandom {
 public:
  void seed(uint64_t s) { state_ = s; }
  uint64_t next_u64() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // Uniform in [0, 1).
  double next() { return static_cast<double>(next_u64() >> 11) * (1.0 / 9007199254740992.0); }

 private:
  uint64_t state_ = 0x5A454C564F52414Eull;
};

}  // namespace zel
