// kovalo-sites' answer to any request target and If-None-Match header: one
// of the statuses it knows, a page with its own ETag, an error page that
// quotes the request only escaped, and the same answer every time. The
// input is the target, a NUL byte, and the If-None-Match header; inputs
// much longer than the longest target answered are skipped to keep the
// runs fast (the length check comes first in the code).
#include "service/site_requests.h"
#include "fuzz_check.h"

using namespace kovalo;
using namespace kovalo::sites;

namespace {

constexpr CivilDate kToday{2026, 12, 8};

// The message paragraph of an error page: nothing in it opens a tag.
bool IsQuotedSafely(const SiteResponse& response) {
  const std::string empty = ErrorPage(response.status, "");
  const size_t open = empty.find("<p>") + 3;
  const std::string& body = response.body;
  if (body.size() < empty.size() || body.compare(0, open, empty, 0, open) != 0) return false;
  const size_t tail = empty.size() - open;
  if (body.compare(body.size() - tail, tail, empty, open, tail) != 0) return false;
  const std::string_view message = std::string_view(body).substr(open, body.size() - tail - open);
  return message.find_first_of("<>\"") == std::string_view::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > kMaxTargetLength + 64) return -1;
  const auto [target, ifNoneMatch] = fuzz::SplitAtNul(fuzz::Bytes(data, size));

  const SiteResponse response = AnswerRequest(target, kToday, ifNoneMatch);
  const int status = response.status;
  FUZZ_CHECK(status == 200 || status == 304 || status == 400 || status == 404 || status == 414);
  FUZZ_CHECK((status == 414) == (target.size() > kMaxTargetLength));
  FUZZ_CHECK(!response.contentType.empty());
  if (status == 200) {
    FUZZ_CHECK(!response.body.empty() && response.etag == EtagOf(response.body));
    FUZZ_CHECK(!response.cacheControl.empty());
    // Asked again with its own ETag: not modified, without a body.
    const SiteResponse again = AnswerRequest(target, kToday, response.etag);
    FUZZ_CHECK(again.status == 304 && again.body.empty() && again.etag == response.etag);
  } else if (status == 304) {
    FUZZ_CHECK(!ifNoneMatch.empty() && response.body.empty() && !response.etag.empty());
  } else {
    FUZZ_CHECK(response.etag.empty() && response.cacheControl.empty());
    FUZZ_CHECK(IsQuotedSafely(response));
  }
  return 0;
}
