// Where an unprivileged user's runs put the working files: beside the program
// when its folder can be written, in the user's state folder otherwise.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "map/map_builder.h"
#include "testing/test_util.h"
#include "text/script.h"

namespace zarn {
namespace {

namespace fs = std::filesystem;
using testing_util::AsUnprivilegedUser;
using testing_util::Quote;
using testing_util::RunCommand;
using testing_util::TempDir;

constexpr const char* kScript = "function f takes nothing returns nothing\nvar i = 1\nendfunction\n";

int ModeOf(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 ? static_cast<int>(st.st_mode & 07777) : -1;
}

// A copy of zarn-cli in `program/`, a map in `maps/` and a home folder, all
// open to the user the runs are made as; `program/` is open only on request.
class WorkingDirTest : public testing::Test {
 protected:
  void SetUp() override {
    fs::permissions(dir_.path(), fs::perms(0755));
    for (const char* folder : {"program", "maps", "home"}) fs::create_directory(dir_ / folder);
    cli_ = testing_util::CopyProgram("zarn-cli", dir_ / "program");
    fs::permissions(dir_ / "maps", fs::perms(0777));
    fs::permissions(dir_ / "home", fs::perms(0777));
    map_ = dir_ / "maps/m.w3x";
    BuildMapArchive(map_, {{"war3map.j", kScript}});
    fs::permissions(map_, fs::perms(0666));
    before_ = ReadFileBytes(map_);
  }

  // Runs zarn-cli on the map as the unprivileged user; `env` is put before
  // the command as `env` arguments.
  testing_util::ProcessResult RunMap(bool program_folder_writable, const std::string& env) {
    fs::permissions(dir_ / "program", fs::perms(program_folder_writable ? 0777 : 0555));
    auto r = RunCommand("env -u XDG_STATE_HOME HOME=" + Quote(dir_ / "home") + " " + env + " " +
                            AsUnprivilegedUser(Quote(cli_) + " --map " + Quote(map_)),
                        dir_.path());
    fs::permissions(dir_ / "program", fs::perms(0755));
    return r;
  }

  // A clean run: the map processed and its working files in `folder`.
  void ExpectWorkingFilesIn(const testing_util::ProcessResult& r, const std::string& folder) {
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_NE(ReadFileBytes(map_), before_);
    for (const char* name : {"war3map.j", "war3map_parsed.j", "zarn.lock"})
      EXPECT_TRUE(fs::is_regular_file(folder + "/" + name)) << folder << "/" << name;
    EXPECT_EQ(ReadFileBytes(folder + "/war3map_parsed.j").find("var"), std::string::npos);
  }

  TempDir dir_;
  std::string cli_, map_, before_;
};

TEST_F(WorkingDirTest, AWritableProgramFolderHoldsTheWorkingFiles) {
  auto r = RunMap(true, "XDG_STATE_HOME=" + Quote(dir_ / "home/state"));
  ExpectWorkingFilesIn(r, dir_ / "program");
  EXPECT_FALSE(fs::exists(dir_ / "home/state"));
  EXPECT_FALSE(fs::exists(dir_ / "home/.local"));
}

TEST_F(WorkingDirTest, AnUnwritableProgramFolderSendsThemToTheStateFolder) {
  struct Case {
    const char* name;
    std::string env;
    std::string folder;        // where the working files must go
    std::string created_from;  // the first folder the run must create, mode 0700
  } cases[] = {
      {"XDG_STATE_HOME with missing parents", "XDG_STATE_HOME=" + Quote(dir_ / "home/a/b"), dir_ / "home/a/b/zarn",
       dir_ / "home/a"},
      {"XDG_STATE_HOME unset", "", dir_ / "home/.local/state/zarn", dir_ / "home/.local"},
      {"XDG_STATE_HOME relative, so ignored", "XDG_STATE_HOME=relative", dir_ / "home/.local/state/zarn",
       dir_ / "home/.local"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(dir_ / "home/a");
    fs::remove_all(dir_ / "home/.local");
    WriteFileBytes(map_, before_);
    auto r = RunMap(false, c.env);
    ExpectWorkingFilesIn(r, c.folder);
    for (std::string f = c.folder; f.size() >= c.created_from.size(); f = fs::path(f).parent_path())
      EXPECT_EQ(ModeOf(f), 0700) << f;
    // The write test left nothing behind in the program's folder.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_ / "program"), fs::directory_iterator()), 1);
  }
}

TEST_F(WorkingDirTest, AStateFolderThatCannotBeCreatedEndsTheRunAndKeepsTheMap) {
  fs::create_directory(dir_ / "closed");
  fs::permissions(dir_ / "closed", fs::perms(0555));
  WriteFileBytes(dir_ / "file", "not a folder");
  struct Case {
    std::string state_home;
    std::string message;
  } cases[] = {
      {dir_ / "closed/state",
       "Cannot create the working folder " + dir_ / "closed/state/zarn" + ": Permission denied\n"},
      {dir_ / "file", "Cannot create the working folder " + dir_ / "file/zarn" + ": Not a directory\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.state_home);
    auto r = RunMap(false, "XDG_STATE_HOME=" + Quote(c.state_home));
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.err, c.message);
    EXPECT_EQ(ReadFileBytes(map_), before_);
  }
  EXPECT_FALSE(fs::exists(dir_ / "closed/state"));
}

}  // namespace
}  // namespace zarn
