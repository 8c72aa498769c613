// The update check against a real HTTP server on 127.0.0.1, with scripted message boxes, offer
// dialog and save dialog: the version comparison, the line rules of both files, redirections,
// the person's answers and the failed downloads.
#include "update/update_check.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "image_test_support.h"
#include "local_http_server.h"
#include "platform/download.h"
#include "platform/error.h"

namespace brumel {
namespace {

namespace fs = std::filesystem;

struct ScriptedOffer : OfferDialogPort {
  void SetCaption(const std::string& text) override { caption = text; }
  void SetUpperLine(const std::string& text) override { upper = text; }
  void SetLowerLine(const std::string& text) override { lower = text; }
  bool ShowModal() override {
    ++shown;
    return loadUpdate;
  }
  std::string caption, upper, lower;
  int shown = 0;
  bool loadUpdate = false;
};

// Confirming picks the path the test chose, as a person typing it in would.
struct ScriptedSaveDialog : SaveDialogPort {
  bool Execute() override {
    ++executed;
    if (!chosenPath.empty()) fileName = chosenPath;
    return !chosenPath.empty();
  }
  std::string FileName() const override { return fileName; }
  void SetFileName(const std::string& name) override { fileName = name; }
  int FilterIndex() const override { return 1; }
  std::string fileName, chosenPath;
  int executed = 0;
};

std::string Lines(const std::vector<std::string>& lines, const std::string& end = "\r\n") {
  std::string text;
  for (const std::string& line : lines) text += line + end;
  return text;
}

class UpdateCheckTest : public testing::TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    ASSERT_TRUE(server_.Running());
    check_ = std::make_unique<UpdateCheck>(folder_.string(),
                                           [this](auto& url, auto& path, std::int64_t maxBytes) {
                                             maxBytes_.push_back(maxBytes);
                                             return Download(url, path, maxBytes);
                                           });
    WriteRedirection(server_.Url("/bmversion.txt"));
  }

