#include "net/HttpClient.h"

#include "net/LocalClock.h"
#include "net/RequestPath.h"
#include "net/RequestWorker.h"
#include "net/SiteRequest.h"
#include "net/UserInterface.h"

#include <curl/curl.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <mutex>

namespace {

// The error numbers the messages show, as the site's users know them.
constexpr unsigned kInvalidUrl = 12005;
constexpr unsigned kNameNotResolved = 12007;
constexpr unsigned kTimeout = 12002;
constexpr unsigned kInternalError = 12004;
constexpr unsigned kCannotConnect = 12029;
constexpr unsigned kConnectionAborted = 12030;
constexpr unsigned kHeaderNotFound = 12150;
constexpr unsigned kInvalidServerResponse = 12152;
constexpr unsigned kRedirectFailed = 12156;

constexpr const char* kSendStep = "URL Get HttpSendRequest";
constexpr const char* kReadStep = "URL Get InternetReadFile";
constexpr const char* kDateStep = "URL Get HttpQueryInfo (date)";

unsigned ErrorNumber(CURLcode result) {
  switch (result) {
    case CURLE_URL_MALFORMAT:
    case CURLE_UNSUPPORTED_PROTOCOL: return kInvalidUrl;
    case CURLE_COULDNT_RESOLVE_HOST: return kNameNotResolved;
    case CURLE_COULDNT_CONNECT: return kCannotConnect;
    case CURLE_OPERATION_TIMEDOUT: return kTimeout;
    case CURLE_GOT_NOTHING:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_PARTIAL_FILE: return kConnectionAborted;
    case CURLE_WEIRD_SERVER_REPLY: return kInvalidServerResponse;
    case CURLE_TOO_MANY_REDIRECTS: return kRedirectFailed;
    default: return kInternalError;
  }
}

std::string ErrorText(const char* what, const std::string& host, unsigned error) {
  std::string text = std::string(what) + " - URL: " + host + ".\nError: " + std::to_string(error) + " ";
  if (error == kInvalidUrl) text += "Invalid URL";
  if (error == kNameNotResolved) text += "URL not resolved";
  return text;
}

// curl_global_init must run once, before any thread uses the library.
struct CurlLibrary {
  CurlLibrary() : ok(curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK) {}
  ~CurlLibrary() {
    if (ok) curl_global_cleanup();
  }
  bool ok;
};

struct EasyDeleter {
  void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct ListDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

// What one exchange collects: its own buffers, nothing shared.
struct Transfer {
  std::string* page;
  std::string date;
  bool responseStarted = false;
  const std::atomic<bool>* stopping;
  const std::atomic<bool>* abandon;
  std::int64_t statusLine = 0;  // when the last hop's status line came

  static size_t Body(char* data, size_t size, size_t count, void* self) {
    static_cast<Transfer*>(self)->page->append(data, size * count);
    return size * count;
  }

  // Sees the headers of every redirect hop: the Date of the last reply counts.
  static size_t Header(char* data, size_t size, size_t count, void* self) {
    auto* exchange = static_cast<Transfer*>(self);
    const std::string_view line(data, size * count);
    exchange->responseStarted = true;
    if (line.substr(0, 5) == "HTTP/") {
      exchange->date.clear();
      exchange->statusLine = MonotonicMicros();
    }
    if (line.size() > 5 && strncasecmp(line.data(), "Date:", 5) == 0) {
      std::string_view value = line.substr(5);
      while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
      while (!value.empty() && (value.back() == '\r' || value.back() == '\n' || value.back() == ' ')) {
        value.remove_suffix(1);
      }
      exchange->date.assign(value);
    }
    return size * count;
  }

  // Lets the program's exit abandon an exchange in progress.
  static int Progress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto* transfer = static_cast<Transfer*>(self);
    const bool abandoned = transfer->abandon != nullptr && transfer->abandon->load();
    return transfer->stopping->load() || abandoned ? 1 : 0;
  }
};

}  // namespace

std::int64_t ExchangeTiming::RoundTrip() const {
  const std::int64_t total = std::max<std::int64_t>(0, firstByte - sent - handshake);
  return newConnection ? total / 2 : total;
}

// The cookie store lives in a share handle used by every exchange of the run.
struct HttpClient::Curl {
  CURLSH* share = nullptr;
  std::array<std::mutex, CURL_LOCK_DATA_LAST> locks;

  Curl() {
    static CurlLibrary library;
    if (!library.ok) return;
    share = curl_share_init();
    if (share == nullptr) return;
    curl_share_setopt(share, CURLSHOPT_LOCKFUNC, &Curl::Lock);
    curl_share_setopt(share, CURLSHOPT_UNLOCKFUNC, &Curl::Unlock);
    curl_share_setopt(share, CURLSHOPT_USERDATA, this);
    curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
    curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
  }
  ~Curl() {
    if (share != nullptr) curl_share_cleanup(share);
  }

  static void Lock(CURL*, curl_lock_data data, curl_lock_access, void* self) {
    static_cast<Curl*>(self)->locks[data].lock();
  }
  static void Unlock(CURL*, curl_lock_data data, void* self) {
    static_cast<Curl*>(self)->locks[data].unlock();
  }
};

