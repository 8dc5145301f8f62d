// Random(N): the plug-in's one process-wide pseudo-random generator.
#pragma once

#include <cstdint>

namespace molvane {

namespace random_detail {
// C++17 inline function: one state for the whole library, whichever unit draws.
inline uint64_t& State() {
  static uint64_t state = 0x9E3779B97F4A7C15ull;
  return state;
}

// splitmix64: every seed, zero included, gives a full-period sequence.
inline uint32_t Next32(uint64_t& state) {
  uint64_t z = (state += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return uint32_t((z ^ (z >> 31)) >> 32);
}

// A uniformly distributed integer 0..n - 1 from `state`; 0 when n is 0 (or negative).
inline int32_t Draw(uint64_t& state, int32_t n) {
  if (n <= 0) return 0;
  const uint32_t bound = uint32_t(n);
  // Multiply-shift with rejection of the short first stretch, so every value
  // of 0..n - 1 is exactly as likely (no modulo bias). That stretch is
  // shorter than n: a draw past n is taken without the division that
  // measures it, which would otherwise cost more than the draw.
  uint64_t m = uint64_t(Next32(state)) * bound;
  if (uint32_t(m) < bound) {
    const uint32_t threshold = uint32_t(-bound) % bound;
    while (uint32_t(m) < threshold) m = uint64_t(Next32(state)) * bound;
  }
  return int32_t(m >> 32);
}
}  // namespace random_detail

// Restarts the sequence; the same seed gives the same draws.
inline void Randomize(uint32_t seed) { random_detail::State() = seed; }

// A uniformly distributed integer 0..n - 1; 0 when n is 0 (or negative).
inline int32_t Random(int32_t n) { return random_detail::Draw(random_detail::State(), n); }

// Random(n) drawn from a copy of the state that a hot loop keeps in a
// register (byte stores beside it may alias the shared one), put back when
// the copy ends: the same draws as Random's.
class RandomDraws {
 public:
  RandomDraws() : state_(random_detail::State()) {}
  ~RandomDraws() { random_detail::State() = state_; }
  RandomDraws(const RandomDraws&) = delete;
  RandomDraws& operator=(const RandomDraws&) = delete;
  int32_t operator()(int32_t n) { return random_detail::Draw(state_, n); }

 private:
  uint64_t state_;
};

}  // namespace molvane
