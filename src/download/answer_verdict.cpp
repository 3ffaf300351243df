// The verdict on an answer and the engine's error pages and log lines.
#include "download/answer_verdict.h"

#include <cstdio>

#include "text/ascii_case.h"
#include "download/download.h"

namespace kovalo {

namespace {

// A page with one number, or with the same number in two places.
std::string Printf(const char* format, int a) {
  char text[200];
  std::snprintf(text, sizeof text, format, a, a);
  return text;
}

std::string LogLine(const std::string& url, std::string_view after) {
  std::string line = "URL '";
  line.append(url).append(after);
  return line.substr(0, 1000);
}

Failure ExceptionFailure(int code, const std::string& logLine) {
  return {code, "<html>Parse Download Error #0. '" + logLine.substr(0, 1000) + "'</html>\n",
          logLine};
}

Failure OpenFailure(const std::string& url, bool localFile) {
  return {kDownloadNoHandle, "<html>Parse Download Error #99.</html>\n",
          LogLine(url, localFile ? "' (OpenURL() return bad file handle) Unable to download URL"
                                 : "' (OpenURL() return NULL file handle) Unable to download URL")};
}

Failure StatusFailure(int status, const std::string& url) {
  switch (status) {
    case 401:
      return {kDownloadPasswordProtected,
              Printf("<html>Parse Download Error #%d - Password Protected.</html>\n", 401),
              LogLine(url, "' HTTP_STATUS_DENIED")};
    case 403:
      return {kDownloadForbidden,
              Printf("<html>Parse Download Error #%d - URL File Forbidden.</html>\n", 403),
              LogLine(url, "' File Forbidden")};
    case 404:
      return {kDownloadNotFound,
              Printf("<html>Parse Download Error #%d - URL File Not Found.</html>\n", 404),
              LogLine(url, "' File Not Found")};
    default:
      return {kDownloadBadStatus,
              Printf("<html>Parse Download Error #%d - URL Query Error %d</html>\n", status),
              LogLine(url, "' Query Error #" + std::to_string(status))};
  }
}

AnswerVerdict Failed(Failure failure) { return {AnswerEnd::Failed, std::move(failure)}; }

}  // namespace

AnswerVerdict JudgeAnswer(const AnswerFacts& facts, const std::string& url) {
  if (facts.sessionFailed) return Failed(SessionFailure(url));
  if (facts.exception) {
    return Failed(ExceptionFailure(
        kDownloadException,
        LogLine(url, "' (Exception Error on Read() file from internet) Unable to download URL")));
  }
  if (facts.stopped) return Failed(StoppedFailure());
  if (facts.timedOut) return Failed(TimeLimitFailure(url));
  if (facts.errorPageContent) {
    return Failed({kDownloadErrorPage,
                   "<html>HTML page contained some kind of 404 error message</html>\n",
                   LogLine(url, "' File Not Found")});
  }
  if (facts.localFile) {
    if (facts.opened) return {AnswerEnd::Page, {}};
    return Failed(OpenFailure(url, true));
  }
  if (!facts.isHttp) {
    if (facts.completed || facts.received > 0) return {AnswerEnd::Page, {}};
    return Failed(OpenFailure(url, false));
  }
  if (facts.headersComplete) {
    if (facts.status == 200) return {AnswerEnd::Page, {}};
    if (facts.status >= 301 && facts.status <= 303) return {AnswerEnd::Redirect, {}};
    return Failed(StatusFailure(facts.status, url));
  }
  // The client gives no code for such an answer; it counts as status 0.
  if (facts.unusableStatus) return Failed(StatusFailure(0, url));
  if (facts.statusLineSeen) {
    return Failed({kDownloadQueryFailed, "<html>Parse Download Error - Query Error.</html>\n",
                   LogLine(url, "' (Error on QueryInfoStatusCode() ) Unable to download URL")});
  }
  return Failed(OpenFailure(url, false));
}

bool IsNotFoundMessage(std::string_view head) {
  return ContainsIgnoringAsciiCase(head, "NOT FOUND") &&
         ContainsIgnoringAsciiCase(head, "<H1>ERROR</H1>");
}

Failure UrlTooLongFailure() {
  return {kDownloadUrlTooLong, "<html>Parse Download Error - URL too long</html>\n", ""};
}

Failure BadSlotFailure() {
  return {kDownloadBadSlot, "<html>Parse Download Error - Bad Slot Number.</html>\n", ""};
}

Failure NoPageBufferFailure() {
  return {kDownloadNoPageBuffer, "<html>Parse Download Error - No Page Buffer.</html>\n", ""};
}

Failure SessionFailure(const std::string& url) {
  return ExceptionFailure(
      kDownloadException,
      LogLine(url, "' (Exception Error on Session Creation) Unable to download URL"));
}

Failure StoppedFailure() { return ExceptionFailure(kDownloadAborted, "session Closed Aborting"); }

Failure RedirectFailure(int status, const std::string& url) {
  return {kDownloadRedirectRefused,
          Printf("<html>Parse Download Error #%d - URL redirected not allowed.</html>\n", status),
          LogLine(url, "' HTTP_STATUS_REDIRECTED")};
}

Failure HostPlacesFailure(const std::string& url) {
  return {kDownloadNoHostPlace, "<html>Parse Download Error - Host Places Unusable.</html>\n",
          LogLine(url, "' (Host place files cannot be used) Unable to download URL")};
}

Failure TimeLimitFailure(const std::string& url) {
  return {kDownloadTimedOut, "<html>Parse Download Error #99.</html>\n",
          LogLine(url, "' (Page Time Limit Exceeded) Unable to download URL")};
}

}  // namespace kovalo
