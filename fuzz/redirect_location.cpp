// A redirect's Location found in raw headers and resolved against the
// requested address, and the other address pieces the engine takes apart:
// each result is made of the input's own pieces. The input is the requested
// address, a NUL byte, and the raw headers.
#include "download/address.h"
#include "fuzz_check.h"

using namespace kovalo;

namespace {

bool Contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto [requested, headers] = fuzz::SplitAtNul(fuzz::Bytes(data, size));

  const std::string location = FindLocation(headers);
  FUZZ_CHECK(Contains(headers, location));
  FUZZ_CHECK(location.find('\n') == std::string::npos);
  if (!location.empty()) {
    FUZZ_CHECK(location.front() != ' ' && location.front() != '\t');
    FUZZ_CHECK(location.back() != '\r' && location.back() != ' ' && location.back() != '\t');
  }

  // The location given straight, and the one the headers name.
  for (std::string_view value : {std::string_view(headers), std::string_view(location)}) {
    const std::string resolved = ResolveRedirect(requested, value);
    if (HasScheme(value)) {
      FUZZ_CHECK(resolved == value);
      continue;
    }
    // The requested address's root (up to the first '/' after the host),
    // then the location, with one '/' in between.
    const size_t root =
        resolved.size() - value.size() - (!value.empty() && value.front() == '/' ? 0 : 1);
    FUZZ_CHECK(root <= requested.size());
    FUZZ_CHECK(requested.substr(0, root) == std::string_view(resolved).substr(0, root));
    FUZZ_CHECK(std::string_view(resolved).substr(resolved.size() - value.size()) == value);
    FUZZ_CHECK(resolved[root] == '/');
  }

  const std::string key = HostKey(requested);
  FUZZ_CHECK(Contains(requested, key));
  FUZZ_CHECK(key.find('?') == std::string::npos);
  if (IsLocalFileAddress(requested)) FUZZ_CHECK(requested.substr(4, 3) == "://");
  const std::string path = LocalFilePath(requested);
  FUZZ_CHECK(path.size() <= requested.size() && Contains(requested, path));
  const std::string unescaped = UnescapeBlankAndCaret(requested);
  FUZZ_CHECK(unescaped.size() <= requested.size());
  if (!Contains(requested, "%")) FUZZ_CHECK(unescaped == requested);
  return 0;
}
