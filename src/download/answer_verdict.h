// What the engine makes of one attempt's answer: the page, a redirect to
// follow, or a failure with its error page and log line; and every other
// error page of the engine. Pure: the transfer records the facts, and
// nothing here touches the network or a file.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kovalo {

// What one attempt found out, as the transfer (or the local file read)
// records it.
struct AnswerFacts {
  bool localFile = false;       // a "file://" address
  bool opened = false;          // local file: it could be opened
  bool isHttp = true;           // judged by its status (http, https, or no scheme)
  bool sessionFailed = false;   // the slot has no client session
  bool exception = false;       // the attempt threw (out of memory)
  bool stopped = false;         // RunState ended the attempt
  bool timedOut = false;        // the page's time limit ended it
  bool completed = false;       // the client ended the transfer without an error
  bool statusLineSeen = false;  // an answer began with a status line
  bool headersComplete = false;
  bool unusableStatus = false;    // the answer began with no usable status line
  bool errorPageContent = false;  // the page's head is a 404 message
  int status = 0;
  std::size_t received = 0;  // page bytes taken
};

// A failed download: its DownloadResult, the error page that takes the
// page's place, and the line for the log sink (empty: nothing to log).
struct Failure {
  int code = 0;
  std::string page;
  std::string logLine;
};

enum class AnswerEnd { Page, Redirect, Failed };

struct AnswerVerdict {
  AnswerEnd end = AnswerEnd::Failed;
  Failure failure;  // for Failed only
};

// The verdict on an attempt at url. A stall or a broken connection while the
// page is read ends the read: the bytes received so far are the page.
AnswerVerdict JudgeAnswer(const AnswerFacts& facts, const std::string& url);

// The 404 check on the head of a page (its first 10000 bytes): true when it
// holds both "NOT FOUND" and "<H1>ERROR</H1>", in any letter case.
bool IsNotFoundMessage(std::string_view head);

// Failures decided before or between attempts.
Failure UrlTooLongFailure();
Failure BadSlotFailure();
Failure NoPageBufferFailure();
Failure SessionFailure(const std::string& url);
Failure StoppedFailure();
// The redirect of an answer with status could not be followed.
Failure RedirectFailure(int status, const std::string& url);
// The per-host place files cannot be used, so the download may not start.
Failure HostPlacesFailure(const std::string& url);
// The page's time limit passed: the stall watchdog's error page.
Failure TimeLimitFailure(const std::string& url);

}  // namespace kovalo
