// The download engine on libcurl: slots, sessions, the transfer with its
// stall watchdog, redirects and the error pages.
//
// A caller (DownloadUrl) owns its slot for the whole call. It takes a host
// place and runs each attempt itself, on its own thread: the slot's curl
// handle goes through the slot's curl multi handle, whose poll waits on the
// network at most one step at a time. Between the waits the caller tests
// RunState, how long the transfer has made no progress and the page's time
// limit, and ends the attempt when one of them says so; SetRunState cuts a
// pending wait short (curl_multi_wakeup), so a stop takes effect at once.
// What an attempt found out lives with the attempt; answer_verdict.cpp
// judges it.
#include "download/download.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <random>
#include <string_view>

#include "download/address.h"
#include "download/admission.h"
#include "download/answer_verdict.h"
#include "text/ascii_case.h"
#include "download/engine_event.h"
#include "download/engine_sinks.h"
#include "download/run_state.h"

namespace kovalo {

namespace {

constexpr std::size_t kRawHeaderLimit = 8000;
constexpr std::size_t kDiscardLimit =
    65536;  // body of a non-200 answer read to keep the connection

using Clock = std::chrono::steady_clock;

struct Slot {
  // Held by DownloadUrl, Prepare and the release of the page buffer, so one
  // job at a time uses the slot's buffers and session.
  std::mutex job;

  // Guards multi against the wake-ups of SetRunState.
  std::mutex mutex;
  CURLM* multi = nullptr;

  // The session, used under job only.
  CURL* easy = nullptr;
  curl_slist* requestHeaders = nullptr;

  std::unique_ptr<char[]> page;
  std::size_t pageSize = 0;
  std::size_t maxPageSize = 0;
  char resultText[kResultTextSize] = {};
};

// One attempt at one address: what curl's callbacks and the local file read
// record, and the clocks that may end it. A redirect starts a new one.
struct Attempt {
  Attempt(Slot& slot, std::string url, Clock::time_point deadline)
      : slot(slot), url(std::move(url)), deadline(deadline) {}

