#include "update.h"

#include <arpa/inet.h>
#include <grp.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <thread>

#include "errors.h"
#include "platform.h"
#include "script.h"

namespace zarn {
namespace {

namespace fs = std::filesystem;

struct Response {
  int status = 200;
  std::string body;
  bool cut_off = false;  // announces more bytes than it sends, then closes
};

// A small HTTP server on 127.0.0.1 that answers one connection at a time
// from a table of paths and logs what it was asked for.
class TestServer {
 public:
  TestServer() {
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        listen(listener_, 8) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
      ADD_FAILURE() << "test server cannot listen";
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~TestServer() {
    stop_ = true;
    thread_.join();
    close(listener_);
  }

  std::string base() const { return "http://127.0.0.1:" + std::to_string(port_); }
  void Set(const std::string& path, Response response) {
    std::lock_guard lock(mutex_);
    routes_[path] = std::move(response);
  }
  std::vector<std::string> requests() {
    std::lock_guard lock(mutex_);
    return requests_;
  }
  std::vector<std::string> user_agents() {
    std::lock_guard lock(mutex_);
    return user_agents_;
  }

 private:
  void Serve() {
    while (!stop_) {
      pollfd waiting{listener_, POLLIN, 0};
      if (poll(&waiting, 1, 20) <= 0) continue;
      int connection = accept(listener_, nullptr, nullptr);
      if (connection < 0) continue;
      Answer(connection);
      close(connection);
    }
  }

  void Answer(int connection) {
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos) {
      ssize_t got = recv(connection, buffer, sizeof buffer, 0);
      if (got <= 0) return;
      request.append(buffer, static_cast<std::size_t>(got));
    }
    std::size_t start = request.find(' ') + 1;
    std::string path = request.substr(start, request.find(' ', start) - start);
    std::size_t agent = request.find("User-Agent: ");
    Response response{404, "not found", false};
    {
      std::lock_guard lock(mutex_);
      requests_.push_back(path);
      if (agent != std::string::npos)
        user_agents_.push_back(request.substr(agent + 12, request.find('\r', agent) - agent - 12));
      if (routes_.count(path)) response = routes_[path];
    }
    std::size_t announced = response.body.size() + (response.cut_off ? 1000 : 0);
    std::string reply = "HTTP/1.1 " + std::to_string(response.status) +
                        " Status\r\nContent-Length: " + std::to_string(announced) +
                        "\r\nConnection: close\r\n\r\n" + response.body;
    for (std::size_t sent = 0; sent < reply.size();) {
      ssize_t n = send(connection, reply.data() + sent, reply.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) return;
      sent += static_cast<std::size_t>(n);
    }
  }

  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  std::mutex mutex_;
  std::map<std::string, Response> routes_;
  std::vector<std::string> requests_;
  std::vector<std::string> user_agents_;
};

const std::string kOldProgram = "\x7f" "ELF old program";
const std::string kNewProgram = "\x7f" "ELF new program";
const fs::perms kProgramMode = fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec;

// A tool folder holding a stand-in for the running executable.
class UpdateTest : public testing::Test {
 protected:
  void SetUp() override {
    setenv("no_proxy", "127.0.0.1", 1);  // the test server is never behind a proxy
    std::string pattern = testing::TempDir() + "zarn_update_XXXXXX";
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    program_ = PathJoin(dir_, "zarn-program");
    WriteFileBytes(program_, kOldProgram);
    fs::permissions(program_, kProgramMode);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string In(const std::string& name) const { return PathJoin(dir_, name); }
  UpdateOutcome Update(const std::string& base) { return RunUpdate(base, dir_, program_); }

  // The program untouched and no working file left behind.
  void ExpectNothingMoved() {
    EXPECT_EQ(ReadFileBytes(program_), kOldProgram);
    EXPECT_FALSE(fs::exists(In("ZARN.old")));
    EXPECT_FALSE(fs::exists(In("ZARN.dat")));
    EXPECT_FALSE(fs::exists(In("last.version")));
  }

  std::string dir_;
  std::string program_;
};

TEST_F(UpdateTest, VersionTextDecidesWhetherTheProgramIsFetched) {
  struct Case {
    const char* version;  // null: the server has no version file
    UpdateOutcome outcome;
    bool earlier_old = false;
  } cases[] = {
      {"0.3\r\n", UpdateOutcome::kUpToDate},
      {" 0.3 ", UpdateOutcome::kUpToDate},
      {"\t0.3\n\n\x01", UpdateOutcome::kUpToDate},
      {"0.2", UpdateOutcome::kInstalled},
      {"0.30", UpdateOutcome::kInstalled},
      {"0.3\r\nnote", UpdateOutcome::kInstalled},
      {nullptr, UpdateOutcome::kInstalled},
      {"0.4", UpdateOutcome::kInstalled, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.version ? c.version : "(none)");
    TearDown();
    SetUp();
    if (c.earlier_old) WriteFileBytes(In("ZARN.old"), "\x7f" "ELF older");
    TestServer server;
    if (c.version) server.Set("/update/last.version", {200, c.version});
    server.Set("/update/last.dat", {200, kNewProgram});
    EXPECT_EQ(Update(server.base()), c.outcome);
    EXPECT_FALSE(fs::exists(In("last.version")));
    if (c.outcome == UpdateOutcome::kUpToDate) {
      EXPECT_EQ(server.requests(), std::vector<std::string>{"/update/last.version"});
      ExpectNothingMoved();
      continue;
    }
    EXPECT_EQ(server.requests(),
              (std::vector<std::string>{"/update/last.version", "/update/last.dat"}));
    EXPECT_EQ(ReadFileBytes(program_), kNewProgram);
    EXPECT_EQ(fs::status(program_).permissions(), kProgramMode);
    EXPECT_EQ(ReadFileBytes(In("ZARN.old")), kOldProgram);
    EXPECT_FALSE(fs::exists(In("ZARN.dat")));
    std::string agent = fs::path(ExecutablePath()).filename().string();
    EXPECT_EQ(server.user_agents(), (std::vector<std::string>{agent, agent}));
  }
}

TEST_F(UpdateTest, BadProgramDownloadsMoveNothing) {
  struct Case {
    const char* name;
    Response program;
  } cases[] = {
      {"not found", {404, "\x7f" "ELF page"}},
      {"server error", {500, kNewProgram}},
      {"empty body", {200, ""}},
      {"not an executable", {200, "<html>MZ</html>"}},
      {"cut off", {200, kNewProgram, true}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestServer server;
    server.Set("/update/last.version", {200, "0.2"});
    server.Set("/update/last.dat", c.program);
    EXPECT_EQ(Update(server.base()), UpdateOutcome::kDownloadFailed);
    ExpectNothingMoved();
  }
}

TEST_F(UpdateTest, RefusedConnectionIsAFailedDownload) {
  std::string closed_port_base;
  { TestServer gone; closed_port_base = gone.base(); }
  EXPECT_EQ(Update(closed_port_base), UpdateOutcome::kDownloadFailed);
  ExpectNothingMoved();
}

TEST_F(UpdateTest, FailedSwapKeepsTheProgramAndSaysSo) {
  fs::create_directories(In("ZARN.old/keep"));  // cannot be deleted nor renamed onto
  TestServer server;
  server.Set("/update/last.version", {200, "0.2"});
  server.Set("/update/last.dat", {200, kNewProgram});
  EXPECT_EQ(Update(server.base()), UpdateOutcome::kReplaceFailed);
  EXPECT_EQ(ReadFileBytes(program_), kOldProgram);
  EXPECT_FALSE(fs::exists(In("last.version")));
}

// An installed copy: the program's folder is closed to this user, or open to
// all but with the sticky bit, so that only the owner may replace the program.
// The update runs in a child process as an unprivileged user (root passes
// every permission check).
TEST_F(UpdateTest, AProgramThisUserCannotReplaceIsLeftAloneAndNothingIsFetched) {
  const bool root = geteuid() == 0;
  std::vector<fs::perms> folder_modes = {fs::perms(0555)};
  if (root) folder_modes.push_back(fs::perms(01777));
  for (fs::perms mode : folder_modes) {
    SCOPED_TRACE(static_cast<int>(mode));
    TestServer server;
    server.Set("/update/last.version", {200, "0.2"});
    server.Set("/update/last.dat", {200, kNewProgram});
    fs::permissions(dir_, mode);
    pid_t child = fork();
    if (child == 0) {
      alarm(20);
      if (root && (setgroups(0, nullptr) != 0 || setresgid(65534, 65534, 65534) != 0 ||
                   setresuid(65534, 65534, 65534) != 0))
        _exit(100);
      _exit(static_cast<int>(Update(server.base())));
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    fs::permissions(dir_, fs::perms::owner_all);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), static_cast<int>(UpdateOutcome::kReplaceFailed));
    EXPECT_TRUE(server.requests().empty());
    ExpectNothingMoved();
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
  }
}

TEST_F(UpdateTest, SwapPutsTheProgramBackWhenTheSecondRenameFails) {
  WriteFileBytes(In("ZARN.dat"), kNewProgram);
  int calls = 0;
  auto fail_second = [&](const std::string& from, const std::string& to) {
    return ++calls != 2 && RenameFile(from, to);
  };
  EXPECT_FALSE(SwapInExecutable(In("ZARN.dat"), program_, In("ZARN.old"), fail_second));
  EXPECT_EQ(calls, 3);
  EXPECT_EQ(ReadFileBytes(program_), kOldProgram);
  EXPECT_FALSE(fs::exists(In("ZARN.old")));
}

TEST_F(UpdateTest, DownloadStreamsInSmallPieces) {
  std::string body(8 << 20, '\0');
  for (std::size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>(i * 7 + i / 4096);
  TestServer server;
  server.Set("/big", {200, body});
  std::size_t largest = 0, total = 0;
  auto observe = [&](std::size_t piece) {
    largest = std::max(largest, piece);
    total += piece;
  };
  ASSERT_TRUE(DownloadFile(server.base() + "/big", In("big"), "agent", observe));
  EXPECT_LE(largest, 1024u);
  EXPECT_EQ(total, body.size());
  EXPECT_TRUE(ReadFileBytes(In("big")) == body);
  EXPECT_EQ(server.user_agents(), std::vector<std::string>{"agent"});
}

TEST_F(UpdateTest, UnwritableTargetRaisesFileError) {
  TestServer server;
  server.Set("/f", {200, "data"});
  EXPECT_THROW(DownloadFile(server.base() + "/f", In("missing/f"), "agent"), FileError);
}

TEST(UpdateMessageTest, TextsAreExact) {
  EXPECT_EQ(UpdateMessage(UpdateOutcome::kUpToDate), "No update is avaible");
  EXPECT_EQ(UpdateMessage(UpdateOutcome::kInstalled), "Update has been successfully installed!");
  EXPECT_EQ(UpdateMessage(UpdateOutcome::kDownloadFailed), "Download failed!");
  EXPECT_EQ(UpdateMessage(UpdateOutcome::kReplaceFailed),
            "Update failed: the program file could not be replaced");
}

}  // namespace
}  // namespace zarn
