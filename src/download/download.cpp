// The download engine on libcurl: slots, sessions, the transfer with its
// stall watchdog, redirects and the error pages.
//
// A caller (DownloadUrl) owns its slot for the whole call. It takes a host
// place and runs each attempt itself, on its own thread: the slot's curl
// handle goes through the slot's curl multi handle, whose poll waits on the
// network at most one step at a time. Between the waits the caller tests
// RunState and how long the transfer has made no progress, and ends the
// attempt when either says so; SetRunState cuts a pending wait short
// (curl_multi_wakeup), so a stop takes effect at once.
#include "download/download.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <random>
#include <string_view>

#include "download/address.h"
#include "download/admission.h"
#include "download/engine_event.h"
#include "download/engine_sinks.h"
#include "download/run_state.h"

namespace kovalo {

namespace {

constexpr std::size_t kRawHeaderLimit = 8000;
constexpr std::size_t kDiscardLimit =
    65536;  // body of a non-200 answer read to keep the connection

using Clock = std::chrono::steady_clock;

// What one attempt found out: written by curl's callbacks and the local file
// read, then judged by DownloadUrl.
struct AttemptFacts {
  bool localFile = false;
  bool opened = false;  // local file: it could be opened
  bool isHttp = true;
  bool sessionFailed = false;
  bool exception = false;  // the attempt threw (out of memory)
  bool stopped = false;    // RunState ended the attempt
  bool statusLineSeen = false;
  bool headersComplete = false;
  bool unusableStatus = false;    // an answer without a status curl accepts
  bool errorPageContent = false;  // both 404 markers in the first 10000 bytes
  bool checkedContent = false;
  int status = 0;
  CURLcode curlResult = CURLE_OK;
  std::string rawHeaders;
  std::size_t received = 0;
  std::size_t discarded = 0;
};

struct Slot {
  // Held by DownloadUrl, Prepare and the release of the page buffer, so one
  // job at a time uses the slot's buffers and session.
  std::mutex job;

  // Guards multi against the wakers of SetRunState, and the slot's place in
  // the live count (see SlotInUse).
  std::mutex mutex;
  CURLM* multi = nullptr;
  bool counted = false;  // in TransferThreadCount
  bool busy = false;     // a download runs in the slot

  // The session and the present attempt, used under job only.
  CURL* easy = nullptr;
  curl_slist* requestHeaders = nullptr;
  Clock::time_point lastActivity;  // the stall watchdog's

  std::unique_ptr<char[]> page;
  std::size_t pageSize = 0;
  std::size_t maxPageSize = 0;
  char resultText[kResultTextSize] = {};

  std::string url;       // the address of the present attempt
  std::string fileName;  // kept with the job; nothing is written to it
  int retries = 0;
  AttemptFacts facts;
};

struct Engine {
  Engine() { curl_global_init(CURL_GLOBAL_DEFAULT); }
  ~Engine();

