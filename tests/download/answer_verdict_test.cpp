// The verdict on an answer, one row per kind of answer: what an attempt
// found out, and the page, redirect or error page (with its result and log
// line) the engine makes of it. Also the 404 check on a page's head.
#include "download/answer_verdict.h"

#include <gtest/gtest.h>

#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "download/download.h"

namespace kovalo {
namespace {

const std::string kUrl = "http://host/dir/page.asp";

AnswerFacts Http(int status) {
  AnswerFacts facts;
  facts.statusLineSeen = true;
  facts.headersComplete = true;
  facts.status = status;
  return facts;
}

AnswerFacts With(AnswerFacts facts, const std::function<void(AnswerFacts&)>& change) {
  change(facts);
  return facts;
}

TEST(AnswerVerdict, EveryKindOfAnswer) {
  struct Row {
    const char* what;
    AnswerFacts facts;
    AnswerEnd end;
    int code;  // for Failed
    std::string page;
    std::string logLine;
  };
  const std::string noHandle = "<html>Parse Download Error #99.</html>\n";
  const std::string openLog =
      "URL '" + kUrl + "' (OpenURL() return NULL file handle) Unable to download URL";
  const Row rows[] = {
      {"200 with its head", Http(200), AnswerEnd::Page, 0, "", ""},
      {"200 whose page broke off", With(Http(200), [](AnswerFacts& f) { f.received = 120; }),
       AnswerEnd::Page, 0, "", ""},
      {"301", Http(301), AnswerEnd::Redirect, 0, "", ""},
      {"302", Http(302), AnswerEnd::Redirect, 0, "", ""},
      {"303", Http(303), AnswerEnd::Redirect, 0, "", ""},
      {"401", Http(401), AnswerEnd::Failed, kDownloadPasswordProtected,
       "<html>Parse Download Error #401 - Password Protected.</html>\n",
       "URL '" + kUrl + "' HTTP_STATUS_DENIED"},
      {"403", Http(403), AnswerEnd::Failed, kDownloadForbidden,
       "<html>Parse Download Error #403 - URL File Forbidden.</html>\n",
       "URL '" + kUrl + "' File Forbidden"},
      {"404", Http(404), AnswerEnd::Failed, kDownloadNotFound,
       "<html>Parse Download Error #404 - URL File Not Found.</html>\n",
       "URL '" + kUrl + "' File Not Found"},
      {"no usable status line",
       With(AnswerFacts{}, [](AnswerFacts& f) { f.unusableStatus = true; }), AnswerEnd::Failed,
       kDownloadBadStatus, "<html>Parse Download Error #0 - URL Query Error 0</html>\n",
       "URL '" + kUrl + "' Query Error #0"},
      {"a status line and then silence",
       With(AnswerFacts{}, [](AnswerFacts& f) { f.statusLineSeen = true; }), AnswerEnd::Failed,
       kDownloadQueryFailed, "<html>Parse Download Error - Query Error.</html>\n",
       "URL '" + kUrl + "' (Error on QueryInfoStatusCode() ) Unable to download URL"},
      {"no answer at all", AnswerFacts{}, AnswerEnd::Failed, kDownloadNoHandle, noHandle, openLog},
      {"a 404 message in a 200 page",
       With(Http(200), [](AnswerFacts& f) { f.errorPageContent = true; }), AnswerEnd::Failed,
       kDownloadErrorPage, "<html>HTML page contained some kind of 404 error message</html>\n",
       "URL '" + kUrl + "' File Not Found"},
      {"stopped, even with a whole page", With(Http(200), [](AnswerFacts& f) { f.stopped = true; }),
       AnswerEnd::Failed, kDownloadAborted,
       "<html>Parse Download Error #0. 'session Closed Aborting'</html>\n",
       "session Closed Aborting"},
      {"past the time limit in mid-page",
       With(Http(200),
            [](AnswerFacts& f) {
              f.timedOut = true;
              f.received = 500;
            }),
       AnswerEnd::Failed, kDownloadTimedOut, noHandle,
       "URL '" + kUrl + "' (Page Time Limit Exceeded) Unable to download URL"},
      {"past the time limit before the status",
       With(AnswerFacts{}, [](AnswerFacts& f) { f.timedOut = true; }), AnswerEnd::Failed,
       kDownloadTimedOut, noHandle,
       "URL '" + kUrl + "' (Page Time Limit Exceeded) Unable to download URL"},
      {"no session", With(AnswerFacts{}, [](AnswerFacts& f) { f.sessionFailed = true; }),
       AnswerEnd::Failed, kDownloadException,
       "<html>Parse Download Error #0. 'URL '" + kUrl +
           "' (Exception Error on Session Creation) Unable to download URL'</html>\n",
       "URL '" + kUrl + "' (Exception Error on Session Creation) Unable to download URL"},
      {"out of memory", With(Http(200), [](AnswerFacts& f) { f.exception = true; }),
       AnswerEnd::Failed, kDownloadException,
       "<html>Parse Download Error #0. 'URL '" + kUrl +
           "' (Exception Error on Read() file from internet) Unable to download URL'</html>\n",
       "URL '" + kUrl + "' (Exception Error on Read() file from internet) Unable to download URL"},
      {"a local file that opened",
       With(AnswerFacts{},
            [](AnswerFacts& f) {
              f.localFile = true;
              f.opened = true;
            }),
       AnswerEnd::Page, 0, "", ""},
      {"a local file that did not open",
       With(AnswerFacts{}, [](AnswerFacts& f) { f.localFile = true; }), AnswerEnd::Failed,
       kDownloadNoHandle, noHandle,
       "URL '" + kUrl + "' (OpenURL() return bad file handle) Unable to download URL"},
      {"ftp, completed and empty",
       With(AnswerFacts{},
            [](AnswerFacts& f) {
              f.isHttp = false;
              f.completed = true;
            }),
       AnswerEnd::Page, 0, "", ""},
      {"ftp, broken off with bytes",
       With(AnswerFacts{},
            [](AnswerFacts& f) {
              f.isHttp = false;
              f.received = 3;
            }),
       AnswerEnd::Page, 0, "", ""},
      {"ftp, nothing", With(AnswerFacts{}, [](AnswerFacts& f) { f.isHttp = false; }),
       AnswerEnd::Failed, kDownloadNoHandle, noHandle, openLog},
  };
  std::vector<Row> all(std::begin(rows), std::end(rows));
  // Every other status is a query error that names it.
  for (int status : {300, 304, 307, 500}) {
    const std::string n = std::to_string(status);
    all.push_back({"other status", Http(status), AnswerEnd::Failed, kDownloadBadStatus,
                   "<html>Parse Download Error #" + n + " - URL Query Error " + n + "</html>\n",
                   "URL '" + kUrl + "' Query Error #" + n});
  }
  for (const Row& row : all) {
    SCOPED_TRACE(row.what + std::string(" ") + std::to_string(row.facts.status));
    const AnswerVerdict verdict = JudgeAnswer(row.facts, kUrl);
    EXPECT_EQ(verdict.end, row.end);
    if (row.end != AnswerEnd::Failed) continue;
    EXPECT_EQ(verdict.failure.code, row.code);
    EXPECT_EQ(verdict.failure.page, row.page);
    EXPECT_EQ(verdict.failure.logLine, row.logLine);
  }
}

TEST(AnswerVerdict, LogLinesAndPagesStopAt1000Characters) {
  const std::string longUrl(3000, 'u');
  const AnswerVerdict verdict = JudgeAnswer(AnswerFacts{}, longUrl);
  EXPECT_EQ(verdict.failure.logLine.size(), 1000u);
  const Failure session = SessionFailure(longUrl);
  EXPECT_EQ(session.page, "<html>Parse Download Error #0. '" + session.logLine + "'</html>\n");
  EXPECT_EQ(session.logLine.size(), 1000u);
}

TEST(AnswerVerdict, FailuresOutsideAnAnswer) {
  struct Row {
    const char* what;
    Failure failure;
    int code;
    std::string page;
    bool logged;
  };
  const Row rows[] = {
      {"address too long", UrlTooLongFailure(), kDownloadUrlTooLong,
       "<html>Parse Download Error - URL too long</html>\n", false},
      {"bad slot", BadSlotFailure(), kDownloadBadSlot,
       "<html>Parse Download Error - Bad Slot Number.</html>\n", false},
      {"no page buffer", NoPageBufferFailure(), kDownloadNoPageBuffer,
       "<html>Parse Download Error - No Page Buffer.</html>\n", false},
      {"redirect refused", RedirectFailure(302, kUrl), kDownloadRedirectRefused,
       "<html>Parse Download Error #302 - URL redirected not allowed.</html>\n", true},
      {"host places unusable", HostPlacesFailure(kUrl), kDownloadNoHostPlace,
       "<html>Parse Download Error - Host Places Unusable.</html>\n", true},
      {"time limit", TimeLimitFailure(kUrl), kDownloadTimedOut,
       "<html>Parse Download Error #99.</html>\n", true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    EXPECT_EQ(row.failure.code, row.code);
    EXPECT_EQ(row.failure.page, row.page);
    EXPECT_EQ(!row.failure.logLine.empty(), row.logged);
  }
}

TEST(NotFoundMessage, BothMarkersInAnyLetterCase) {
  struct Row {
    std::string head;
    bool notFound;
  };
  const Row rows[] = {
      {"<H1>ERROR</H1> File NOT FOUND", true},
      {"<h1>Error</h1><p>page not found</p>", true},
      {"not found ... <H1>eRRoR</h1>", true},
      {"NOT FOUND", false},
      {"<H1>ERROR</H1>", false},
      {"<H1> ERROR</H1> NOT FOUND", false},
      {"NOT  FOUND <H1>ERROR</H1>", false},
      {"", false},
      // Bytes outside ASCII are no letters: the markers stay apart.
      {"\xc9rror <H1>ERROR</H1> NOT\xa0"
       "FOUND",
       false},
  };
  for (const Row& row : rows) EXPECT_EQ(IsNotFoundMessage(row.head), row.notFound) << row.head;
}

}  // namespace
}  // namespace kovalo
