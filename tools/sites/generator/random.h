// The generator's random numbers: splitmix64, whose sequence is fixed by its
// seed alone, so that a puzzle made from a seed is the same everywhere.
#pragma once

#include <cstdint>

namespace kovalo::sites {

class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}

  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }

  // 0 .. bound-1, bound > 0. Taken from the high bits by multiplication: the
  // bias for bounds below 100 is far below anything a puzzle could show.
  int Below(int bound) {
    return static_cast<int>(((Next() >> 32) * static_cast<std::uint64_t>(bound)) >> 32);
  }

  // Fisher-Yates over first[0 .. count-1].
  template <typename T>
  void Shuffle(T* first, int count) {
    for (int i = count - 1; i > 0; --i) {
      const int j = Below(i + 1);
      T t = first[i];
      first[i] = first[j];
      first[j] = t;
    }
  }

 private:
  std::uint64_t state_;
};

}  // namespace kovalo::sites