  std::array<Slot, kSlotCount> slots;
  std::atomic<int> handleCount{-1};
};

Engine& TheEngine() {
  static Engine engine;
  return engine;
}

// ---- error pages and log lines ------------------------------------------

std::string Printf(const char* format, int a) {
  char text[200];
  std::snprintf(text, sizeof text, format, a, a);
  return text;
}

std::string LogLine(std::string_view before, const std::string& url, std::string_view after) {
  std::string line;
  line.append(before).append(url).append(after);
  return line.substr(0, 1000);
}

struct Failure {
  int code;
  std::string page;
  std::string logLine;  // empty: nothing to log
};

Failure ExceptionFailure(int code, const std::string& logLine) {
  return {code, "<html>Parse Download Error #0. '" + logLine.substr(0, 1000) + "'</html>\n",
          logLine};
}

Failure StoppedFailure() { return ExceptionFailure(kDownloadAborted, "session Closed Aborting"); }

Failure OpenFailure(const std::string& url, bool localFile) {
  return {kDownloadNoHandle, "<html>Parse Download Error #99.</html>\n",
          LogLine("URL '", url,
                  localFile ? "' (OpenURL() return bad file handle) Unable to download URL"
                            : "' (OpenURL() return NULL file handle) Unable to download URL")};
}

Failure StatusFailure(int status, const std::string& url) {
  switch (status) {
    case 401:
      return {kDownloadPasswordProtected,
              Printf("<html>Parse Download Error #%d - Password Protected.</html>\n", 401),
              LogLine("URL '", url, "' HTTP_STATUS_DENIED")};
    case 403:
      return {kDownloadForbidden,
              Printf("<html>Parse Download Error #%d - URL File Forbidden.</html>\n", 403),
              LogLine("URL '", url, "' File Forbidden")};
    case 404:
      return {kDownloadNotFound,
              Printf("<html>Parse Download Error #%d - URL File Not Found.</html>\n", 404),
              LogLine("URL '", url, "' File Not Found")};
    default:
      return {kDownloadBadStatus,
              Printf("<html>Parse Download Error #%d - URL Query Error %d</html>\n", status),
              LogLine("URL '", url, "' Query Error #" + std::to_string(status))};
  }
}

Failure RedirectFailure(int status, const std::string& url) {
  return {kDownloadRedirectRefused,
          Printf("<html>Parse Download Error #%d - URL redirected not allowed.</html>\n", status),
          LogLine("URL '", url, "' HTTP_STATUS_REDIRECTED")};
}

// ---- receiving bytes (curl's callbacks) ---------------------------------

// Looks for both 404 markers, in any letter case, in the page's first 10000
// bytes (the result text): an upper-case copy lets the library's search do it.
void CheckForErrorPage(Slot& slot) {
  AttemptFacts& facts = slot.facts;
  facts.checkedContent = true;
  const std::size_t n = std::min<std::size_t>(facts.received, kChunkSize);
  char upper[kChunkSize];
  std::transform(slot.resultText, slot.resultText + n, upper, [](char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
  });
  const std::string_view head(upper, n);
  facts.errorPageContent =
      head.find("NOT FOUND") != head.npos && head.find("<H1>ERROR</H1>") != head.npos;
}

// Puts page bytes behind those received, never beyond the maximum page size;
// the first 10000 bytes also go to the result text. Returns the bytes taken.
std::size_t AcceptBytes(Slot& slot, const char* data, std::size_t n) {
  AttemptFacts& facts = slot.facts;
  std::size_t room = slot.maxPageSize > facts.received ? slot.maxPageSize - facts.received : 0;
  std::size_t take = std::min(n, room);
  std::memcpy(slot.page.get() + facts.received, data, take);
  if (facts.received < kChunkSize) {
    std::memcpy(slot.resultText + facts.received, data,
                std::min<std::size_t>(take, kChunkSize - facts.received));
  }
  facts.received += take;
  slot.lastActivity = Clock::now();
  if (!facts.checkedContent && facts.received >= kChunkSize) CheckForErrorPage(slot);
  return take;
}

size_t WriteBody(char* data, size_t, size_t n, void* user) {
  Slot& slot = *static_cast<Slot*>(user);
  AttemptFacts& facts = slot.facts;
  if (facts.isHttp && facts.status != 200) {
    // The body of an error or redirect answer is not wanted; a short one is
    // read anyway so that the connection can serve the next request.
    facts.discarded += n;
    slot.lastActivity = Clock::now();
    return facts.discarded <= kDiscardLimit ? n : 0;
  }
  std::size_t taken = AcceptBytes(slot, data, n);
  if (facts.errorPageContent) return 0;
  return taken;  // less than n when the page is full: that ends the transfer
}

size_t ReceiveHeader(char* data, size_t, size_t n, void* user) {
  Slot& slot = *static_cast<Slot*>(user);
  AttemptFacts& facts = slot.facts;
  std::string_view line(data, n);
  if (line.substr(0, 5) == "HTTP/") {
    // A new answer begins (after a 100 Continue, say).
    facts.statusLineSeen = true;
    facts.headersComplete = false;
    facts.rawHeaders.clear();
    facts.status = 0;
    std::size_t pos = line.find(' ');
    if (pos != std::string_view::npos) {
      ++pos;
      for (int digits = 0;
           digits < 3 && pos < line.size() && std::isdigit(static_cast<unsigned char>(line[pos]));
           ++digits, ++pos) {
        facts.status = facts.status * 10 + (line[pos] - '0');
      }
    }
  }
  if (facts.rawHeaders.size() < kRawHeaderLimit) {
    facts.rawHeaders.append(line.substr(0, kRawHeaderLimit - facts.rawHeaders.size()));
  }
  if ((line == "\r\n" || line == "\n") && facts.statusLineSeen &&
      (facts.status < 100 || facts.status >= 200)) {
    facts.headersComplete = true;
  }
  slot.lastActivity = Clock::now();
  return n;
}

// ---- sessions --------------------------------------------------------------

bool EnsureSession(Slot& slot) {
  if (slot.easy != nullptr) return true;
  CURL* easy = curl_easy_init();
  CURLM* multi = curl_multi_init();
  if (easy == nullptr || multi == nullptr) {
    if (easy != nullptr) curl_easy_cleanup(easy);
    if (multi != nullptr) curl_multi_cleanup(multi);
    return false;
  }
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, static_cast<long>(kChunkSize));
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, WriteBody);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, &slot);
  curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, ReceiveHeader);
  curl_easy_setopt(easy, CURLOPT_HEADERDATA, &slot);
  curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);  // redirects are followed by the engine
  curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https,ftp");
  // Never guessed from the host name (curl would take "ftp.host/..." for ftp).
  curl_easy_setopt(easy, CURLOPT_DEFAULT_PROTOCOL, "http");
  curl_easy_setopt(easy, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
  curl_easy_setopt(easy, CURLOPT_HTTP_CONTENT_DECODING, 0L);  // the bytes as sent
  for (const char* header : {"Accept: */*", "Cache-Control: no-cache", "Pragma: no-cache"}) {
    slot.requestHeaders = curl_slist_append(slot.requestHeaders, header);
  }
  curl_easy_setopt(easy, CURLOPT_HTTPHEADER, slot.requestHeaders);
  // No CURLOPT_PROXY: curl then takes the proxy from the environment
  // (http_proxy, https_proxy, no_proxy), which is how this system is set up.
  slot.easy = easy;
  std::lock_guard lock(slot.mutex);
  slot.multi = multi;
  return true;
}

