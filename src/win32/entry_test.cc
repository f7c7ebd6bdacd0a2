// ZARN.exe started as a map maker would: the windows it shows are found by
// their captions among its own process's windows and closed as a user would
// close them. Every wait has a limit of its own and names what it waited for.
#include "win32/entry.h"

#include <windows.h>

#include <StormLib.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <iostream>
#include <optional>

#include "platform/files.h"
#include "platform/wide_text.h"
#include "testing/scratch_folder.h"
#include "text/script.h"
#include "win32/window_test_util.h"

namespace zarn::win32 {
namespace {

namespace fs = std::filesystem;

bool WriteArchive(const std::string& path, const std::string& script) {
  HANDLE archive = nullptr;
  if (!SFileCreateArchive(WideFromUtf8(path).c_str(), MPQ_CREATE_LISTFILE | MPQ_CREATE_ATTRIBUTES, 16, &archive))
    return false;
  HANDLE file = nullptr;
  bool ok = SFileCreateFile(archive, "war3map.j", 0, static_cast<DWORD>(script.size()), 0,
                            MPQ_FILE_COMPRESS | MPQ_FILE_REPLACEEXISTING, &file) &&
            SFileWriteFile(file, script.data(), static_cast<DWORD>(script.size()), MPQ_COMPRESSION_ZLIB) &&
            SFileFinishFile(file);
  return SFileCloseArchive(archive) && ok;
}

std::optional<std::string> ReadScript(const std::string& path) {
  HANDLE archive = nullptr;
  if (!SFileOpenArchive(WideFromUtf8(path).c_str(), 0, STREAM_FLAG_READ_ONLY, &archive)) return std::nullopt;
  std::optional<std::string> script;
  HANDLE file = nullptr;
  if (SFileOpenFileEx(archive, "war3map.j", 0, &file)) {
    std::string bytes(SFileGetFileSize(file, nullptr), '\0');
    DWORD read = 0;
    if (SFileReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr))
      script = bytes.substr(0, read);
    SFileCloseFile(file);
  }
  SFileCloseArchive(archive);
  return script;
}

// The message of a message box: its longest static text.
std::string MessageBoxText(HWND box) {
  std::wstring longest;
  for (HWND child = FindWindowExW(box, nullptr, L"Static", nullptr); child;
       child = FindWindowExW(box, child, L"Static", nullptr)) {
    wchar_t text[4096] = {};
    GetWindowTextW(child, text, 4096);
    if (std::wstring(text).size() > longest.size()) longest = text;
  }
  return Utf8FromWide(longest);
}

// The first top-level window of process `process` with this class and
// caption; a null class matches any.
HWND WindowOfProcess(DWORD process, const wchar_t* window_class, const wchar_t* caption) {
  struct Search {
    DWORD process;
    const wchar_t* window_class;
    const wchar_t* caption;
    HWND found;
  } search{process, window_class, caption, nullptr};
  EnumWindows(
      [](HWND window, LPARAM param) -> BOOL {
        auto& s = *reinterpret_cast<Search*>(param);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner != s.process || WindowText(window) != s.caption) return TRUE;
        if (s.window_class && testing_util::ClassOf(window) != s.window_class) return TRUE;
        s.found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

constexpr auto kWaitLimit = std::chrono::seconds(30);

// ZARN.exe copied into a scratch folder, so its working files go there.
class ProgramTest : public testing::Test {
 protected:
  void SetUp() override {
    program_ = folder_ / "ZARN.exe";
    fs::copy_file(fs::path(WideFromUtf8(ZARN_WIN32_PROGRAM)), fs::path(WideFromUtf8(program_)));
  }
  void TearDown() override {
    if (process_.hProcess) {
      TerminateProcess(process_.hProcess, 99);
      CloseHandle(process_.hProcess);
      CloseHandle(process_.hThread);
    }
  }

  void Start(const std::string& args) {
    std::wstring command = L"\"" + WideFromUtf8(program_) + L"\" " + WideFromUtf8(args);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    // Wine's process creation fails so now and then under load: a start that
    // did not happen is made again, at most three times.
    bool started = false;
    for (int attempt = 0; !started && attempt <= 3; ++attempt) {
      if (attempt > 0)
        std::cerr << "ZARN.exe did not start (error " << GetLastError() << "), starting it again: retry " << attempt
                  << " of 3\n";
      started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               WideFromUtf8(folder_.path()).c_str(), &startup, &process_);
    }
    ASSERT_TRUE(started) << "ZARN.exe did not start (error " << GetLastError() << ")";
  }
  // What `find` finds, waited for while ZARN.exe runs; a failure naming
  // `awaited` when it ends first or the wait reaches its limit.
  HWND WaitFor(const std::string& awaited, const std::function<HWND()>& find) {
    const auto deadline = std::chrono::steady_clock::now() + kWaitLimit;
    while (std::chrono::steady_clock::now() < deadline) {
      if (HWND found = find()) return found;
      if (WaitForSingleObject(process_.hProcess, 50) == WAIT_OBJECT_0) {
        ADD_FAILURE() << "ZARN.exe ended (exit code " << ExitCode() << ") before it showed " << awaited;
        return nullptr;
      }
    }
    ADD_FAILURE() << "ZARN.exe did not show " << awaited << " within " << kWaitLimit.count() << " s";
    return nullptr;
  }
  // The program's top-level window with this caption.
  HWND WaitForWindow(const wchar_t* caption) {
    return WaitFor("the window \"" + Utf8FromWide(caption) + "\"",
                   [&] { return WindowOfProcess(process_.dwProcessId, nullptr, caption); });
  }
  // A control of `window`: the window's caption is set before its controls
  // are made.
  HWND WaitForControl(HWND window, const wchar_t* window_class, const wchar_t* text) {
    return WaitFor("the control \"" + Utf8FromWide(text) + "\"",
                   [&] { return FindWindowExW(window, nullptr, window_class, text); });
  }
  // The message box captioned "ZARN" (not a window of that caption that is
  // still hidden), once it shows its message.
  HWND WaitForMessageBox() {
    return WaitFor("its message box", [&]() -> HWND {
      HWND found = WindowOfProcess(process_.dwProcessId, L"#32770", L"ZARN");
      return found && !MessageBoxText(found).empty() ? found : nullptr;
    });
  }
  // The exit code; a failure and -1 when the program did not end within the
  // limit.
  int ExitCode() {
    if (WaitForSingleObject(process_.hProcess, static_cast<DWORD>(kWaitLimit.count() * 1000)) != WAIT_OBJECT_0) {
      ADD_FAILURE() << "ZARN.exe did not end within " << kWaitLimit.count() << " s";
      return -1;
    }
    DWORD code = 0;
    GetExitCodeProcess(process_.hProcess, &code);
    return static_cast<int>(code);
  }

  zarn::testing_util::ScratchFolder folder_;
  std::string program_;
  PROCESS_INFORMATION process_{};
};

TEST_F(ProgramTest, CleanMapIsTranslatedAndExitsZero) {
  const std::string map = folder_ / "clean.w3x";
  ASSERT_TRUE(WriteArchive(map,
                           "function main takes nothing returns nothing\r\n"
                           "    call   DoNothing()   // a comment\r\n"
                           "endfunction\r\n"));
  Start("--map \"" + map + "\"");
  EXPECT_EQ(ExitCode(), 0);
  const std::optional<std::string> script = ReadScript(map);
  ASSERT_TRUE(script);
  EXPECT_NE(script->find("call DoNothing()"), std::string::npos);
  EXPECT_EQ(script->find("comment"), std::string::npos);
  EXPECT_TRUE(fs::exists(fs::path(WideFromUtf8(folder_ / "war3map_parsed.j"))));
}

TEST_F(ProgramTest, MarkedMapShowsTheErrorsAndStaysUnchanged) {
  const std::string map = folder_ / "marked.w3x";
  const std::string script =
      "function main takes nothing returns nothing\r\n"
      "//!ZARN Error: Mount x\r\n"
      "endfunction\r\n";
  ASSERT_TRUE(WriteArchive(map, script));
  const std::string before = ReadFileBytes(map);
  Start("--map \"" + map + "\"");
  HWND errors = WaitForWindow(L"ZARN: 1 error found!");
  ASSERT_NE(errors, nullptr);
  PostMessageW(errors, WM_CLOSE, 0, 0);  // the close box
  EXPECT_EQ(ExitCode(), 1);
  EXPECT_EQ(ReadFileBytes(map), before);
}

// Maps given alone, as Explorer passes them on a drop or "Open with": each is
// translated, then one box tells of every map; the OK button ends the program.
TEST_F(ProgramTest, DroppedMapsAreTranslatedAndOneBoxTellsOfEach) {
  const std::string script = "function main takes nothing returns nothing\r\n    call   DoNothing()\r\nendfunction\r\n";
  const std::string first = folder_ / "first.w3x", second = folder_ / "SECOND.W3X";
  ASSERT_TRUE(WriteArchive(first, script));
  ASSERT_TRUE(WriteArchive(second, script));
  Start("\"" + first + "\" \"" + second + "\"");
  HWND box = WaitForMessageBox();
  ASSERT_NE(box, nullptr);
  const std::string text = MessageBoxText(box);
  EXPECT_EQ(text,
            "first.w3x: translated, checked against the 1.24 API (the map's version is unknown)\n"
            "SECOND.W3X: translated, checked against the 1.24 API (the map's version is unknown)")
      << text;
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(ExitCode(), 0);
  for (const std::string& map : {first, second}) {
    const std::optional<std::string> now = ReadScript(map);
    ASSERT_TRUE(now) << map;
    EXPECT_NE(now->find("call DoNothing()"), std::string::npos) << map;
  }
}

TEST_F(ProgramTest, ADroppedTextFileShowsTheAboutWindow) {
  WriteFileBytes(folder_ / "notes.txt", "not a map\r\n");
  Start("\"" + (folder_ / "notes.txt") + "\"");
  HWND about = WaitForWindow(L"ZARN - About");
  ASSERT_NE(about, nullptr);
  HWND exit = WaitForControl(about, L"BUTTON", L"Exit");
  ASSERT_NE(exit, nullptr);
  PostMessageW(exit, BM_CLICK, 0, 0);
  EXPECT_EQ(ExitCode(), 0);
}

// --map stays a build step's run: silent when clean, even with --delete.
TEST_F(ProgramTest, MapRunWithDeleteEndsWithoutABox) {
  const std::string map = folder_ / "step.w3x";
  ASSERT_TRUE(WriteArchive(map, "function main takes nothing returns nothing\r\nendfunction\r\n"));
  Start("--map \"" + map + "\" --delete");
  EXPECT_EQ(ExitCode(), 0) << "a box would keep the program waiting";
  EXPECT_FALSE(fs::exists(fs::path(WideFromUtf8(folder_ / "war3map.j"))));
  EXPECT_FALSE(fs::exists(fs::path(WideFromUtf8(folder_ / "war3map_parsed.j"))));
}

TEST_F(ProgramTest, WithoutArgumentsTheAboutWindowShowsAndExitEndsWithZero) {
  Start("");
  HWND about = WaitForWindow(L"ZARN - About");
  ASSERT_NE(about, nullptr);
  HWND exit = WaitForControl(about, L"BUTTON", L"Exit");
  ASSERT_NE(exit, nullptr);
  PostMessageW(exit, BM_CLICK, 0, 0);
  EXPECT_EQ(ExitCode(), 0);
}

}  // namespace
}  // namespace zarn::win32
