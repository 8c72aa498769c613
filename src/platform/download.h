// Fetching a URL into a local file over HTTP or HTTPS, blocking, with libcurl.
#pragma once

#include <cstdint>
#include <string>

namespace brumel {

struct DownloadOptions {
  // A server that has not accepted the connection by then counts as unreachable.
  long connectTimeoutSeconds = 30;
  // A transfer that stays below lowSpeedBytesPerSecond for lowSpeedSeconds in a row is given up,
  // so a server that accepts and then falls silent cannot hang the caller for ever. There is no
  // limit on the whole transfer: a large release on a slow line may take its time.
  long lowSpeedBytesPerSecond = 1;
  long lowSpeedSeconds = 60;
  // HTTP redirections followed before the transfer counts as failed.
  long maxRedirections = 10;
  // The largest resource accepted; a larger one fails and leaves no file.
  std::int64_t maxBytes = std::int64_t{1} << 30;
};

// Fetches url into targetPath: 0 when the resource was fetched and written completely, anything
// else for a failure of any kind (no connection, HTTP status 400 and above, a scheme other than
// http and https at the start or after a redirection, a time-out, a resource too large, a file
// that cannot be written). The target is replaced completely or left as it was.
int DownloadWithOptions(const std::string& url, const std::string& targetPath,
                        const DownloadOptions& options);

// The same with the default options and a limit of maxBytes: the update check's download
// function.
int DownloadUrlToFile(const std::string& url, const std::string& targetPath, std::int64_t maxBytes);

}  // namespace brumel
