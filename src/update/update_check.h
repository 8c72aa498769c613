// The update check: fetch the version file, follow redirections through the redirection file,
// compare the announced version with ours, and offer a newer release for download.
// It talks to the person only through the ports, and fetches only through the download function.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/ports.h"
#include "update/version_file.h"

namespace brumel {

// Fetches url into the file targetPath, blocking: 0 when the resource was fetched and written
// completely, anything else for a failure of any kind, a resource of more than maxBytes included.
using DownloadFunction = std::function<int(const std::string& url, const std::string& targetPath,
                                           std::int64_t maxBytes)>;

class UpdateCheck {
 public:
  // startDir: the folder of the version file and the redirection file.
  UpdateCheck(std::string startDir, DownloadFunction download);

  // The whole check, as the "Check Update" menu item runs it.
  void Run(MessagePort& messages, OfferDialogPort& offer, SaveDialogPort& saveDialog);

  // Takes the first line of the redirection file as the version URL, when the file exists.
  void ReadRedirection();

  const std::string& VersionUrl() const { return versionUrl_; }
  const std::string& StartDir() const { return startDir_; }

 private:
  std::string VersionPath() const;
  std::string RedirectionPath() const;
  // The version file of one pass; nullopt when the download failed or the file is too large
  // to be one. Throws Error when the downloaded file cannot be read or holds no number.
  std::optional<VersionFile> FetchVersionFile();
  void OfferRelease(const VersionFile& file, MessagePort& messages, OfferDialogPort& offer,
                    SaveDialogPort& saveDialog);

  std::string startDir_;
  std::string versionUrl_;
  DownloadFunction download_;
};

}  // namespace brumel