  Slot& slot;
  const std::string url;
  const Clock::time_point deadline;  // the page's time limit
  Clock::time_point lastActivity;    // the stall watchdog's
  AnswerFacts facts;
  bool checkedContent = false;  // the 404 check has looked at the page's head
  std::string rawHeaders;       // of the last answer, at most kRawHeaderLimit bytes
  std::size_t discarded = 0;    // body bytes of a non-200 answer
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

// ---- receiving bytes (curl's callbacks) ---------------------------------

// Runs the 404 check on the page's first 10000 bytes (the result text).
void CheckForErrorPage(Attempt& attempt) {
  attempt.checkedContent = true;
  const std::size_t n = std::min<std::size_t>(attempt.facts.received, kChunkSize);
  attempt.facts.errorPageContent = IsNotFoundMessage(std::string_view(attempt.slot.resultText, n));
}

// Puts page bytes behind those received, never beyond the maximum page size;
// the first 10000 bytes also go to the result text. Returns the bytes taken.
std::size_t AcceptBytes(Attempt& attempt, const char* data, std::size_t n) {
  Slot& slot = attempt.slot;
  AnswerFacts& facts = attempt.facts;
  std::size_t room = slot.maxPageSize > facts.received ? slot.maxPageSize - facts.received : 0;
  std::size_t take = std::min(n, room);
  std::memcpy(slot.page.get() + facts.received, data, take);
  if (facts.received < kChunkSize) {
    std::memcpy(slot.resultText + facts.received, data,
                std::min<std::size_t>(take, kChunkSize - facts.received));
  }
  facts.received += take;
  attempt.lastActivity = Clock::now();
  if (!attempt.checkedContent && facts.received >= kChunkSize) CheckForErrorPage(attempt);
  return take;
}

size_t WriteBody(char* data, size_t, size_t n, void* user) {
  Attempt& attempt = *static_cast<Attempt*>(user);
  AnswerFacts& facts = attempt.facts;
  if (facts.isHttp && facts.status != 200) {
    // The body of an error or redirect answer is not wanted; a short one is
    // read anyway so that the connection can serve the next request.
    attempt.discarded += n;
    attempt.lastActivity = Clock::now();
    return attempt.discarded <= kDiscardLimit ? n : 0;
  }
  std::size_t taken = AcceptBytes(attempt, data, n);
  if (facts.errorPageContent) return 0;
  return taken;  // less than n when the page is full: that ends the transfer
}

size_t ReceiveHeader(char* data, size_t, size_t n, void* user) {
  Attempt& attempt = *static_cast<Attempt*>(user);
  AnswerFacts& facts = attempt.facts;
  std::string_view line(data, n);
  if (line.substr(0, 5) == "HTTP/") {
    // A new answer begins (after a 100 Continue, say).
    facts.statusLineSeen = true;
    facts.headersComplete = false;
    attempt.rawHeaders.clear();
    facts.status = 0;
    std::size_t pos = line.find(' ');
    if (pos != std::string_view::npos) {
      ++pos;
      for (int digits = 0; digits < 3 && pos < line.size() && line[pos] >= '0' && line[pos] <= '9';
           ++digits, ++pos) {
        facts.status = facts.status * 10 + (line[pos] - '0');
      }
    }
  }
  if (attempt.rawHeaders.size() < kRawHeaderLimit) {
    attempt.rawHeaders.append(line.substr(0, kRawHeaderLimit - attempt.rawHeaders.size()));
  }
  if ((line == "\r\n" || line == "\n") && facts.statusLineSeen &&
      (facts.status < 100 || facts.status >= 200)) {
    facts.headersComplete = true;
  }
  attempt.lastActivity = Clock::now();
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
  // Their data, the attempt, is set by each attempt.
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, WriteBody);
  curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, ReceiveHeader);
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

void ReadLocalFile(Attempt& attempt) {
  AnswerFacts& facts = attempt.facts;
  const std::size_t maxPageSize = attempt.slot.maxPageSize;
  facts.localFile = true;
  std::string path = LocalFilePath(attempt.url);
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
  while (facts.received < maxPageSize && !facts.errorPageContent) {
    if (RunState.load() >= 0) {
      facts.stopped = true;
      break;
    }
    if (Clock::now() >= attempt.deadline) {
      facts.timedOut = true;
      break;
    }
    ssize_t n = read(fd, chunk, std::min<std::size_t>(sizeof chunk, maxPageSize - facts.received));
    if (n <= 0) break;
    AcceptBytes(attempt, chunk, static_cast<std::size_t>(n));
  }
  close(fd);
}

// Drives the slot's curl handle until its transfer is done; false when
// RunState, the stall watchdog or the time limit ended it first. The poll
// waits on the network for at most one step, or until SetRunState wakes it;
// curl shortens it further when its own timers are due, and so does the
// time limit.
bool RunTransfer(Attempt& attempt, const DownloadTimings& timings, CURLcode& result) {
  CURLM* multi = attempt.slot.multi;
  CURL* easy = attempt.slot.easy;
  const auto step = std::chrono::milliseconds(std::max(1, timings.pollStepMs));
  const auto stallLimit = std::chrono::milliseconds(timings.transferTimeoutMs);
  bool done = false;
  attempt.lastActivity = Clock::now();
  curl_multi_add_handle(multi, easy);
  for (;;) {
    int running = 0;
    if (curl_multi_perform(multi, &running) != CURLM_OK) break;
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(multi, &queued)) {
      if (message->msg == CURLMSG_DONE) {
        result = message->data.result;
        done = true;
      }
    }
    if (done || running == 0) break;
    const auto now = Clock::now();
    if (RunState.load() >= 0 || now - attempt.lastActivity >= stallLimit) break;
    if (now >= attempt.deadline) {
      attempt.facts.timedOut = true;
      break;
    }
    const auto wait = std::min<Clock::duration>(step, attempt.deadline - now);
    curl_multi_poll(multi, nullptr, 0,
                    static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(wait).count()),
                    nullptr);
  }
  curl_multi_remove_handle(multi, easy);
  return done;
}

void FetchWithCurl(Attempt& attempt, const DownloadTimings& timings, int retries) {
  AnswerFacts& facts = attempt.facts;
  CURL* easy = attempt.slot.easy;
  if (easy == nullptr || attempt.slot.multi == nullptr) {
    facts.sessionFailed = true;
    return;
  }
  // An address without a scheme is fetched as http (CURLOPT_DEFAULT_PROTOCOL),
  // so its status counts as for any http address.
  const std::string& url = attempt.url;
  facts.isHttp = StartsWithIgnoringAsciiCase(url, "http://") ||
                 StartsWithIgnoringAsciiCase(url, "https://") || !HasScheme(url);
  // Room for the whole raw head now, so that the header callback never
  // allocates (an exception must not pass through curl).
  attempt.rawHeaders.reserve(kRawHeaderLimit);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, &attempt);
  curl_easy_setopt(easy, CURLOPT_HEADERDATA, &attempt);

  // A user agent of three capital letters drawn afresh for every request.
  const auto tick =
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch());
  std::minstd_rand random(static_cast<unsigned>(tick.count()));
  char agent[4] = {};
  for (int i = 0; i < 3; ++i) agent[i] = static_cast<char>('A' + (random() % 32768) % 26);
  curl_easy_setopt(easy, CURLOPT_USERAGENT, agent);  // curl keeps a copy
  curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
  curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(timings.transferTimeoutMs));

  for (int tries = 0;; ++tries) {
    CURLcode result = CURLE_OK;
    const bool done = RunTransfer(attempt, timings, result);
    if (result == CURLE_UNSUPPORTED_PROTOCOL && !facts.statusLineSeen) {
      // The request went out and the answer began with something curl does
      // not take for a status line, or with a status below 100.
      long requestSize = 0;
      curl_easy_getinfo(easy, CURLINFO_REQUEST_SIZE, &requestSize);
      facts.unusableStatus = requestSize > 0;
    }
    if (!done) {
      // A stall ends the attempt like a broken connection; a stop, as a stop.
      facts.stopped = RunState.load() >= 0;
      return;
    }
    facts.completed = result == CURLE_OK;
    // The client's connect retries: a refused connection is tried again.
    if (result != CURLE_COULDNT_CONNECT || tries >= retries || RunState.load() >= 0) return;
  }
}

