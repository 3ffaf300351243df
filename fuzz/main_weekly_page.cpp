// The main weekly site's puzzle page: any bytes give a well-formed reading.
#include "reader_check.h"

using namespace kovalo;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::UseFixedTimeZone();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view page = fuzz::Bytes(data, size);
  fuzz::CheckReading(ReadMainWeeklyPage(page, fuzz::kTarget), page, true);
  return 0;
}
