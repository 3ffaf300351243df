// What every fuzz target shares: a check that stops the run where a result
// is wrong (not only where the code crashes), and a fixed time zone so that
// a crash found once comes back on every machine.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string_view>

// Stops the run with the failed condition named, so that the fuzzer records
// the input as a crash.
#define FUZZ_CHECK(condition)                                                                  \
  do {                                                                                         \
    if (!(condition)) {                                                                        \
      std::fprintf(stderr, "FUZZ_CHECK failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__); \
      __builtin_trap();                                                                        \
    }                                                                                          \
  } while (0)

namespace kovalo::fuzz {

inline void UseFixedTimeZone() {
  ::setenv("TZ", "Europe/Berlin", 1);
  ::tzset();
}

inline std::string_view Bytes(const uint8_t* data, size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// The input split at its first NUL byte: the part before it and the part
// after it (empty when there is none).
inline std::pair<std::string_view, std::string_view> SplitAtNul(std::string_view input) {
  const size_t nul = input.find('\0');
  if (nul == std::string_view::npos) return {input, {}};
  return {input.substr(0, nul), input.substr(nul + 1)};
}

// Three decimal numbers, each perhaps signed, one blank between them: the
// form of every puzzle date.
inline bool IsDateText(std::string_view text) {
  int numbers = 0;
  size_t i = 0;
  while (i < text.size()) {
    if (numbers > 0 && text[i++] != ' ') return false;
    if (i < text.size() && text[i] == '-') ++i;
    const size_t first = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
    if (i == first) return false;
    ++numbers;
  }
  return numbers == 3;
}

}  // namespace kovalo::fuzz
