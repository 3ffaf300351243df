// How the engine hands on what it cannot show itself: program errors for the
// user, and one log line per failed download.
#pragma once

#include <string>

namespace kovalo::detail {

void ShowProgramError(const std::string& text);
void LogDownloadFailure(const std::string& line);

}  // namespace kovalo::detail
