#include "net/HttpClient.h"

#include "net/LocalClock.h"
#include "net/RequestPath.h"
#include "net/RequestWorker.h"
#include "net/SiteRequest.h"
#include "net/UserInterface.h"

#include <curl/curl.h>

#include <sys/socket.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <string_view>
#include <vector>

bool HttpClient::Fetch(SiteRequest& request, ExchangeOptions options) {
  options.timing = &request.timing;
  options.caFile = request.caFile;
  request.succeeded =
      Exchange("GET", request.host, request.path, {}, request.page, request.dateHeader, options);
  return request.succeeded;
}

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
constexpr unsigned kCertificateDate = 12037;
constexpr unsigned kCertificateName = 12038;
constexpr unsigned kUnknownAuthority = 12045;
constexpr unsigned kSecureChannel = 12157;
constexpr unsigned kSecureFailure = 12175;

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
    case CURLE_BAD_CONTENT_ENCODING: return kInvalidServerResponse;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
    case CURLE_SSL_ENGINE_INITFAILED:
    case CURLE_SSL_SHUTDOWN_FAILED:
    case CURLE_USE_SSL_FAILED: return kSecureChannel;
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS: return kSecureFailure;
    default: return kInternalError;
  }
}

// OpenSSL's verification results (X509_V_ERR_*), stable numbers.
unsigned CertificateErrorNumber(long verifyResult, const char* detail) {
  switch (verifyResult) {
    case 9:   // not yet valid
    case 10:  // expired
      return kCertificateDate;
    case 2:   // issuer certificate not found
    case 18:  // self-signed leaf
    case 19:  // self-signed certificate in the chain
    case 20:  // local issuer not found
    case 21:  // first certificate cannot be verified
    case 24:  // invalid CA
    case 27:  // untrusted
      return kUnknownAuthority;
    case 62:  // host name mismatch
      return kCertificateName;
    case 0:  // chain sound: libcurl's own host name check refused it (it
    case 1:  // leaves 0 or 1 there)
      return std::strstr(detail, "match") != nullptr ? kCertificateName : kSecureFailure;
    default: return kSecureFailure;
  }
}

// What was wrong with the site's certificate or secure channel, naming the
// host; `detail` is libcurl's own account, for the cases without a text of ours.
std::string SecureErrorText(unsigned error, const std::string& hostName, const std::string& detail) {
  switch (error) {
    case kCertificateDate: return "The certificate of " + hostName + " has expired or is not yet valid.";
    case kCertificateName: return "The certificate of " + hostName + " is issued for another host name.";
    case kUnknownAuthority:
      return "The certificate of " + hostName + " is signed by an authority that is not trusted.";
    case kSecureChannel:
      return "The secure connection to " + hostName + " could not be set up" +
             (detail.empty() ? std::string(".") : ": " + detail + ".");
    case kSecureFailure:
      return "The certificate of " + hostName + " was refused" +
             (detail.empty() ? std::string(".") : ": " + detail + ".");
    default: return {};
  }
}

// A profile's URL: host[:port] and http:// mean plain HTTP, https:// TLS.
struct SiteAddress {
  explicit SiteAddress(const std::string& address) {
    const auto starts = [&](const char* scheme) {
      return address.size() >= std::strlen(scheme) && strncasecmp(address.c_str(), scheme, std::strlen(scheme)) == 0;
    };
    std::string rest = address;
    if (starts("https://")) {
      secure = true;
      rest = address.substr(8);
    } else if (starts("http://")) {
      rest = address.substr(7);
    } else if (address.find("://") != std::string::npos) {
      valid = false;
    }
    origin = (secure ? "https://" : "http://") + rest;
    hostName = rest.substr(0, rest.find_first_of(":/"));
    if (!rest.empty() && rest.front() == '[') hostName = rest.substr(0, rest.find(']') + 1);  // IPv6
  }
  bool secure = false;
  bool valid = true;
  std::string origin;    // scheme://host[:port]
  std::string hostName;  // for the texts
};

std::string ErrorText(const char* what, const std::string& host, unsigned error,
                      const std::string& explanation = {}) {
  std::string text = std::string(what) + " - URL: " + host + ".\nError: " + std::to_string(error) + " ";
  if (error == kInvalidUrl) text += "Invalid URL";
  if (error == kNameNotResolved) text += "URL not resolved";
  return text + explanation;
}

