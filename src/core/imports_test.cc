#include "core/imports.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <iostream>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "platform/opened_files.h"
#include "platform/real_paths.h"
#include "testing/test_util.h"

namespace zarn {
namespace {

namespace fs = std::filesystem;
using testing_util::TempDir;

class ImportsTest : public ::testing::Test {
 protected:
  void SetUp() override { fs::create_directories(NativePath(dir_ / "map/src")); }

  void Write(const std::string& name, const std::string& bytes) { WriteFileBytes(map_ + "/" + name, bytes); }
  std::string Real(const std::string& name) const { return RealPath(map_ + "/" + name).value(); }

  ImportedScript Paste(const std::string& script, std::vector<std::string> more = {}) {
    return PasteImports(script, {"war3map.j", "", map_, std::move(more)});
  }

  // The one problem's message.
  std::string Problem(const std::string& script, std::vector<std::string> more = {}) {
    const ImportedScript pasted = Paste(script, std::move(more));
    EXPECT_EQ(pasted.problems.size(), 1u);
    return pasted.problems.empty() ? "" : pasted.problems[0].message;
  }

  TempDir dir_;
  const std::string map_ = dir_ / "map";
};

TEST_F(ImportsTest, NestedFilesArePastedOnceWithTheirLines) {
  Write("src/a.j", "a1\r\n//!import \"b.j\"\r\na3\r\n");  // CR LF
  Write("src/b.j", "b1\n//!import \"../src/a.j\"\nb3");   // LF, a cycle, no last break
  Write("src/c.j", "c1\rc2\r");                           // CR alone
  const ImportedScript pasted =
      Paste("m1\r\n//!import \"src/a.j\"\r\n  //!import \"src/c.j\"\r\n//!import \"src/b.j\"\r\nm5\r\n");
  EXPECT_TRUE(pasted.problems.empty());
  EXPECT_EQ(pasted.text, "m1\r\na1\r\nb1\nb3\r\na3\r\nc1\rc2\rm5\r\n");
  EXPECT_EQ(pasted.sources.files,
            (std::vector<std::string>{"war3map.j", Real("src/a.j"), Real("src/b.j"), Real("src/c.j")}));
  EXPECT_EQ(pasted.imported_count(), 3u);
  std::vector<std::pair<std::uint32_t, std::uint32_t>> sources;
  for (const LineSource& s : pasted.sources.lines) sources.emplace_back(s.file, s.line);
  EXPECT_EQ(sources, (std::vector<std::pair<std::uint32_t, std::uint32_t>>{
                         {0, 1}, {1, 1}, {2, 1}, {2, 3}, {1, 3}, {3, 1}, {3, 2}, {0, 5}}));
}

TEST_F(ImportsTest, AScriptWithoutImportsIsLeftAsItIs) {
  const std::string script = std::string("call f()\r\n//! import \"x.j\"\r\n\0tail", 34);
  const ImportedScript pasted = Paste(script);
  EXPECT_EQ(pasted.text, script);
  EXPECT_TRUE(pasted.sources.lines.empty());
  EXPECT_EQ(pasted.sources.Of(1).line, 2u);
  EXPECT_EQ(pasted.imported_count(), 0u);
}

TEST_F(ImportsTest, AFileIsJudgedByItsRealPathAndImportedOnce) {
  Write("src/a.j", "a\n");
  EXPECT_EQ(Paste("//!import \"src/a.j\"\n//!import \"./src/../src/a.j\"\n").text, "a\n");
#ifndef _WIN32
  fs::create_symlink("src/a.j", NativePath(map_ + "/same.j"));
  EXPECT_EQ(Paste("//!import \"src/a.j\"\n//!import \"same.j\"\n").text, "a\n");
#endif
  // The script itself, given by its file, is not pasted into itself.
  Write("self.j", "//!import \"self.j\"\nx\n");
  EXPECT_EQ(PasteImports(ReadFileBytes(map_ + "/self.j"), {"self.j", map_ + "/self.j", map_, {}}).text, "x\n");
}

TEST_F(ImportsTest, NothingOutsideTheFolderIsImportedUnlessNamed) {
  WriteFileBytes(dir_ / "secret.j", "secret\n");
  Write("notes.txt", "text\n");
  const std::string real_map = Real(".");
  EXPECT_EQ(Problem("//!import \"missing.j\"\n"), "cannot import \"missing.j\": no such file in " + real_map);
  const std::string out =
      "cannot import \"../secret.j\": it leads out of the folders imports may come from: " + real_map +
      " (name more with --import-path)";
  EXPECT_EQ(Problem("//!import \"../secret.j\"\n"), out);
  EXPECT_EQ(Problem("//!import \"" + (dir_ / "secret.j") + "\"\n").substr(0, 40),
            ("cannot import \"" + (dir_ / "secret.j") + "\": it leads out").substr(0, 40));
  EXPECT_EQ(Problem("//!import \"notes.txt\"\n"),
            "cannot import \"notes.txt\": only files whose names end in .j or .jass can be imported");
#ifndef _WIN32
  // A link inside that leads out, or to a name of another ending.
  fs::create_symlink(NativePath(dir_ / "secret.j"), NativePath(map_ + "/link.j"));
  EXPECT_NE(Problem("//!import \"link.j\"\n").find("leads out"), std::string::npos);
  fs::create_symlink("notes.txt", NativePath(map_ + "/notes.j"));
  EXPECT_EQ(Problem("//!import \"notes.j\"\n"),
            "cannot import \"notes.j\": it leads to " + Real("notes.txt") + ", whose name does not end in .j or .jass");
#endif
  // A folder named after --import-path is searched after the file's own.
  EXPECT_EQ(Paste("//!import \"../secret.j\"\n", {dir_.path()}).text, "secret\n");
  EXPECT_EQ(Paste("//!import \"secret.j\"\n", {dir_.path()}).text, "secret\n");
  EXPECT_EQ(Problem("//!import \"none.j\"\n", {dir_.path()}),
            "cannot import \"none.j\": no such file in " + real_map + ", " + RealPath(dir_.path()).value());
}

TEST_F(ImportsTest, ProblemsStandAtTheirImportLine) {
  Write("src/a.j", "ok\n  //!import \"gone.jass\"\n");
  const ImportedScript pasted = Paste("x\n//!import \"src/a.j\"\n//!import\n");
  ASSERT_EQ(pasted.problems.size(), 2u);
  const ErrorReport report = ImportProblemsReport(pasted);
  EXPECT_EQ(report.marker_count, 2u);
  EXPECT_EQ(report.entries[0].place.file, Real("src/a.j"));
  EXPECT_EQ(report.entries[0].place.line, 2u);
  EXPECT_EQ(report.entries[0].place.column, 3u);
  EXPECT_EQ(report.entries[0].message, "cannot import \"gone.jass\": no such file in " + Real("src"));
  EXPECT_FALSE(report.entries[0].processed_line.has_value());
  EXPECT_EQ(report.entries[1].place.file + ":" + std::to_string(report.entries[1].place.line), "war3map.j:3");
  EXPECT_EQ(report.entries[1].message, "malformed import line: write //!import \"PATH\" alone");
  // What the errors view shows is the script as written.
  EXPECT_EQ(report.script, "x\n//!import \"src/a.j\"\n//!import\n");
}

TEST_F(ImportsTest, NonAsciiNamesAndWindowsSeparators) {
  Write("src/größe é.j", "umlaut\r\n");
  EXPECT_EQ(Paste("//!import \"src/größe é.j\"\r\n").text, "umlaut\r\n");
  EXPECT_EQ(Paste("//!import \"src\\größe é.j\"\r\n").text, "umlaut\r\n");
}

// Whatever a name stands for after the file was opened and judged, the file
// read is the one judged: the hook swaps the name at that point.
class SwapAfterJudging : public OpenedFileHook {
 public:
  explicit SwapAfterJudging(std::function<void(const std::string&)> swap) : swap_(std::move(swap)) {}
  void Judged(const std::string& path) override { swap_(path); }

