// The checks every page reading must pass, whatever page it came from.
#pragma once

#include "fuzz_check.h"
#include "sources/readers.h"

namespace kovalo::fuzz {

// The first moment of the level site's fixture and its selection time.
constexpr time_t kTarget = 1144663200;  // 10 April 2006, 10:00 UTC
constexpr int32_t kSelectionTime = 1145320001;

inline void CheckReading(const PageReading& reading, std::string_view page, bool mayFail) {
  for (int k = 0; k < kCells; ++k) {
    FUZZ_CHECK(reading.givens[k] >= 0 && reading.givens[k] <= 9);
    FUZZ_CHECK(reading.answers[k] >= kAnswerUnchanged && reading.answers[k] <= 9);
  }
  if (reading.title) FUZZ_CHECK(reading.title->size() <= TitleSizeLimit(page.size()));
  if (reading.date) FUZZ_CHECK(IsDateText(*reading.date));
  if (!mayFail) FUZZ_CHECK(reading.outcome == ReaderOutcome::Done);
}

}  // namespace kovalo::fuzz