void CloseSession(Slot& slot) {
  CURLM* multi;
  {
    std::lock_guard lock(slot.mutex);
    multi = slot.multi;
    slot.multi = nullptr;
  }
  if (multi != nullptr) curl_multi_cleanup(multi);
  if (slot.easy != nullptr) curl_easy_cleanup(slot.easy);
  slot.easy = nullptr;
  curl_slist_free_all(slot.requestHeaders);
  slot.requestHeaders = nullptr;
}

void CloseAllSessions() {
  for (Slot& slot : TheEngine().slots) {
    std::lock_guard job(slot.job);
    CloseSession(slot);
  }
}

// ---- one attempt ------------------------------------------------------------

bool HasSchemeNoCase(std::string_view url, std::string_view scheme) {
  return url.size() >= scheme.size() &&
         std::equal(scheme.begin(), scheme.end(), url.begin(), [](char a, char b) {
           return a == std::tolower(static_cast<unsigned char>(b));
         });
}

void ReadLocalFile(Slot& slot) {
  AttemptFacts& facts = slot.facts;
  facts.localFile = true;
  std::string path = LocalFilePath(slot.url);
  // O_NONBLOCK keeps a named pipe from blocking the open; only plain files
  // are read.
  auto openPlainFile = [](const std::string& name) {
    int fd = open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat info {};
    if (fd >= 0 && (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))) {
      close(fd);
      fd = -1;
    }
    return fd;
  };
  int fd = openPlainFile(path);
  if (fd < 0) fd = openPlainFile(UnescapeBlankAndCaret(path));
  if (fd < 0) return;
  facts.opened = true;
  char chunk[kChunkSize];
  while (facts.received < slot.maxPageSize && !facts.errorPageContent) {
    if (RunState.load() >= 0) {
      facts.stopped = true;
      break;
    }
    ssize_t n =
        read(fd, chunk, std::min<std::size_t>(sizeof chunk, slot.maxPageSize - facts.received));
    if (n <= 0) break;
    AcceptBytes(slot, chunk, static_cast<std::size_t>(n));
  }
  close(fd);
}

