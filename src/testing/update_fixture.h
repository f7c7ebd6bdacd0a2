// The update tests' tool folder: a stand-in for the running executable, a
// release key, and the checks that nothing was moved.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/paths.h"
#include "testing/scratch_folder.h"
#include "testing/test_http_server.h"
#include "text/script.h"
#include "update/release_signature.h"
#include "update/update.h"

namespace zarn::update_testing {

namespace fs = std::filesystem;
using testing_util::Response;
using testing_util::TestServer;

// The start that LooksLikeExecutable wants on this system.
#ifdef _WIN32
inline const std::string kExecutableStart = "MZ";
// Windows keeps no permission bits; the library shows a writable file as 0666.
inline const fs::perms kProgramMode = fs::perms(0666);
#else
inline const std::string kExecutableStart =
    "\x7f"
    "ELF";
inline const fs::perms kProgramMode = fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec;
#endif
inline const std::string kOldProgram = kExecutableStart + " old program";
inline const std::string kNewProgram = kExecutableStart + " new program";

// A tool folder holding a stand-in for the running executable.
class UpdateTest : public testing::Test {
 protected:
  void SetUp() override {
    testing_util::NoProxyForLoopback();
    folder_ = std::make_unique<testing_util::ScratchFolder>();
    dir_ = folder_->path();
    program_ = PathJoin(dir_, "zarn-program");
    WriteFileBytes(program_, kOldProgram);
    fs::permissions(program_, kProgramMode);
  }
  void TearDown() override { folder_.reset(); }

  std::string In(const std::string& name) const { return PathJoin(dir_, name); }
  UpdateOutcome Update(const std::string& base) { return RunUpdate(base, dir_, program_, ToHex(key_.public_key)); }
  // Serves `program` with its signature by the release key.
  void Publish(TestServer& server, const std::string& program) {
    server.Set("/update/last.dat", {200, program});
    server.Set("/update/last.dat.sig", {200, Sign(program, key_.secret_key)});
  }

  // The program untouched and nothing else left in its folder.
  void ExpectNothingMoved() {
    EXPECT_EQ(ReadFileBytes(program_), kOldProgram);
    EXPECT_EQ(fs::status(program_).permissions(), kProgramMode);
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"zarn-program"});
  }

  const KeyPair key_ = GenerateKeyPair();
  std::unique_ptr<testing_util::ScratchFolder> folder_;
  std::string dir_;
  std::string program_;
};

}  // namespace zarn::update_testing
