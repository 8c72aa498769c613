// A real HTTP server on 127.0.0.1 for the download tests: it runs in its own thread on a free
// port from construction to destruction and answers each path as the test set it.
#pragma once

#include <httplib.h>

#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <thread>

namespace brumel {

struct Answer {
  int status = 200;
  std::string body;
  std::string location;  // sent as Location when not empty
  bool chunked = false;  // sent without a length

  static Answer Status(int status) { return {status, "status page", "", false}; }
  static Answer Redirect(int status, std::string location) {
    return {status, "", std::move(location), false};
  }
  static Answer Chunked(std::string body) { return {200, std::move(body), "", true}; }
};

class LocalHttpServer {
 public:
  LocalHttpServer() {
    server_.Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
      Respond(request, response);
    });
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    // stop() only takes effect once the server runs, so the destructor must not come earlier.
    for (int wait = 0; wait < 2000 && !server_.is_running(); ++wait) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  ~LocalHttpServer() {
    server_.stop();
    thread_.join();
  }
  LocalHttpServer(const LocalHttpServer&) = delete;
  LocalHttpServer& operator=(const LocalHttpServer&) = delete;

  bool Running() const { return port_ > 0 && server_.is_running(); }
  int Port() const { return port_; }
  std::string Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
  }
  void Set(const std::string& path, Answer answer) {
    std::lock_guard lock(mutex_);
    answers_[path] = std::move(answer);
  }
  void Set(const std::string& path, const std::string& body) {
    Set(path, Answer{200, body, "", false});
  }
  int Requests(const std::string& path) const {
    std::lock_guard lock(mutex_);
    const auto found = requests_.find(path);
    return found == requests_.end() ? 0 : found->second;
  }

 private:
  void Respond(const httplib::Request& request, httplib::Response& response) {
    std::lock_guard lock(mutex_);
    ++requests_[request.path];
    const auto found = answers_.find(request.path);
    if (found == answers_.end()) {
      response.status = 404;
      return;
    }
    const Answer& answer = found->second;
    response.status = answer.status;
    if (!answer.location.empty()) response.set_header("Location", answer.location);
    if (!answer.chunked) {
      response.set_content(answer.body, "text/plain");
      return;
    }
    response.set_chunked_content_provider(
        "text/plain", [body = answer.body](std::size_t, httplib::DataSink& sink) {
          sink.write(body.data(), body.size());
          sink.done();
          return true;
        });
  }

  httplib::Server server_;
  int port_ = -1;
  std::thread thread_;
  mutable std::mutex mutex_;
  std::map<std::string, Answer> answers_;
  std::map<std::string, int> requests_;
};

}  // namespace brumel