// Drives the slot's curl handle until its transfer is done; false when
// RunState or the stall watchdog ended it first. The poll waits on the
// network for at most the shorter of the two steps, or until SetRunState
// wakes it; curl shortens it further when its own timers are due.
bool RunTransfer(Slot& slot, const DownloadTimings& timings) {
  CURLM* multi = slot.multi;
  const int step = std::max(1, std::min(timings.callerStepMs, timings.threadStepMs));
  const auto stallLimit = std::chrono::milliseconds(timings.transferTimeoutMs);
  bool done = false;
  slot.lastActivity = Clock::now();
  curl_multi_add_handle(multi, slot.easy);
  for (;;) {
    int running = 0;
    if (curl_multi_perform(multi, &running) != CURLM_OK) break;
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(multi, &queued)) {
      if (message->msg == CURLMSG_DONE) {
        slot.facts.curlResult = message->data.result;
        done = true;
      }
    }
    if (done || running == 0) break;
    if (RunState.load() >= 0 || Clock::now() - slot.lastActivity >= stallLimit) break;
    curl_multi_poll(multi, nullptr, 0, step, nullptr);
  }
  curl_multi_remove_handle(multi, slot.easy);
  return done;
}

void FetchWithCurl(Slot& slot, const DownloadTimings& timings) {
  AttemptFacts& facts = slot.facts;
  CURL* easy = slot.easy;
  if (easy == nullptr || slot.multi == nullptr) {
    facts.sessionFailed = true;
    return;
  }
  // An address without a scheme is fetched as http (CURLOPT_DEFAULT_PROTOCOL),
  // so its status counts as for any http address.
  facts.isHttp = HasSchemeNoCase(slot.url, "http://") || HasSchemeNoCase(slot.url, "https://") ||
                 !HasScheme(slot.url);
  // Room for the whole raw head now, so that the header callback never
  // allocates (an exception must not pass through curl).
  facts.rawHeaders.reserve(kRawHeaderLimit);

  // A user agent of three capital letters drawn afresh for every request.
  const auto tick =
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch());
  std::minstd_rand random(static_cast<unsigned>(tick.count()));
  char agent[4] = {};
  for (int i = 0; i < 3; ++i) agent[i] = static_cast<char>('A' + (random() % 32768) % 26);
  curl_easy_setopt(easy, CURLOPT_USERAGENT, agent);  // curl keeps a copy
  curl_easy_setopt(easy, CURLOPT_URL, slot.url.c_str());
  curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(timings.transferTimeoutMs));

  for (int tries = 0;; ++tries) {
    facts.curlResult = CURLE_OK;
    const bool done = RunTransfer(slot, timings);
    if (facts.curlResult == CURLE_UNSUPPORTED_PROTOCOL && !facts.statusLineSeen) {
      // The request went out and the answer began with something curl does
      // not take for a status line, or with a status below 100.
      long requestSize = 0;
      curl_easy_getinfo(easy, CURLINFO_REQUEST_SIZE, &requestSize);
      facts.unusableStatus = requestSize > 0;
    }
    if (!done) {
      // A stall ends the attempt like a broken connection; a stop, as a stop.
      facts.curlResult = CURLE_ABORTED_BY_CALLBACK;
      facts.stopped = RunState.load() >= 0;
      return;
    }
    // The client's connect retries: a refused connection is tried again.
    if (facts.curlResult != CURLE_COULDNT_CONNECT || tries >= slot.retries || RunState.load() >= 0)
      return;
  }
}