HttpClient::HttpClient(UserInterface& ui) : HttpClient(ui, Timeouts{}) {}

HttpClient::HttpClient(UserInterface& ui, Timeouts timeouts)
    : ui_(ui), timeouts_(timeouts), curl_(std::make_unique<Curl>()) {
  if (curl_->share == nullptr) {
    curl_.reset();
    ShowLastErrorBox(ui_, "InternetOpen (synch)");
  }
  worker_ = std::make_unique<RequestWorker>(*this, queue_);
}

HttpClient::~HttpClient() {
  stopping_ = true;
  queue_.Stop();
  worker_.reset();
}

bool HttpClient::HttpGet(const std::string& host, const std::string& path, std::string& page,
                         std::string& dateHeader) {
  return Exchange("GET", host, path, {}, page, dateHeader, {});
}

bool HttpClient::HttpPost(const std::string& host, const std::string& path,
                          const std::string& body, std::string& page, std::string& dateHeader) {
  return Exchange("POST", host, path, body, page, dateHeader, {});
}

bool HttpClient::QueueRequest(std::unique_ptr<SiteRequest> request) {
  queue_.Append(std::move(request));
  return true;
}

bool HttpClient::Exchange(const char* verb, const std::string& host, const std::string& path,
                          const std::string& body, std::string& page, std::string& dateHeader,
                          const ExchangeOptions& options) {
  page.clear();
  if (!curl_) return false;
  const auto report = [&](const std::string& text) {
    if (options.error != nullptr) {
      *options.error = text;
    } else if (options.waitForBox) {
      ui_.ShowErrorBox(text);
    } else {
      ui_.PostErrorBox(text);
    }
  };
  std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
  if (!easy) {
    report(ErrorText(kSendStep, host, kInternalError));
    return false;
  }
  CURL* h = easy.get();
  Transfer exchange{&page, {}, false, &stopping_, options.abandon};
  const std::string url = "http://" + host + RequestPath(path);
  const bool post = std::strcmp(verb, "POST") == 0;

  std::unique_ptr<curl_slist, ListDeleter> headers(curl_slist_append(nullptr, "Pragma: no-cache"));
  if (post && body.empty()) {
    // Nothing to describe: no optional data, no content type.
    headers.reset(curl_slist_append(headers.release(), "Content-Type:"));
  }

  curl_easy_setopt(h, CURLOPT_URL, url.c_str());
  curl_easy_setopt(h, CURLOPT_PATH_AS_IS, 1L);  // no "/../" squashed: the path goes as given
  curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http");
  curl_easy_setopt(h, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_0);
  curl_easy_setopt(h, CURLOPT_USERAGENT, kUserAgent);
  curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
  curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(h, CURLOPT_MAXREDIRS, 10L);
  curl_easy_setopt(h, CURLOPT_SHARE, curl_->share);
  curl_easy_setopt(h, CURLOPT_COOKIEFILE, "");  // cookies on, kept in memory only
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, static_cast<long>(timeouts_.connect.count()));
  curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, static_cast<long>(timeouts_.silence.count()));
  const auto overall = options.deadline.count() > 0
                           ? options.deadline
                           : std::chrono::duration_cast<std::chrono::milliseconds>(timeouts_.overall);
  curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, static_cast<long>(std::max<long long>(1, overall.count())));
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &Transfer::Body);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, &exchange);
  curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &Transfer::Header);
  curl_easy_setopt(h, CURLOPT_HEADERDATA, &exchange);
  curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &Transfer::Progress);
  curl_easy_setopt(h, CURLOPT_XFERINFODATA, &exchange);
  if (post) {
    curl_easy_setopt(h, CURLOPT_POST, 1L);
    curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));
    curl_easy_setopt(h, CURLOPT_POSTFIELDS, body.c_str());
  } else {
    curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
  }

  const std::int64_t sent = MonotonicMicros();
  const CURLcode result = curl_easy_perform(h);
  if (options.timing != nullptr) {
    ExchangeTiming& timing = *options.timing;
    timing.sent = sent;
    timing.firstByte = exchange.statusLine != 0 ? exchange.statusLine : MonotonicMicros();
    long connects = 0;
    curl_easy_getinfo(h, CURLINFO_NUM_CONNECTS, &connects);
    timing.newConnection = connects > 0;
    curl_off_t connected = 0, secured = 0;
    curl_easy_getinfo(h, CURLINFO_CONNECT_TIME_T, &connected);
    curl_easy_getinfo(h, CURLINFO_APPCONNECT_TIME_T, &secured);
    timing.handshake = secured > connected ? static_cast<std::int64_t>(secured - connected) : 0;
    timing.keptAlive = false;  // HTTP/1.0: the site closes after each reply
  }
  if (result == CURLE_ABORTED_BY_CALLBACK) return false;  // the program is ending
  if (result != CURLE_OK) {
    report(ErrorText(exchange.responseStarted ? kReadStep : kSendStep, host, ErrorNumber(result)));
    return false;
  }
  if (exchange.date.empty()) {
    report(ErrorText(kDateStep, host, kHeaderNotFound));
    return false;
  }
  dateHeader = exchange.date;
  return true;
}
