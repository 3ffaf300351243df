// Result classifiers: marker searches on the upper-cased head of a result.
#include "download/result_classifiers.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "text/ascii_case.h"

namespace kovalo {

namespace {

int HitWhenContains(std::string_view text, std::initializer_list<std::string_view> markers,
                    const std::string& filePath) {
  for (std::string_view marker : markers) {
    if (text.find(marker) != std::string_view::npos) {
      if (!filePath.empty()) std::remove(filePath.c_str());
      return 1;
    }
  }
  return 0;
}

}  // namespace

int ResultNeedsMatches(std::string_view text, const std::string& filePath) {
  return HitWhenContains(text, {"DOES NOT CONTAIN NEEDED MATCHES"}, filePath);
}

int ResultPassedOff(std::string_view text, const std::string& filePath) {
  return HitWhenContains(text, {"PASSED OFF TO GRX FILE"}, filePath);
}

int ResultDownloadLimit(std::string_view text, const std::string& filePath) {
  return HitWhenContains(text, {"DOWNLOAD LIMIT EXCEEDED"}, filePath);
}

int ResultTooSmall(std::string_view text, const std::string& filePath) {
  return HitWhenContains(text, {"FILE TOO SMALL"}, filePath);
}

int ResultCopiedToClipboard(std::string_view text, const std::string& filePath) {
  return HitWhenContains(text, {"COPIED TO CLIPBOARD"}, filePath);
}

int ResultNotFound(std::string_view text, const std::string& filePath) {
  // The last marker catches every error page of the engine that carries a
  // number ("Parse Download Error #404 - ...").
  return HitWhenContains(text,
                         {"NOT FOUND", "ERROR 404", "ERROR #404", "404 ERROR", "HTTP_404",
                          "HTTP 404", "PAGE CANNOT BE FOUND", "<H1>ERROR</H1>",
                          "PARSE DOWNLOAD ERROR #"},
                         filePath);
}

std::string ResultHead(const char* resultText) {
  if (resultText == nullptr) return std::string();
  return AsciiUpperCopy(std::string_view(resultText, strnlen(resultText, 512)));
}

int AnyResultClassifierHits(const char* resultText, const std::string& filePath) {
  std::string head = ResultHead(resultText);
  using Classifier = int (*)(std::string_view, const std::string&);
  for (Classifier classifier : {ResultNeedsMatches, ResultPassedOff, ResultDownloadLimit,
                                ResultTooSmall, ResultCopiedToClipboard, ResultNotFound}) {
    if (classifier(head, filePath)) return 1;
  }
  return 0;
}

}  // namespace kovalo