  // Loopback only: any other URL fails here without touching the network.
  int Download(const std::string& url, const std::string& path, std::int64_t maxBytes) {
    fetched_.push_back(url);
    if (url.rfind("http://127.0.0.1:", 0) != 0) return 1;
    DownloadOptions options;
    options.maxBytes = maxBytes;
    options.connectTimeoutSeconds = 1;
    options.lowSpeedSeconds = 1;
    return DownloadWithOptions(url, path, options);
  }
  void WriteRedirection(const std::string& text) {
    std::ofstream(folder_ / "updateurl.txt", std::ios::binary) << text;
  }
  std::string FileText(const std::string& name) const {
    std::ifstream in(folder_ / name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  void ServeVersion(const std::string& text) { server_.Set("/bmversion.txt", text); }
  void Run() { check_->Run(messages_, offer_, saveDialog_); }
  // Runs the check on a version file and gives what the message boxes showed.
  std::vector<std::string> ShownFor(const std::string& versionText) {
    ServeVersion(versionText);
    messages_.shown.clear();
    Run();
    return messages_.shown;
  }

  using Shown = std::vector<std::string>;
  LocalHttpServer server_;
  std::unique_ptr<UpdateCheck> check_;
  std::vector<std::string> fetched_;
  std::vector<std::int64_t> maxBytes_;
  testing::RecordingMessages messages_;
  ScriptedOffer offer_;
  ScriptedSaveDialog saveDialog_;
};

TEST_F(UpdateCheckTest, ComparesAtThousandthsAndShowsTheWebNumber) {
  EXPECT_EQ(ShownFor(Lines({"1.13"})), Shown{"You have the latest version (1.13) installed"});
  EXPECT_EQ(ShownFor(Lines({"1.1304", "x.zip"})),
            Shown{"You have the latest version (1.1304) installed"});
  EXPECT_EQ(ShownFor(Lines({"1.12"})), Shown{"The web version is older than yours????"});
  EXPECT_EQ(ShownFor(Lines({"0"})), Shown{"The web version is older than yours????"});
  EXPECT_EQ(ShownFor(""), Shown{"The web version is older than yours????"});
  EXPECT_EQ(ShownFor(" \r\n\t\r\n  "), Shown{"The web version is older than yours????"});
  EXPECT_EQ(offer_.shown, 0);
  EXPECT_EQ(ShownFor(Lines({"1.1306"})), Shown{});
  EXPECT_EQ(offer_.shown, 1);
  EXPECT_EQ(FileText("bmversion.txt"), Lines({"1.1306"}));
}

TEST_F(UpdateCheckTest, ANewerVersionIsOfferedAndDownloaded) {
  server_.Set("/release/brumel-1.2.zip", "release bytes");
  offer_.loadUpdate = true;
  saveDialog_.chosenPath = (folder_ / "chosen.zip").string();
  EXPECT_EQ(ShownFor(Lines({"1.2 new", "brumel-1.2.zip", server_.Url("/release/brumel-1.2.zip"),
                            "Faster loading", "Bigger previews", "ignored"})),
            Shown{"download complete - manually unzip the file to install"});
  EXPECT_EQ(offer_.caption, "Version 1.2 available");
  EXPECT_EQ(offer_.upper, "Faster loading");
  EXPECT_EQ(offer_.lower, "Bigger previews");
  EXPECT_EQ(FileText("chosen.zip"), "release bytes");
  EXPECT_EQ(saveDialog_.fileName, saveDialog_.chosenPath);
  // The version file is bounded at the download already; the release may be large.
  ASSERT_EQ(maxBytes_.size(), 2u);
  EXPECT_EQ(maxBytes_[0], 64 * 1024);
  EXPECT_GE(maxBytes_[1], std::int64_t{1} << 30);
}

TEST_F(UpdateCheckTest, DecliningEndsTheCheckSilently) {
  ServeVersion(Lines({"1.2", "brumel.zip", server_.Url("/release.zip")}));
  Run();  // "No thanks" or the dialog closed
  EXPECT_EQ(saveDialog_.fileName, "brumel.zip");
  EXPECT_EQ(saveDialog_.executed, 0);
  offer_.loadUpdate = true;
  Run();  // the save dialog cancelled
  EXPECT_EQ(saveDialog_.executed, 1);
  EXPECT_EQ(messages_.shown, Shown{});
  EXPECT_EQ(server_.Requests("/release.zip"), 0);
}

TEST_F(UpdateCheckTest, TheSuggestedNameIsOnlyTheLastPathComponent) {
  const auto suggested = [this](const std::string& name) {
    ShownFor(Lines({"1.2", name, "u"}));
    return saveDialog_.fileName;
  };
  EXPECT_EQ(suggested("../../.config/autostart/brumel.desktop"), "brumel.desktop");
  EXPECT_EQ(suggested("/etc/x.zip"), "x.zip");
  EXPECT_EQ(suggested("C:\\Windows\\setup.zip"), "setup.zip");
  EXPECT_EQ(suggested(".."), "");
  // Only the lowercase word redirects.
  EXPECT_EQ(suggested("Redirect"), "Redirect");
  EXPECT_EQ(FileText("updateurl.txt"), server_.Url("/bmversion.txt"));
}

TEST_F(UpdateCheckTest, LineRulesOfTheVersionFile) {
  // LF alone does not end a line: everything is line 1, whose first token is the number.
  EXPECT_EQ(ShownFor(Lines({"1.2", "name.zip", "url", "upper", "lower"}, "\n")), Shown{});
  EXPECT_EQ(offer_.caption, "Version 1.2 available");
  EXPECT_EQ(offer_.upper, "");
  EXPECT_EQ(saveDialog_.fileName, "");
  // Blanks and empty lines before the number are skipped; lines count from the number's line;
  // a CR alone ends a line; Ctrl-Z ends the file.
  ShownFor("\r\n  \r\n\t 1.5\tjunk\rname.zip\r\rup\x1a\r\nlow");
  EXPECT_EQ(offer_.caption, "Version 1.5 available");
  EXPECT_EQ(saveDialog_.fileName, "name.zip");
  EXPECT_EQ(offer_.upper, "up");
  EXPECT_EQ(offer_.lower, "");
  // Only the first 64 characters of the token count.
  const std::string number = "1.13" + std::string(60, '0');
  EXPECT_EQ(ShownFor(Lines({number + "junk"})),
            Shown{"You have the latest version (1.13) installed"});
}

TEST_F(UpdateCheckTest, AFirstTokenThatIsNoNumberEndsTheCheckWithAnError) {
  for (const char* text : {"abc\r\n", "1,2\r\n", "1.2x\r\n"}) {
    ServeVersion(text);
    EXPECT_THROW(Run(), Error) << text;
  }
  EXPECT_EQ(offer_.caption, "");
  EXPECT_EQ(messages_.shown, Shown{});
}

TEST_F(UpdateCheckTest, FailedDownloads) {
  EXPECT_EQ(ShownFor(std::string(kVersionFileLimit + 1, ' ')),
            Shown{"error: An error ocurred while downloading the version info."});
  EXPECT_EQ(ShownFor("1.13" + std::string(kVersionFileLimit - 4, ' ')),
            Shown{"You have the latest version (1.13) installed"});
  offer_.loadUpdate = true;
  saveDialog_.chosenPath = (folder_ / "release.zip").string();
  EXPECT_EQ(ShownFor(Lines({"2", "release.zip", server_.Url("/missing.zip")})),
            Shown{"error: An error ocurred while downloading the file."});
  EXPECT_FALSE(fs::exists(saveDialog_.chosenPath));
  server_.Set("/bmversion.txt", Answer::Status(404));
  messages_.shown.clear();
  Run();
  EXPECT_EQ(messages_.shown, Shown{"error: An error ocurred while downloading the version info."});
  EXPECT_EQ(offer_.caption, "Version 2 available");
}

TEST_F(UpdateCheckTest, TheRedirectionFileGivesTheVersionUrl) {
  fs::remove(folder_ / "updateurl.txt");
  check_->ReadRedirection();
  const std::string defaultUrl = check_->VersionUrl();
  EXPECT_EQ(defaultUrl.substr(0, 7), "http://");
  EXPECT_TRUE(defaultUrl.ends_with("/brumel/bmversion.txt"));
  EXPECT_EQ(ShownFor(""), Shown{"error: An error ocurred while downloading the version info."});
  EXPECT_EQ(fetched_, Shown{defaultUrl});
  server_.Set("/other.txt", Lines({"1.13"}));
  WriteRedirection(server_.Url("/other.txt") + "\r\nsecond line");
  EXPECT_EQ(ShownFor(""), Shown{"You have the latest version (1.13) installed"});
  EXPECT_EQ(check_->VersionUrl(), server_.Url("/other.txt"));
  // An empty redirection file gives an empty URL, which fails as a download.
  WriteRedirection("");
  EXPECT_EQ(ShownFor(""), Shown{"error: An error ocurred while downloading the version info."});
  fs::remove(folder_ / "updateurl.txt");
  fs::create_directory(folder_ / "updateurl.txt");
  EXPECT_THROW(check_->ReadRedirection(), Error);
}

// Version file i redirects to version file i + 1 while i < redirecting.
void ServeChain(LocalHttpServer& server, int redirecting) {
  for (int i = 0; i <= 11; ++i) {
    const std::string next = server.Url("/v" + std::to_string(i + 1));
    server.Set("/v" + std::to_string(i),
               i < redirecting ? Lines({"1.13", "redirect", next, "r"}) : Lines({"1.13", "final"}));
  }
}

TEST_F(UpdateCheckTest, TenRedirectionsAreFollowedAndAnEleventhIsReadAsAVersion) {
  WriteRedirection(server_.Url("/v0"));
  ServeChain(server_, 10);
  Run();
  EXPECT_EQ(messages_.shown.size(), 11u);
  EXPECT_EQ(messages_.shown.front(), "writing new redirection file");
  EXPECT_EQ(messages_.shown.back(), "You have the latest version (1.13) installed");
  EXPECT_EQ(FileText("updateurl.txt"), server_.Url("/v10"));
  EXPECT_EQ(server_.Requests("/v10"), 1);

  WriteRedirection(server_.Url("/v0"));
  ServeChain(server_, 11);
  messages_.shown.clear();
  Run();
  EXPECT_EQ(messages_.shown.size(), 12u);
  EXPECT_EQ(messages_.shown.back(), "You have the latest version (1.13) installed");
  EXPECT_EQ(FileText("updateurl.txt"), server_.Url("/v11"));
  EXPECT_EQ(server_.Requests("/v11"), 0);
  EXPECT_EQ(offer_.upper, "r");
  EXPECT_EQ(check_->VersionUrl(), server_.Url("/v10"));
}

}  // namespace
}  // namespace brumel
