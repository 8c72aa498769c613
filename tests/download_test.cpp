// The download function against a real HTTP server on 127.0.0.1: what it fetches, what it
// refuses, how it bounds a silent server and an oversized answer, and that the target is
// written completely or not at all.
#include "platform/download.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "image_test_support.h"
#include "local_http_server.h"

namespace brumel {
namespace {

namespace fs = std::filesystem;

// A loopback socket that accepts connections into its backlog and never answers; the port of
// a closed one is free, so nothing answers there at all.
class SilentListener {
 public:
  SilentListener() : socket_(::socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    auto* generic = reinterpret_cast<sockaddr*>(&address);
    if (socket_ >= 0 && ::bind(socket_, generic, length) == 0 && ::listen(socket_, 4) == 0 &&
        ::getsockname(socket_, generic, &length) == 0) {
      port_ = ntohs(address.sin_port);
    }
  }
  ~SilentListener() { Close(); }
  void Close() {
    if (socket_ >= 0) ::close(socket_);
    socket_ = -1;
  }
  int Port() const { return port_; }

 private:
  int socket_;
  int port_ = -1;
};

class DownloadTest : public testing::TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    ASSERT_TRUE(server_.Running());
    options_.connectTimeoutSeconds = 2;
    options_.lowSpeedSeconds = 1;
  }

  std::string Target() const { return (folder_ / "target.bin").string(); }
  int Fetch(const std::string& url) { return DownloadWithOptions(url, Target(), options_); }
  std::string TargetText() const {
    std::ifstream in(Target(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  // The target keeps its older content and no temporary file is left beside it.
  void ExpectUntouched(const std::string& older) {
    EXPECT_EQ(TargetText(), older);
    EXPECT_EQ(Entries(), std::vector<std::string>{"target.bin"});
  }
  void WriteOlderTarget() { std::ofstream(Target(), std::ios::binary) << "older"; }

  LocalHttpServer server_;
  DownloadOptions options_;
};

std::string BinaryBody(std::size_t size) {
  std::string body(size, '\0');
  for (std::size_t i = 0; i < size; ++i) body[i] = static_cast<char>((i * 7 + i / 251) & 0xff);
  return body;
}

TEST_F(DownloadTest, WritesTheResourceByteForByte) {
  const std::string body = BinaryBody(300000) + "\r\n\x1a\r";
  server_.Set("/release.zip", body);
  WriteOlderTarget();
  EXPECT_EQ(Fetch(server_.Url("/release.zip")), 0);
  EXPECT_EQ(TargetText(), body);
  server_.Set("/empty", "");
  EXPECT_EQ(Fetch(server_.Url("/empty")), 0);
  EXPECT_EQ(TargetText(), "");
}

TEST_F(DownloadTest, HttpErrorsFailAndLeaveTheOlderFile) {
  server_.Set("/gone", Answer::Status(404));
  server_.Set("/broken", Answer::Status(500));
  WriteOlderTarget();
  EXPECT_NE(Fetch(server_.Url("/missing")), 0);
  EXPECT_NE(Fetch(server_.Url("/gone")), 0);
  EXPECT_NE(Fetch(server_.Url("/broken")), 0);
  ExpectUntouched("older");
}

TEST_F(DownloadTest, FollowsRedirectionsAlsoToAnotherPortUpToTheBound) {
  LocalHttpServer other;
  ASSERT_TRUE(other.Running());
  other.Set("/final", "moved content");
  server_.Set("/first", Answer::Redirect(302, "/second"));
  server_.Set("/second", Answer::Redirect(301, other.Url("/final")));
  EXPECT_EQ(Fetch(server_.Url("/first")), 0);
  EXPECT_EQ(TargetText(), "moved content");
  EXPECT_EQ(other.Requests("/final"), 1);
  fs::remove(Target());
  server_.Set("/loop", Answer::Redirect(302, "/loop"));
  options_.maxRedirections = 5;
  EXPECT_NE(Fetch(server_.Url("/loop")), 0);
  EXPECT_EQ(server_.Requests("/loop"), 6);
  EXPECT_FALSE(fs::exists(Target()));
}

// Other schemes, also after a redirection, a port where nothing listens, and a target that can't
// be written all fail and write nothing.
TEST_F(DownloadTest, SpeaksHttpOnlyAndFailsWithNothingListeningOrNoFolder) {
  const fs::path secret = folder_ / "secret.txt";
  std::ofstream(secret) << "local file";
  SilentListener closed;
  ASSERT_GT(closed.Port(), 0);
  closed.Close();
  server_.Set("/to-file", Answer::Redirect(302, "file://" + secret.string()));
  server_.Set("/to-ftp",
              Answer::Redirect(302, "ftp://127.0.0.1:" + std::to_string(server_.Port())));
  server_.Set("/away",
              Answer::Redirect(302, "http://127.0.0.1:" + std::to_string(closed.Port()) + "/"));
  for (const std::string& url : {server_.Url("/to-file"), server_.Url("/to-ftp"),
                                 "file://" + secret.string(), std::string(), server_.Url("/away")})
    EXPECT_NE(Fetch(url), 0) << url;
  EXPECT_FALSE(fs::exists(Target()));
  server_.Set("/file", "content");
  EXPECT_NE(DownloadWithOptions(server_.Url("/file"), Path("no/such/folder"), options_), 0);
}

TEST_F(DownloadTest, ASilentServerIsGivenUpAfterTheLowSpeedTime) {
  SilentListener silent;
  ASSERT_GT(silent.Port(), 0);
  WriteOlderTarget();
  const auto start = std::chrono::steady_clock::now();
  EXPECT_NE(Fetch("http://127.0.0.1:" + std::to_string(silent.Port()) + "/bmversion.txt"), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  ExpectUntouched("older");
}

TEST_F(DownloadTest, AnOversizedAnswerFailsWithOrWithoutALength) {
  options_.maxBytes = 1000;
  server_.Set("/exact", std::string(1000, 'x'));
  server_.Set("/large", std::string(1001, 'x'));
  server_.Set("/large-chunked", Answer::Chunked(std::string(5000, 'x')));
  WriteOlderTarget();
  EXPECT_NE(Fetch(server_.Url("/large")), 0);
  EXPECT_NE(Fetch(server_.Url("/large-chunked")), 0);
  ExpectUntouched("older");
  EXPECT_EQ(Fetch(server_.Url("/exact")), 0);
  EXPECT_EQ(TargetText(), std::string(1000, 'x'));
}

}  // namespace
}  // namespace brumel
