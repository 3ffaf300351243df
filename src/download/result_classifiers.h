// The six tests a caller runs on the head of a slot's result text to tell an
// error page, or a page that is no puzzle, from a fetched page. Each looks
// for its marker in the text (which the caller has cut to 512 characters and
// turned to upper case); on a hit it deletes the file at filePath, when one
// is named, and returns 1; otherwise 0.
#pragma once

#include <string>
#include <string_view>

namespace kovalo {

int ResultNeedsMatches(std::string_view text,
                       const std::string& filePath);  // "DOES NOT CONTAIN NEEDED MATCHES"
int ResultPassedOff(std::string_view text,
                    const std::string& filePath);  // "PASSED OFF TO GRX FILE"
int ResultDownloadLimit(std::string_view text,
                        const std::string& filePath);  // "DOWNLOAD LIMIT EXCEEDED"
int ResultTooSmall(std::string_view text, const std::string& filePath);  // "FILE TOO SMALL"
int ResultCopiedToClipboard(std::string_view text,
                            const std::string& filePath);  // "COPIED TO CLIPBOARD"
int ResultNotFound(std::string_view text,
                   const std::string& filePath);  // 404 texts and error pages

// The text the classifiers are given: the first 512 characters of a result
// text (up to its zero byte), in upper case.
std::string ResultHead(const char* resultText);

// Runs the six classifiers on ResultHead(resultText) in the callers' order
// (needed matches, passed off, download limit, too small, clipboard, not
// found) and returns 1 at the first hit, 0 when none hits.
int AnyResultClassifierHits(const char* resultText, const std::string& filePath);

}  // namespace kovalo