void RunAttempt(Slot& slot, const DownloadTimings& timings) {
  slot.facts = AttemptFacts{};
  if (RunState.load() >= 0) {
    slot.facts.stopped = true;
    return;
  }
  try {
    if (IsLocalFileAddress(slot.url)) {
      ReadLocalFile(slot);
    } else {
      FetchWithCurl(slot, timings);
    }
  } catch (...) {
    slot.facts.exception = true;
    return;
  }
  AttemptFacts& facts = slot.facts;
  bool pageArrived = facts.localFile ? facts.opened : (!facts.isHttp || facts.status == 200);
  if (pageArrived && !facts.checkedContent && !facts.stopped) CheckForErrorPage(slot);
}

// ---- the live count ---------------------------------------------------------
//
// A slot counts in TransferThreadCount from its first download while RunState
// is negative until the engine stops. Then an idle slot leaves the count when
// SetRunState wakes the slots, and a busy one when its download returns, so
// StopDownloadsAndWait, which waits for the count to reach -1, returns only
// once no download runs any more. Both sides decide under the slot's mutex,
// so the slot leaves exactly once.

bool LeaveCountWhenStopping(Slot& slot) {
  if (!slot.counted || slot.busy || RunState.load() < 0) return false;
  slot.counted = false;
  TransferThreadCount.fetch_sub(1);
  return true;
}

class SlotInUse {
 public:
  explicit SlotInUse(Slot& slot) : slot_(slot) {
    std::lock_guard lock(slot.mutex);
    slot.busy = true;
    if (!slot.counted && RunState.load() < 0) {
      slot.counted = true;
      TransferThreadCount.fetch_add(1);
    }
  }
  ~SlotInUse() {
    bool left;
    {
      std::lock_guard lock(slot_.mutex);
      slot_.busy = false;
      left = LeaveCountWhenStopping(slot_);
    }
    if (left) detail::NotifyEngineEvent();
  }
  SlotInUse(const SlotInUse&) = delete;
  SlotInUse& operator=(const SlotInUse&) = delete;

 private:
  Slot& slot_;
};

bool FollowableScheme(std::string_view url) {
  // A target without a scheme (a relative Location met on an address without
  // one) is fetched as http like that address.
  return HasSchemeNoCase(url, "http://") || HasSchemeNoCase(url, "https://") ||
         HasSchemeNoCase(url, "ftp://") || (!HasScheme(url) && !IsLocalFileAddress(url));
}

enum class AttemptEnd { Page, Redirect, Failed };

