#include "update/update_check.h"

#include <optional>
#include <utility>

#include "platform/error.h"
#include "platform/number_text.h"
#include "platform/rounding.h"
#include "update/bounded_file.h"
#include "update/program_version.h"
#include "update/redirection_file.h"
#include "update/version_file.h"

namespace brumel {

namespace {

// A reserved name: nothing real is ever contacted before a redirection file says otherwise.
constexpr const char* kDefaultVersionUrl = "http://www.brumel.example/brumel/bmversion.txt";

// Redirections followed in one check; the file after the last one is read as a version file.
constexpr int kMaxRedirections = 10;

// The largest release accepted.
constexpr std::int64_t kMaxReleaseBytes = std::int64_t{1} << 32;

constexpr const char* kVersionDownloadFailed =
    "An error ocurred while downloading the version info.";
constexpr const char* kReleaseDownloadFailed = "An error ocurred while downloading the file.";

std::string ShownNumber(double value) {
  return FormatNumber(value, UserDecimalSeparator());
}

// Versions that differ by less than half a thousandth count as equal.
double DifferenceInThousandths(double version) {
  return RoundHalfEven((version - kProgramVersion) * 1000) / 1000;
}

void ShowOfferTexts(OfferDialogPort& offer, const VersionFile& file) {
  offer.SetUpperLine(file.upperLine);
  offer.SetLowerLine(file.lowerLine);
  offer.SetCaption("Version " + ShownNumber(file.version) + " available");
}

}  // namespace

UpdateCheck::UpdateCheck(std::string startDir, DownloadFunction download)
    : startDir_(std::move(startDir)),
      versionUrl_(kDefaultVersionUrl),
      download_(std::move(download)) {}

void UpdateCheck::ReadRedirection() {
  if (std::optional<std::string> url = ReadRedirectionFile(RedirectionPath())) {
    versionUrl_ = std::move(*url);
  }
}

std::string UpdateCheck::VersionPath() const {
  return startDir_ + "/bmversion.txt";
}

std::string UpdateCheck::RedirectionPath() const {
  return startDir_ + "/updateurl.txt";
}

std::optional<VersionFile> UpdateCheck::FetchVersionFile() {
  // A larger answer fails at the download, before it can fill the disk.
  if (download_(versionUrl_, VersionPath(), static_cast<std::int64_t>(kVersionFileLimit)) != 0)
    return std::nullopt;
  const std::optional<FileHead> head = ReadFileHead(VersionPath(), kVersionFileLimit);
  if (!head) throw Error("Cannot read the version file " + VersionPath());
  if (head->truncated) return std::nullopt;
  return ParseVersionFile(head->bytes);
}

void UpdateCheck::Run(MessagePort& messages, OfferDialogPort& offer, SaveDialogPort& saveDialog) {
  VersionFile file;
  for (int pass = 1;; ++pass) {
    ReadRedirection();
    std::optional<VersionFile> fetched = FetchVersionFile();
    if (!fetched) {
      messages.ShowError(kVersionDownloadFailed);
      return;
    }
    file = std::move(*fetched);
    ShowOfferTexts(offer, file);
    if (!file.Redirects()) break;
    messages.ShowInformation("writing new redirection file");
    WriteRedirectionFile(RedirectionPath(), file.url);
    if (pass > kMaxRedirections) break;
  }
  const double difference = DifferenceInThousandths(file.version);
  if (difference > 0) {
    OfferRelease(file, messages, offer, saveDialog);
  } else if (difference == 0) {
    messages.ShowInformation("You have the latest version (" + ShownNumber(file.version) +
                             ") installed");
  } else {
    messages.ShowInformation("The web version is older than yours????");
  }
}

void UpdateCheck::OfferRelease(const VersionFile& file, MessagePort& messages,
                               OfferDialogPort& offer, SaveDialogPort& saveDialog) {
  saveDialog.SetFileName(SuggestedFileName(file.name));
  if (!offer.ShowModal() || !saveDialog.Execute()) return;
  if (download_(file.url, saveDialog.FileName(), kMaxReleaseBytes) != 0) {
    messages.ShowError(kReleaseDownloadFailed);
  } else {
    messages.ShowInformation("download complete - manually unzip the file to install");
  }
}

}  // namespace brumel
