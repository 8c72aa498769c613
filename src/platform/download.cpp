#include "platform/download.h"

#include <curl/curl.h>

#include <cstdio>
#include <memory>

#include "platform/atomic_file.h"

namespace brumel {

namespace {

constexpr int kLocalFailure = -1;

struct Sink {
  std::FILE* stream;
  std::int64_t limit;
  std::int64_t written = 0;
};

// Returning fewer bytes than offered makes libcurl abandon the transfer with a write error.
std::size_t WriteChunk(char* data, std::size_t size, std::size_t count, void* user) {
  auto* sink = static_cast<Sink*>(user);
  const std::size_t bytes = size * count;
  // A server that sends no length, or a false one, is held to the limit here.
  if (static_cast<std::int64_t>(bytes) > sink->limit - sink->written) return 0;
  if (std::fwrite(data, 1, bytes, sink->stream) != bytes) return 0;
  sink->written += static_cast<std::int64_t>(bytes);
  return bytes;
}

bool GlobalInitDone() {
  static const bool done = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
  return done;
}

using EasyHandle = std::unique_ptr<CURL, decltype(&curl_easy_cleanup)>;

bool RestrictToHttp(CURL* curl) {
#if LIBCURL_VERSION_NUM >= 0x075500
  return curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https") == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https") == CURLE_OK;
#else
  const long http = CURLPROTO_HTTP | CURLPROTO_HTTPS;
  return curl_easy_setopt(curl, CURLOPT_PROTOCOLS, http) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS, http) == CURLE_OK;
#endif
}

bool Configure(CURL* curl, const std::string& url, const DownloadOptions& options, Sink& sink) {
  const curl_off_t maxBytes = sink.limit;
  return RestrictToHttp(curl) && curl_easy_setopt(curl, CURLOPT_URL, url.c_str()) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L) == CURLE_OK &&
         // No proxy from the environment: the program reads no environment variables.
         curl_easy_setopt(curl, CURLOPT_PROXY, "") == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_MAXREDIRS, options.maxRedirections) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, options.connectTimeoutSeconds) ==
             CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, options.lowSpeedBytesPerSecond) ==
             CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, options.lowSpeedSeconds) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, maxBytes) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, WriteChunk) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink) == CURLE_OK;
}

}  // namespace

int DownloadWithOptions(const std::string& url, const std::string& targetPath,
                        const DownloadOptions& options) {
  if (!GlobalInitDone() || options.maxBytes < 0) return kLocalFailure;
  EasyHandle curl(curl_easy_init(), curl_easy_cleanup);
  if (!curl) return kLocalFailure;
  AtomicFile target(targetPath);
  if (!target.Stream()) return kLocalFailure;
  Sink sink{target.Stream(), options.maxBytes};
  if (!Configure(curl.get(), url, options, sink)) return kLocalFailure;
  const CURLcode result = curl_easy_perform(curl.get());
  if (result != CURLE_OK) return static_cast<int>(result);
  return target.Commit() ? 0 : kLocalFailure;
}

int DownloadUrlToFile(const std::string& url, const std::string& targetPath,
                      std::int64_t maxBytes) {
  DownloadOptions options;
  options.maxBytes = maxBytes;
  return DownloadWithOptions(url, targetPath, options);
}

}  // namespace brumel
