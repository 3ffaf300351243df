// Helpers of the puzzle-source tests: a fixed local time zone, local moments
// built from calendar fields, readings written as 81-character strings, and
// the page fixtures.
#pragma once

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>

#include "sources/readers.h"
#include "support/local_time.h"  // LocalMoment

namespace kovalo::testing {

// Puts the process in a time zone for the life of the object.
class LocalZone {
 public:
  explicit LocalZone(const char* zone) {
    if (const char* old = std::getenv("TZ")) old_ = old;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~LocalZone() {
    if (old_)
      setenv("TZ", old_->c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }
  LocalZone(const LocalZone&) = delete;
  LocalZone& operator=(const LocalZone&) = delete;

 private:
  std::optional<std::string> old_;
};

// "HH:MM" of a moment in local time.
inline std::string LocalClock(time_t moment) {
  struct tm fields {};
  localtime_r(&moment, &fields);
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d", fields.tm_hour, fields.tm_min);
  return text;
}

// Givens as 81 characters, '0' where none is placed.
inline std::string GivensText(const PageReading& reading) {
  std::string text;
  for (int digit : reading.givens) text += static_cast<char>('0' + digit);
  return text;
}

// Answers as 81 characters, '-' where the cell's answer is left alone.
inline std::string AnswersText(const PageReading& reading) {
  std::string text;
  for (int digit : reading.answers)
    text += digit == kAnswerUnchanged ? '-' : static_cast<char>('0' + digit);
  return text;
}

inline std::string ReadFixture(const std::string& name) {
  const std::string path = std::string(KOVALO_TEST_DATA) + "/sources/" + name;
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("missing fixture " + path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace kovalo::testing
