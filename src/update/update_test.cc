#include "update/update.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "testing/update_fixture.h"

namespace zarn {
namespace {

using namespace update_testing;

TEST_F(UpdateTest, VersionTextDecidesWhetherTheProgramIsFetched) {
  const std::string oversized = "0.3" + std::string(64 << 10, ' ');
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
      {oversized.c_str(), UpdateOutcome::kInstalled},  // over the cap: not believed
      {"0.4", UpdateOutcome::kInstalled, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.version ? c.version : "(none)");
    TearDown();
    SetUp();
    if (c.earlier_old) WriteFileBytes(In("ZARN.old"), kExecutableStart + " older");
    TestServer server;
    if (c.version) server.Set("/update/last.version", {200, c.version});
    Publish(server, kNewProgram);
    EXPECT_EQ(Update(server.base()), c.outcome);
    EXPECT_FALSE(fs::exists(In("last.version")));
    if (c.outcome == UpdateOutcome::kUpToDate) {
      EXPECT_EQ(server.requests(), std::vector<std::string>{"/update/last.version"});
      ExpectNothingMoved();
      continue;
    }
    EXPECT_EQ(server.requests(),
              (std::vector<std::string>{"/update/last.version", "/update/last.dat", "/update/last.dat.sig"}));
    EXPECT_EQ(ReadFileBytes(program_), kNewProgram);
    EXPECT_EQ(fs::status(program_).permissions(), kProgramMode);
    EXPECT_EQ(ReadFileBytes(In("ZARN.old")), kOldProgram);
    EXPECT_FALSE(fs::exists(In("ZARN.dat")));
    EXPECT_FALSE(fs::exists(In("ZARN.dat.sig")));
    std::string agent = fs::path(ExecutablePath()).filename().string();
    EXPECT_EQ(server.user_agents(), (std::vector<std::string>{agent, agent, agent}));
  }
}

TEST_F(UpdateTest, BadProgramDownloadsMoveNothing) {
  struct Case {
    const char* name;
    Response program;
  } cases[] = {
      {"not found", {404, kExecutableStart + " page"}},
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

TEST_F(UpdateTest, OnlyAProgramSignedByTheReleaseKeyIsInstalled) {
  const KeyPair other_key = GenerateKeyPair();
  const std::string valid = Sign(kNewProgram, key_.secret_key);
  std::string one_byte_changed = kNewProgram;
  one_byte_changed.back() ^= 1;
  struct Case {
    const char* name;
    std::string program;
    Response signature;
    UpdateOutcome outcome;
  } cases[] = {
      {"signed", kNewProgram, {200, valid}, UpdateOutcome::kInstalled},
      {"no signature", kNewProgram, {404, valid}, UpdateOutcome::kNotSigned},
      {"signature page is an error", kNewProgram, {500, valid}, UpdateOutcome::kNotSigned},
      {"empty signature", kNewProgram, {200, ""}, UpdateOutcome::kNotSigned},
      {"short signature", kNewProgram, {200, valid.substr(0, 63)}, UpdateOutcome::kNotSigned},
      {"long signature", kNewProgram, {200, valid + "\n"}, UpdateOutcome::kNotSigned},
      {"signature of other bytes", kNewProgram, {200, Sign(kOldProgram, key_.secret_key)}, UpdateOutcome::kNotSigned},
      {"body changed by one byte", one_byte_changed, {200, valid}, UpdateOutcome::kNotSigned},
      {"signed by another key", kNewProgram, {200, Sign(kNewProgram, other_key.secret_key)}, UpdateOutcome::kNotSigned},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    TestServer server;
    server.Set("/update/last.version", {200, "0.2"});
    server.Set("/update/last.dat", {200, c.program});
    server.Set("/update/last.dat.sig", c.signature);
    EXPECT_EQ(Update(server.base()), c.outcome);
    EXPECT_EQ(server.requests(),
              (std::vector<std::string>{"/update/last.version", "/update/last.dat", "/update/last.dat.sig"}));
    if (c.outcome == UpdateOutcome::kInstalled) {
      EXPECT_EQ(ReadFileBytes(program_), kNewProgram);
      EXPECT_FALSE(fs::exists(In("ZARN.dat.sig")));
    } else {
      ExpectNothingMoved();
    }
  }
}

TEST_F(UpdateTest, BuildWithoutAValidKeyFetchesNothing) {
  const std::string key = ToHex(key_.public_key);
  for (const std::string& build_key : {std::string(), key.substr(1), key + "0", "g" + key.substr(1)}) {
    SCOPED_TRACE(build_key);
    TestServer server;
    server.Set("/update/last.version", {200, "0.2"});
    Publish(server, kNewProgram);
    EXPECT_EQ(RunUpdate(server.base(), dir_, program_, build_key), UpdateOutcome::kNoReleaseKey);
    EXPECT_TRUE(server.requests().empty());
    ExpectNothingMoved();
  }
}

TEST_F(UpdateTest, RefusedConnectionIsAFailedDownload) {
  std::string closed_port_base;
  {
    TestServer gone;
    closed_port_base = gone.base();
  }
  EXPECT_EQ(Update(closed_port_base), UpdateOutcome::kDownloadFailed);
  ExpectNothingMoved();
}

TEST_F(UpdateTest, FailedSwapKeepsTheProgramAndSaysSo) {
  fs::create_directories(In("ZARN.old/keep"));  // cannot be deleted nor renamed onto
  TestServer server;
  server.Set("/update/last.version", {200, "0.2"});
  Publish(server, kNewProgram);
  EXPECT_EQ(Update(server.base()), UpdateOutcome::kReplaceFailed);
  EXPECT_EQ(ReadFileBytes(program_), kOldProgram);
  EXPECT_FALSE(fs::exists(In("last.version")));
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

TEST(UpdateMessageTest, TextsAreExact) {
  EXPECT_EQ(UpdateMessage(UpdateOutcome::kUpToDate), "No update is avaible");
  EXPECT_EQ(UpdateMessage(UpdateOutcome::kInstalled), "Update has been successfully installed!");
  EXPECT_EQ(UpdateMessage(UpdateOutcome::kDownloadFailed), "Download failed!");
  EXPECT_EQ(UpdateMessage(UpdateOutcome::kReplaceFailed), "Update failed: the program file could not be replaced");
  EXPECT_EQ(UpdateMessage(UpdateOutcome::kNoReleaseKey), "Update failed: this build has no release key");
  EXPECT_EQ(UpdateMessage(UpdateOutcome::kNotSigned), "Update failed: the download is not signed by the release key");
}

}  // namespace
}  // namespace zarn