AttemptEnd Judge(const Slot& slot, Failure& failure) {
  const AttemptFacts& facts = slot.facts;
  if (facts.sessionFailed) {
    failure =
        ExceptionFailure(kDownloadException,
                         LogLine("URL '", slot.url,
                                 "' (Exception Error on Session Creation) Unable to download URL"));
    return AttemptEnd::Failed;
  }
  if (facts.exception) {
    failure = ExceptionFailure(kDownloadException,
                               LogLine("URL '", slot.url,
                                       "' (Exception Error on Read() file from internet) Unable "
                                       "to download URL"));
    return AttemptEnd::Failed;
  }
  if (facts.stopped) {
    failure = StoppedFailure();
    return AttemptEnd::Failed;
  }
  if (facts.errorPageContent) {
    failure = {kDownloadErrorPage,
               "<html>HTML page contained some kind of 404 error message</html>\n",
               LogLine("URL '", slot.url, "' File Not Found")};
    return AttemptEnd::Failed;
  }
  if (facts.localFile) {
    if (facts.opened) return AttemptEnd::Page;
    failure = OpenFailure(slot.url, true);
    return AttemptEnd::Failed;
  }
  if (!facts.isHttp) {
    if (facts.curlResult == CURLE_OK || facts.received > 0) return AttemptEnd::Page;
    failure = OpenFailure(slot.url, false);
    return AttemptEnd::Failed;
  }
  if (facts.headersComplete) {
    // A stall or a broken connection while reading the page ends the read:
    // the bytes received so far are the page.
    if (facts.status == 200) return AttemptEnd::Page;
    if (facts.status >= 301 && facts.status <= 303) return AttemptEnd::Redirect;
    failure = StatusFailure(facts.status, slot.url);
    return AttemptEnd::Failed;
  }
  if (facts.unusableStatus) {
    // curl does not give the code of such an answer; it counts as status 0.
    failure = StatusFailure(0, slot.url);
    return AttemptEnd::Failed;
  }
  if (facts.statusLineSeen) {
    failure = {kDownloadQueryFailed, "<html>Parse Download Error - Query Error.</html>\n",
               LogLine("URL '", slot.url,
                       "' (Error on QueryInfoStatusCode() ) Unable to download URL")};
    return AttemptEnd::Failed;
  }
  failure = OpenFailure(slot.url, false);
  return AttemptEnd::Failed;
}

Engine::~Engine() {
  for (Slot& slot : slots) CloseSession(slot);
  curl_global_cleanup();
}

}  // namespace

namespace detail {

void WakeSlotWaits() {
  bool left = false;
  for (Slot& slot : TheEngine().slots) {
    std::lock_guard lock(slot.mutex);
    if (slot.multi != nullptr) curl_multi_wakeup(slot.multi);
    left = LeaveCountWhenStopping(slot) || left;
  }
  if (left) NotifyEngineEvent();
}

}  // namespace detail

// ---- CDlf ---------------------------------------------------------------------

CDlf::CDlf() {
  // The first handle of the run finds the counter at -1 and leaves it at 1;
  // between jobs it rests at 0.
  std::atomic<int>& count = TheEngine().handleCount;
  if (count.fetch_add(1) + 1 == 0) count.fetch_add(1);
}

CDlf::~CDlf() {
  Engine& engine = TheEngine();
  for (int i = 0; i < kSlotCount; ++i) {
    if ((preparedSlots_ & (1u << i)) == 0) continue;
    Slot& slot = engine.slots[i];
    std::lock_guard job(slot.job);
    slot.page.reset();
    slot.pageSize = 0;
    slot.maxPageSize = 0;
  }
  std::atomic<int>& count = engine.handleCount;
  int left = count.fetch_sub(1) - 1;
  if (RunState.load() < 0) {
    if (left < 0) CloseAllSessions();
  } else if (left == 0) {
    // The program is stopping: the last handle closes the sessions.
    if (count.fetch_sub(1) - 1 < 0) {
      CloseAllSessions();
    } else {
      count.fetch_add(1);
    }
  }
}

int CDlf::Prepare(int slotNumber, int64_t maxPageSize) {
  if (slotNumber < 0 || slotNumber >= kSlotCount) return kDownloadBadSlot;
  Slot& slot = TheEngine().slots[slotNumber];
  std::lock_guard job(slot.job);
  preparedSlots_ |= 1u << slotNumber;
  EnsureSession(slot);  // a failure shows when the slot downloads
  std::size_t maxPage = maxPageSize > 0 ? static_cast<std::size_t>(maxPageSize) : 0;
  constexpr std::size_t kHeadroom = kChunkSize;
  if (maxPage > SIZE_MAX / 2)
    maxPage = SIZE_MAX / 2;  // no overflow below; such a size fails anyway
  std::size_t wanted = maxPage + kHeadroom;
  if (slot.pageSize < wanted) {
    slot.page.reset();
    slot.pageSize = 0;
    slot.maxPageSize = 0;
    char* buffer = new (std::nothrow) char[wanted];
    if (buffer == nullptr) {
      detail::ShowProgramError("Global Alloc Error");
      return kDownloadNoPageBuffer;
    }
    slot.page.reset(buffer);
    slot.pageSize = wanted;
  }
  slot.maxPageSize = maxPage;
  slot.page[0] = '\0';
  return 0;
}