void RunAttempt(Attempt& attempt, const DownloadTimings& timings, int retries) {
  AnswerFacts& facts = attempt.facts;
  if (RunState.load() >= 0) {
    facts.stopped = true;
    return;
  }
  try {
    if (IsLocalFileAddress(attempt.url)) {
      ReadLocalFile(attempt);
    } else {
      FetchWithCurl(attempt, timings, retries);
    }
  } catch (...) {
    facts.exception = true;
    return;
  }
  bool pageArrived = facts.localFile ? facts.opened : (!facts.isHttp || facts.status == 200);
  if (pageArrived && !attempt.checkedContent && !facts.stopped && !facts.timedOut) {
    CheckForErrorPage(attempt);
  }
}

bool FollowableScheme(std::string_view url) {
  // A target without a scheme (a relative Location met on an address without
  // one) is fetched as http like that address.
  return StartsWithIgnoringAsciiCase(url, "http://") ||
         StartsWithIgnoringAsciiCase(url, "https://") ||
         StartsWithIgnoringAsciiCase(url, "ftp://") ||
         (!HasScheme(url) && !IsLocalFileAddress(url));
}

Engine::~Engine() {
  for (Slot& slot : slots) CloseSession(slot);
  curl_global_cleanup();
}

}  // namespace

namespace detail {

void WakeSlotWaits() {
  for (Slot& slot : TheEngine().slots) {
    std::lock_guard lock(slot.mutex);
    if (slot.multi != nullptr) curl_multi_wakeup(slot.multi);
  }
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
                int retries) {
  if (slotNumber < 0 || slotNumber >= kSlotCount) {
    static const std::string kBadSlot = BadSlotFailure().page;
    resultText = kBadSlot.c_str();
    length = static_cast<int>(kBadSlot.size());
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

  if (url.size() > static_cast<std::size_t>(kMaxUrlLength)) return fail(UrlTooLongFailure());
  // Prepare was not called, or could not get the buffer.
  if (slot.page == nullptr) return fail(NoPageBufferFailure());

  const DownloadTimings timings = CurrentDownloadTimings();
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timings.pageLimitMs);
  // Counted until the result is in place and logged.
  detail::DownloadInFlight inFlight;
  HostPlace place;
  switch (HostAdmission::Take(HostKey(url), place, deadline)) {
    case Admission::Admitted: break;
    case Admission::Stopped: return fail(StoppedFailure());
    case Admission::TimedOut: return fail(TimeLimitFailure(url));
    case Admission::Unusable: return fail(HostPlacesFailure(url));
  }
  if (!IsLocalFileAddress(url) && !EnsureSession(slot)) return fail(SessionFailure(url));

  for (int redirects = 0;;) {
    Attempt attempt(slot, url, deadline);
    RunAttempt(attempt, timings, retries);
    AnswerVerdict verdict = JudgeAnswer(attempt.facts, url);
    if (verdict.end == AnswerEnd::Failed) return fail(verdict.failure);
    if (verdict.end == AnswerEnd::Page) {
      std::size_t received = attempt.facts.received;
      slot.resultText[std::min<std::size_t>(received, kChunkSize)] = '\0';
      slot.page[received] = '\0';
      length = static_cast<int>(received);
      return kDownloadOk;
    }
    // A redirect: a new attempt at once, within the same admission. Only web
    // addresses are followed, so a site cannot make the engine read a local
    // file.
    std::string location = FindLocation(attempt.rawHeaders);
    std::string target = location.empty() ? std::string() : ResolveRedirect(url, location);
    if (target.empty() || target.size() > static_cast<std::size_t>(kMaxUrlLength) ||
        !FollowableScheme(target) || redirects >= kMaxRedirects) {
      return fail(RedirectFailure(attempt.facts.status, url));
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