 private:
  std::function<void(const std::string&)> swap_;
};

// A symbolic link, where this system lets the test make one.
bool MadeLink(const std::string& target, const std::string& link) {
  std::error_code error;
  fs::create_symlink(fs::path(NativePath(target)).make_preferred(), NativePath(link), error);
  return !error;
}

TEST_F(ImportsTest, OnlyTheRegularFileJudgedIsRead) {
  WriteFileBytes(dir_ / "secret.j", "secret\n");
  Write("src/real.j", "real\n");
  // Two hard links are one file, pasted once; a folder is no file.
  fs::create_hard_link(NativePath(map_ + "/src/real.j"), NativePath(map_ + "/twin.j"));
  EXPECT_EQ(Paste("//!import \"src/real.j\"\n//!import \"twin.j\"\n").text, "real\n");
  fs::create_directories(NativePath(map_ + "/dir.j"));
  EXPECT_EQ(Problem("//!import \"dir.j\"\n"), "cannot import \"dir.j\": it is not a file");
  // A chain of links that ends inside is followed; one that ends outside is not.
  if (MadeLink("real.j", map_ + "/src/hop.j") && MadeLink("src/hop.j", map_ + "/chain.j") &&
      MadeLink("../../secret.j", map_ + "/src/out.j") && MadeLink("src/out.j", map_ + "/away.j")) {
    EXPECT_EQ(Paste("//!import \"chain.j\"\n").text, "real\n");
    EXPECT_NE(Problem("//!import \"away.j\"\n").find("leads out"), std::string::npos);
  } else {
    std::cerr << "links cannot be made here: link chains not tried\n";
  }
#ifndef _WIN32
  // A FIFO and a device are refused at once, never waited on.
  ASSERT_EQ(::mkfifo((map_ + "/fifo.j").c_str(), 0600), 0);
  EXPECT_EQ(Problem("//!import \"fifo.j\"\n"), "cannot import \"fifo.j\": it is not a file");
  fs::create_symlink("/dev/zero", NativePath(map_ + "/zero.j"));
  EXPECT_EQ(Problem("//!import \"zero.j\"\n", {"/dev"}), "cannot import \"zero.j\": it is not a file");
  // A folder that cannot be entered is named with the system's reason (not
  // for root, who enters any).
  if (::geteuid() != 0) {
    fs::create_directories(NativePath(map_ + "/shut"));
    Write("shut/x.j", "x\n");
    fs::permissions(NativePath(map_ + "/shut"), fs::perms::none);
    EXPECT_EQ(Problem("//!import \"shut/x.j\"\n"),
              "cannot import \"shut/x.j\": cannot open " + map_ + "/shut/x.j: Permission denied");
    fs::permissions(NativePath(map_ + "/shut"), fs::perms::owner_all);
  }

  // Swapped for a link to outside, or for a FIFO, after judging: the file
  // judged is pasted all the same, and nothing waits.
  const std::string real = map_ + "/src/real.j";
  SwapAfterJudging to_link([&](const std::string& path) {
    fs::remove(NativePath(path));
    fs::create_symlink(NativePath(dir_ / "secret.j"), NativePath(path));
  });
  {
    OpenedFileHookRegistration registered(to_link);
    EXPECT_EQ(Paste("//!import \"src/real.j\"\n").text, "real\n");
  }
  EXPECT_EQ(fs::read_symlink(NativePath(real)), NativePath(dir_ / "secret.j"));
  Write("src/real.j.new", "real\n");
  fs::remove(NativePath(real));
  fs::rename(NativePath(real + ".new"), NativePath(real));
  SwapAfterJudging to_fifo([&](const std::string& path) {
    fs::remove(NativePath(path));
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
  });
  OpenedFileHookRegistration registered(to_fifo);
  EXPECT_EQ(Paste("//!import \"src/real.j\"\n").text, "real\n");
#endif
}

TEST_F(ImportsTest, TheSizeLimitIsJudgedBeforeAByteIsRead) {
  // Sparse files far over the limit: one that starts with text, one of NULs
  // only. Reading either whole would take gigabytes.
  Write("big.j", "call f()\n");
  Write("nul.j", std::string(1, '\0'));
  for (const char* name : {"big.j", "nul.j"}) {
    std::error_code error;
    fs::resize_file(NativePath(map_ + "/" + name), std::uintmax_t{8} << 30, error);
    // Wine fails to grow the file of one NUL ("Bad file descriptor"): that
    // case is left out there.
    if (error) {
      std::cerr << "cannot grow " << name << " here: " << error.message() << "\n";
      continue;
    }
    const ImportedScript pasted = Paste("x\n//!import \"" + std::string(name) + "\"\n");
    ASSERT_EQ(pasted.problems.size(), 1u);
    EXPECT_EQ(pasted.problems[0].at.line, 2u);
    EXPECT_EQ(pasted.problems[0].message,
              "cannot import \"" + std::string(name) + "\": the imported files come to more than 256 MiB");
  }
}

TEST_F(ImportsTest, AByteOrderMarkHidesNoImport) {
  const std::string bom = "\xEF\xBB\xBF";
  EXPECT_EQ(Problem(bom + "//!import \"missing.j\"\n").substr(0, 27), "cannot import \"missing.j\": ");
  // A pasted file's own mark is dropped, the script's own stays; the first
  // line is the imported file's.
  Write("a.j", bom + "//!import \"b.j\"\na2\n");
  Write("b.j", bom + "b1\n");
  const ImportedScript pasted = Paste(bom + "//!import \"a.j\"\nm2\n");
  EXPECT_TRUE(pasted.problems.empty());
  EXPECT_EQ(pasted.text, bom + "b1\na2\nm2\n");
  ASSERT_EQ(pasted.sources.lines.size(), 3u);
  EXPECT_EQ(pasted.sources.FileName(pasted.sources.lines[0].file), Real("b.j"));
  EXPECT_EQ(pasted.sources.lines[0].line, 1u);
}

}  // namespace
}  // namespace zarn