// ---- DownloadUrl ----------------------------------------------------------------

int DownloadUrl(const char*& resultText, int slotNumber, std::string& url, int& length,
                const std::string& fileName, int retries) {
  if (slotNumber < 0 || slotNumber >= kSlotCount) {
    static const char kBadSlot[] = "<html>Parse Download Error - Bad Slot Number.</html>\n";
    resultText = kBadSlot;
    length = static_cast<int>(sizeof kBadSlot - 1);
    return kDownloadBadSlot;
  }
  Slot& slot = TheEngine().slots[slotNumber];
  std::lock_guard job(slot.job);
  resultText = slot.resultText;

  auto fail = [&](const Failure& failure) {
    std::size_t n = std::min<std::size_t>(failure.page.size(), kResultTextSize - 1);
    std::memcpy(slot.resultText, failure.page.data(), n);
    slot.resultText[n] = '\0';
    length = static_cast<int>(n);
    if (!failure.logLine.empty()) detail::LogDownloadFailure(failure.logLine);
    return failure.code;
  };

  if (url.size() > static_cast<std::size_t>(kMaxUrlLength)) {
    return fail({kDownloadUrlTooLong, "<html>Parse Download Error - URL too long</html>\n", ""});
  }
  slot.url = url;
  slot.fileName = fileName;
  slot.retries = retries;
  if (slot.page == nullptr) {
    // Prepare was not called, or could not get the buffer.
    return fail(
        {kDownloadNoPageBuffer, "<html>Parse Download Error - No Page Buffer.</html>\n", ""});
  }

  const DownloadTimings timings = CurrentDownloadTimings();
  SlotInUse inUse(slot);
  HostPlace place;
  Admission admission = HostAdmission::Take(HostKey(url), place, nullptr);
  if (admission == Admission::Stopped) return fail(StoppedFailure());
  if (!IsLocalFileAddress(url) && !EnsureSession(slot)) {
    return fail(ExceptionFailure(
        kDownloadException,
        LogLine("URL '", url, "' (Exception Error on Session Creation) Unable to download URL")));
  }

  for (int redirects = 0;;) {
    slot.url = url;
    RunAttempt(slot, timings);
    Failure failure{0, "", ""};
    AttemptEnd end = Judge(slot, failure);
    if (end == AttemptEnd::Failed) return fail(failure);
    if (end == AttemptEnd::Page) {
      std::size_t received = slot.facts.received;
      slot.resultText[std::min<std::size_t>(received, kChunkSize)] = '\0';
      slot.page[received] = '\0';
      length = static_cast<int>(received);
      return kDownloadOk;
    }
    // A redirect: a new attempt at once, within the same admission. Only web
    // addresses are followed, so a site cannot make the engine read a local
    // file.
    std::string location = FindLocation(slot.facts.rawHeaders);
    std::string target = location.empty() ? std::string() : ResolveRedirect(url, location);
    if (target.empty() || target.size() > static_cast<std::size_t>(kMaxUrlLength) ||
        !FollowableScheme(target) || redirects >= kMaxRedirects) {
      return fail(RedirectFailure(slot.facts.status, url));
    }
    ++redirects;
    url = target;
  }
}

char* SlotPageBuffer(int slot) {
  if (slot < 0 || slot >= kSlotCount) return nullptr;
  return TheEngine().slots[slot].page.get();
}

std::size_t SlotPageBufferSize(int slot) {
  if (slot < 0 || slot >= kSlotCount) return 0;
  return TheEngine().slots[slot].pageSize;
}

const char* SlotResultText(int slot) {
  if (slot < 0 || slot >= kSlotCount) return "";
  return TheEngine().slots[slot].resultText;
}

}  // namespace kovalo
