// The download engine: fetches one web address over HTTP (or a local file)
// into the page buffer of one of 20 numbered slots. Every failure comes back
// the same way: a nonzero result and a short HTML error page in the slot's
// result text in place of the page, which the result classifiers recognise.
//
// Each slot keeps a session (one curl handle, so connections to a host are
// reused). The transfer runs on the caller's thread, which watches for
// stalls, for the page's time limit and for RunState between its waits on
// the network. At most three downloads of one host run at a time, counted
// across every running copy of the program.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace kovalo {

constexpr int kSlotCount = 20;
constexpr int kResultTextSize = 10004;
constexpr int kChunkSize = 10000;    // largest read, and the 404 check's window
constexpr int kMaxUrlLength = 3999;  // 4000 characters or more are refused
constexpr int kMaxRedirects = 20;    // a redirect loop ends as a failure
constexpr int kPlacesPerHost = 3;

// Results of DownloadUrl. Only 0 is a fetched page; the callers also accept
// kDownloadNotHtml, which this engine never gives (the HTML content test is
// not part of the option profile the program uses).
enum DownloadResult : int {
  kDownloadOk = 0,
  kDownloadNotHtml = -100,
  kDownloadUrlTooLong = -1,
  kDownloadNoHandle = -2,           // the address could not be opened
  kDownloadPasswordProtected = -3,  // 401
  kDownloadForbidden = -4,          // 403
  kDownloadNotFound = -5,           // 404
  kDownloadQueryFailed = -6,        // no usable status
  kDownloadBadStatus = -7,          // any status not handled otherwise
  kDownloadRedirectRefused = -8,
  kDownloadErrorPage = -9,   // a 200 page that is a 404 message
  kDownloadAborted = -10,    // RunState stopped the engine
  kDownloadException = -11,  // the client library failed internally
  kDownloadNoPageBuffer = -12,
  kDownloadBadSlot = -13,
  kDownloadTimedOut = -14,     // the page took longer than its time limit
  kDownloadNoHostPlace = -15,  // the per-host place files cannot be used
};

// Periods of the engine. The program runs with these defaults; tests shorten
// them so that stalls and stops are seen in a fraction of a second.
struct DownloadTimings {
  int transferTimeoutMs = 15000;  // connect time-out and the stall watchdog
  // The longest a page may take, waiting for a host place and redirects
  // included: the stall watchdog starts again with every byte, so a site
  // that trickles would otherwise keep a download going for ever.
  int pageLimitMs = 60000;
  // A wait on the network lasts at most this long; then the transfer tests
  // RunState (when it was set without SetRunState), the stall watchdog and
  // the time limit.
  int pollStepMs = 200;
  int placePollMs = 50;  // waiting for a free place of a host
};
void SetDownloadTimings(const DownloadTimings& timings);
DownloadTimings CurrentDownloadTimings();

// Where engine errors the user must see go ("Global Alloc Error"); the main
// window installs one that shows the program-error box. By default nothing
// is shown.
void SetProgramErrorSink(std::function<void(const std::string&)> sink);

// Receives one line per failed download (address filled in, at most 1000
// characters). The program's sink records nothing, which is the default.
void SetDownloadLogSink(std::function<void(const std::string&)> sink);

// The folder of the per-host place files; empty means the user's run-time
// folder ($XDG_RUNTIME_DIR/kovalo, else $XDG_CACHE_HOME/kovalo or
// ~/.cache/kovalo). A download whose place files cannot be used there fails
// at once with kDownloadNoHostPlace.
void SetPlaceFolder(const std::string& folder);

// A handle for one download job. Prepare binds it to a slot and makes room
// for the page; destruction frees the page buffers of the slots it prepared.
// Sessions stay open between jobs while RunState is negative and are closed
// when the last handle goes after the program has begun to stop.
class CDlf {
 public:
  CDlf();
  ~CDlf();
  CDlf(const CDlf&) = delete;
  CDlf& operator=(const CDlf&) = delete;

  // Makes sure the slot has its session and a page buffer of at least
  // maxPageSize + 10000 bytes (it never shrinks), and clears its first byte.
  // When the buffer cannot be had, shows "Global Alloc Error", leaves the slot
  // without a buffer and returns nonzero. Returns 0 otherwise.
  int Prepare(int slot, int64_t maxPageSize);

 private:
  uint32_t preparedSlots_ = 0;  // one bit per slot
};

// Fetches url into the slot. resultText receives the slot's result text: the
// first 10000 bytes of the page, or the error page. url holds the last
// address followed after redirects. length is the number of page bytes, or
// the length of the error page. retries is the number of further connection
// attempts after a refused connect. Returns 0 for a fetched page, otherwise
// one of the DownloadResult failures.
int DownloadUrl(const char*& resultText, int slot, std::string& url, int& length, int retries);

// The slot's page buffer and its size; a caller may put a zero byte behind
// the page. nullptr when the slot has no buffer.
char* SlotPageBuffer(int slot);
std::size_t SlotPageBufferSize(int slot);

// The slot's result text (10004 bytes, zero-terminated).
const char* SlotResultText(int slot);

}  // namespace kovalo