struct UrlDeleter {
  void operator()(CURLU* url) const { curl_url_cleanup(url); }
};

// Where a URL leads, as scheme://host[:port] for the texts, and with the
// scheme's own port filled in for comparing (http://h and http://h:80 are
// one site).
struct Origin {
  std::string shown;
  std::string compared;
  std::string scheme;  // lower case, as the host
  std::string host;

  // Empty when `url` is no absolute URL.
  explicit Origin(const std::string& url) {
    std::unique_ptr<CURLU, UrlDeleter> parts(curl_url());
    if (!parts || curl_url_set(parts.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK) return;
    const auto part = [&](CURLUPart which, unsigned flags) {
      char* value = nullptr;
      std::string text;
      if (curl_url_get(parts.get(), which, &value, flags) == CURLUE_OK && value != nullptr) text = value;
      curl_free(value);
      return text;
    };
    const std::string scheme = part(CURLUPART_SCHEME, 0);
    const std::string host = part(CURLUPART_HOST, 0);
    const std::string port = part(CURLUPART_PORT, 0);
    if (scheme.empty() || host.empty()) return;
    shown = scheme + "://" + host + (port.empty() ? std::string() : ":" + port);
    compared = scheme + "://" + host + ":" + part(CURLUPART_PORT, CURLU_DEFAULT_PORT);
    const auto lower = [](std::string text) {
      std::transform(text.begin(), text.end(), text.begin(),
                     [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
      return text;
    };
    compared = lower(compared);
    this->scheme = lower(scheme);
    this->host = lower(host);
  }
};

// What the client asks its sites to compress with: what this libcurl decodes.
std::string AcceptedEncodings() {
  const curl_version_info_data* library = curl_version_info(CURLVERSION_NOW);
  std::string encodings;
  if ((library->features & CURL_VERSION_LIBZ) != 0) encodings = "gzip, deflate";
  if ((library->features & CURL_VERSION_BROTLI) != 0) encodings += encodings.empty() ? "br" : ", br";
  return encodings;
}

// curl_global_init must run once, before any thread uses the library.
struct CurlLibrary {
  CurlLibrary() : ok(curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK) {}
  ~CurlLibrary() {
    if (ok) curl_global_cleanup();
  }
  bool ok;
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
  CURL* handle = nullptr;
  const Origin* addressed;  // where the request was addressed
  std::string location;   // the last hop's Location, if any
  std::string formKeptFrom;  // where a form was not sent, if it was not

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
      exchange->location.clear();
      exchange->statusLine = MonotonicMicros();
    }
    if (line.size() > 9 && strncasecmp(line.data(), "Location:", 9) == 0) {
      exchange->location.assign(Trimmed(line.substr(9)));
    }
    if (line.size() > 5 && strncasecmp(line.data(), "Date:", 5) == 0) {
      exchange->date.assign(Trimmed(line.substr(5)));
    }
    return size * count;
  }

  static std::string_view Trimmed(std::string_view value) {
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
    while (!value.empty() && (value.back() == '\r' || value.back() == '\n' || value.back() == ' ')) {
      value.remove_suffix(1);
    }
    return value;
  }

  // Runs before every request, each redirect's included: a form (a sign-in
  // or a bid, with the password) goes to no other site than the one it was
  // addressed to. A redirect that turned it into a GET has left it behind.
  static int BeforeRequest(void* self, char*, char*, int, int) {
    auto* exchange = static_cast<Transfer*>(self);
    char* method = nullptr;
    char* url = nullptr;
    curl_easy_getinfo(exchange->handle, CURLINFO_EFFECTIVE_METHOD, &method);
    if (method == nullptr || std::strcmp(method, "POST") != 0) return CURL_PREREQFUNC_OK;
    curl_easy_getinfo(exchange->handle, CURLINFO_EFFECTIVE_URL, &url);
    const Origin target(url != nullptr ? url : "");
    const Origin& addressed = *exchange->addressed;
    if (!target.compared.empty() && target.compared == addressed.compared) return CURL_PREREQFUNC_OK;
    // The same host moving the form from plain to secure pages is no other site.
    if (addressed.scheme == "http" && target.scheme == "https" && !target.host.empty() &&
        target.host == addressed.host) {
      return CURL_PREREQFUNC_OK;
    }
    exchange->formKeptFrom = target.shown.empty() ? std::string(url != nullptr ? url : "") : target.shown;
    return CURL_PREREQFUNC_ABORT;
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

// The cookie store, the DNS cache and the TLS sessions live in a share
// handle used by every exchange of the run. Connections are kept by easy
// handles, pooled per site: an exchange takes an idle handle of its site,
// with the connection that handle kept open, and gives it back when done.
// (libcurl's shared connection cache is not safe across threads that
// perform at once, which reads and placements do.)
struct HttpClient::Curl {
  static constexpr std::size_t kIdlePerSite = 8;

  CURLSH* share = nullptr;
  std::array<std::mutex, CURL_LOCK_DATA_LAST> locks;
  // The system's authorities: from libcurl's CA directory (hashed), where
  // OpenSSL looks up only the issuer a chain names; or, without one, its
  // bundle (PEM), which every new connection parses in full.
  bool systemDirectory = false;
  std::string systemAuthorities;  // the bundle, without a directory

  std::mutex poolLock;  // the two maps below
  std::map<std::string, std::vector<CURL*>> idle;  // site (and its authority) -> handles
  std::map<std::string, std::string> authorities;  // CA file -> system bundle + its PEM

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
    curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
    if (CURL* probe = curl_easy_init()) {
      char* directory = nullptr;
      std::error_code error;
      systemDirectory = curl_easy_getinfo(probe, CURLINFO_CAPATH, &directory) == CURLE_OK &&
                        directory != nullptr && std::filesystem::is_directory(directory, error);
      char* bundle = nullptr;
      if (!systemDirectory && curl_easy_getinfo(probe, CURLINFO_CAINFO, &bundle) == CURLE_OK &&
          bundle != nullptr) {
        systemAuthorities = ReadFile(bundle);
      }
      curl_easy_cleanup(probe);
    }
  }
  ~Curl() {
    for (auto& [site, handles] : idle) {
      for (CURL* handle : handles) curl_easy_cleanup(handle);
    }
    if (share != nullptr) curl_share_cleanup(share);
  }

  static std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return in ? std::string(std::istreambuf_iterator<char>(in), {}) : std::string();
  }

  // An idle handle of the site, or a new one (`fresh`); null when none can
  // be made.
  CURL* Take(const std::string& site, bool& fresh) {
    fresh = false;
    {
      std::lock_guard<std::mutex> guard(poolLock);
      auto found = idle.find(site);
      if (found != idle.end() && !found->second.empty()) {
        CURL* handle = found->second.back();
        found->second.pop_back();
        return handle;  // with its open connection and every option set before
      }
    }
    fresh = true;
    return curl_easy_init();
  }
  void GiveBack(const std::string& site, CURL* handle) {
    // Drops its pointers into the finished exchange. (Not curl_easy_reset:
    // the cookie file name set again after a reset would leak.)
    curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, nullptr);
    curl_easy_setopt(handle, CURLOPT_HTTPHEADER, nullptr);
    curl_easy_setopt(handle, CURLOPT_POSTFIELDS, nullptr);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, nullptr);
    curl_easy_setopt(handle, CURLOPT_HEADERDATA, nullptr);
    curl_easy_setopt(handle, CURLOPT_XFERINFODATA, nullptr);
    curl_easy_setopt(handle, CURLOPT_PREREQDATA, nullptr);
    {
      std::lock_guard<std::mutex> guard(poolLock);
      std::vector<CURL*>& handles = idle[site];
      if (handles.size() < kIdlePerSite) {
        handles.push_back(handle);
        return;
      }
    }
    curl_easy_cleanup(handle);
  }

  // The authorities a handle is given with a profile's own CA file: that
  // file's, and the system's bundle where they come from no directory;
  // empty when the file cannot be read.
  std::string AuthoritiesWith(const std::string& caFile) {
    std::lock_guard<std::mutex> guard(poolLock);
    std::string& both = authorities[caFile];
    if (both.empty()) {
      const std::string own = ReadFile(caFile);
      if (own.find("-----BEGIN CERTIFICATE-----") != std::string::npos) {
        both = systemDirectory ? own : systemAuthorities + "\n" + own;
      }
    }
    return both;
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

namespace {

std::string PoolKey(const std::string& origin, const std::string& caFile, const std::string& lane) {
  return origin + "\n" + caFile + (lane.empty() ? std::string() : "\n" + lane);
}

}  // namespace

bool HttpClient::LaneReady(const std::string& host, const std::string& caFile, const std::string& lane) {
  if (!curl_) return false;
  const SiteAddress site(host);
  std::lock_guard<std::mutex> guard(curl_->poolLock);
  const auto found = curl_->idle.find(PoolKey(site.origin, caFile, lane));
  if (found == curl_->idle.end() || found->second.empty()) return false;
  curl_socket_t socket = CURL_SOCKET_BAD;
  if (curl_easy_getinfo(found->second.back(), CURLINFO_ACTIVESOCKET, &socket) != CURLE_OK ||
      socket == CURL_SOCKET_BAD) {
    return false;
  }
  // Open and quiet: nothing to read, and no end of the stream either.
  char byte = 0;
  const ssize_t got = ::recv(socket, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
  return got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
}

void HttpClient::CloseLane(const std::string& host, const std::string& caFile, const std::string& lane) {
  if (!curl_) return;
  const SiteAddress site(host);
  std::vector<CURL*> handles;
  {
    std::lock_guard<std::mutex> guard(curl_->poolLock);
    const auto found = curl_->idle.find(PoolKey(site.origin, caFile, lane));
    if (found == curl_->idle.end()) return;
    handles.swap(found->second);
    curl_->idle.erase(found);
  }
  for (CURL* handle : handles) curl_easy_cleanup(handle);
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
  const SiteAddress site(host);
  if (!site.valid) {
    report(ErrorText(kSendStep, host, kInvalidUrl));
    return false;
  }
  // A plain site's own authority counts too, for its redirects to its
  // secure pages; only a secure exchange fails without it.
  std::string authorities;
  if (!options.caFile.empty()) {
    authorities = curl_->AuthoritiesWith(options.caFile);
    if (authorities.empty() && site.secure) {
      report(ErrorText(kSendStep, host, kUnknownAuthority,
                       "The certificate authority file " + options.caFile + " cannot be read."));
      return false;
    }
  }
  // Handles are pooled per site and authority: a kept connection is only
  // ever reused under the trust it was verified with.
  const std::string poolKey = PoolKey(site.origin, options.caFile, options.lane);
  const auto giveBack = [this, &poolKey](CURL* handle) { curl_->GiveBack(poolKey, handle); };
  bool fresh = false;
  std::unique_ptr<CURL, decltype(giveBack)> easy(curl_->Take(poolKey, fresh), giveBack);
  if (!easy) {
    report(ErrorText(kSendStep, host, kInternalError));
    return false;
  }
  CURL* h = easy.get();
  const std::string url = site.origin + RequestPath(path);
  const Origin addressed(url);
  Transfer exchange{&page, {}, false, &stopping_, options.abandon, 0, h, &addressed, {}, {}};
  const bool post = std::strcmp(verb, "POST") == 0;

  std::unique_ptr<curl_slist, ListDeleter> headers(curl_slist_append(nullptr, "Pragma: no-cache"));
  // A form goes at once, without waiting for a 100 Continue.
  headers.reset(curl_slist_append(headers.release(), "Expect:"));
  if (post && body.empty()) {
    // Nothing to describe: no optional data, no content type.
    headers.reset(curl_slist_append(headers.release(), "Content-Type:"));
  }
  static const std::string encodings = AcceptedEncodings();
  char detail[CURL_ERROR_SIZE] = "";

  if (fresh) {
    // What every exchange of this site asks alike: set once, a handle
    // keeps its options from one exchange to the next.
    curl_easy_setopt(h, CURLOPT_PATH_AS_IS, 1L);  // no "/../" squashed: the path goes as given
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    // Persistent connections; without TCP_NODELAY a kept connection's next
    // request waits for the peer's delayed ACK.
    curl_easy_setopt(h, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_1);
    curl_easy_setopt(h, CURLOPT_TCP_NODELAY, 1L);
    if (!encodings.empty()) curl_easy_setopt(h, CURLOPT_ACCEPT_ENCODING, encodings.c_str());
    // Verification is never off; a profile's own authority adds to the
    // system's (the pool keeps handles apart by authority).
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
    // Parsing the whole bundle costs a new connection tens of milliseconds
    // of CPU, and more when several connect at once: with the directory,
    // the bundle is left out (a blob, where given, replaces it anyway).
    if (curl_->systemDirectory) curl_easy_setopt(h, CURLOPT_CAINFO, nullptr);
    curl_blob trusted{authorities.data(), authorities.size(), CURL_BLOB_COPY};
    if (!authorities.empty()) curl_easy_setopt(h, CURLOPT_CAINFO_BLOB, &trusted);
    curl_easy_setopt(h, CURLOPT_USERAGENT, kUserAgent);
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(h, CURLOPT_PREREQFUNCTION, &Transfer::BeforeRequest);
    // Cookies on, kept in memory only, in the share handle's store.
    curl_easy_setopt(h, CURLOPT_SHARE, curl_->share);
    curl_easy_setopt(h, CURLOPT_COOKIEFILE, "");
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, static_cast<long>(timeouts_.connect.count()));
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, static_cast<long>(timeouts_.silence.count()));
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &Transfer::Body);
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &Transfer::Header);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &Transfer::Progress);
  }
  curl_easy_setopt(h, CURLOPT_URL, url.c_str());
  // What began secure stays secure: no cookie or form goes on in clear text.
  // (Set each time: the handle's last exchange may have begun otherwise.)
  curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, site.secure ? "https" : "http,https");
  curl_easy_setopt(h, CURLOPT_ERRORBUFFER, detail);
  curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
  const auto overall = options.deadline.count() > 0
                           ? options.deadline
                           : std::chrono::duration_cast<std::chrono::milliseconds>(timeouts_.overall);
  curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, static_cast<long>(std::max<long long>(1, overall.count())));
  curl_easy_setopt(h, CURLOPT_WRITEDATA, &exchange);
  curl_easy_setopt(h, CURLOPT_HEADERDATA, &exchange);
  curl_easy_setopt(h, CURLOPT_XFERINFODATA, &exchange);
  curl_easy_setopt(h, CURLOPT_PREREQDATA, &exchange);
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
    curl_socket_t socket = CURL_SOCKET_BAD;
    timing.keptAlive = curl_easy_getinfo(h, CURLINFO_ACTIVESOCKET, &socket) == CURLE_OK &&
                       socket != CURL_SOCKET_BAD;
  }
  if (!exchange.formKeptFrom.empty()) {
    report(ErrorText(kSendStep, host, kRedirectFailed,
                     "The site at " + addressed.shown + " sent the form on to " + exchange.formKeptFrom +
                         "; it was not sent there."));
    return false;
  }
  if (result == CURLE_UNSUPPORTED_PROTOCOL && site.secure) {
    const Origin target(exchange.location);
    if (target.compared.rfind("http://", 0) == 0) {
      report(ErrorText(kSendStep, host, kRedirectFailed,
                       "The secure site at " + addressed.shown + " sent the request on to " + target.shown +
                           ", which is not secure; it was not sent there."));
      return false;
    }
  }
  if (result == CURLE_ABORTED_BY_CALLBACK) return false;  // the program is ending
  if (result != CURLE_OK) {
    unsigned error = ErrorNumber(result);
    if (result == CURLE_PEER_FAILED_VERIFICATION) {
      long verifyResult = 0;
      curl_easy_getinfo(h, CURLINFO_SSL_VERIFYRESULT, &verifyResult);
      error = CertificateErrorNumber(verifyResult, detail);
    }
    report(ErrorText(exchange.responseStarted ? kReadStep : kSendStep, host, error,
                     SecureErrorText(error, site.hostName, detail)));
    return false;
  }
  if (exchange.date.empty()) {
    report(ErrorText(kDateStep, host, kHeaderNotFound));
    return false;
  }
  dateHeader = exchange.date;
  return true;
}
