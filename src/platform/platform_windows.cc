#include "platform/platform.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/wide_text.h"

namespace zarn {

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

std::string ParentOf(const std::string& path) {
  std::size_t slash = path.find_last_of("\\/");
  if (slash == std::string::npos) return ".";
  if (slash == 0 || (slash == 2 && path[1] == ':')) return path.substr(0, slash + 1);
  return path.substr(0, slash);
}

}  // namespace

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!wide) return {argv, argv + argc};
  std::vector<std::string> args;
  for (int i = 0; i < count; ++i) args.push_back(Utf8FromWide(wide[i]));
  LocalFree(wide);
  return args;
}

void PrepareConsole() {
  SetConsoleOutputCP(CP_UTF8);
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
}

bool StandardErrorIsTerminal() {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

std::FILE* OpenStdioFile(const std::string& path, const char* mode) {
  return _wfopen(WideFromUtf8(path).c_str(), WideFromUtf8(mode).c_str());
}

bool RemoveFile(const std::string& path) { return DeleteFileW(WideFromUtf8(path).c_str()) != 0; }

std::string ExecutablePath() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return std::string();
    if (n < buffer.size()) return Utf8FromWide(std::wstring_view(buffer.data(), n));
    buffer.resize(buffer.size() * 2);
  }
}

std::string ExecutableDir() {
  std::string path = ExecutablePath();
  if (path.empty()) return ".";
  std::string dir = ParentOf(path);
  if (dir.size() > 3 && IsSeparator(dir.back())) dir.pop_back();
  return dir;
}

std::string PathJoin(const std::string& dir, const std::string& name) {
  if (dir.empty()) return name;
  if (IsSeparator(dir.back())) return dir + name;
  return dir + "\\" + name;
}

bool CanCreateFileIn(const std::string& dir) {
  std::wstring probe = WideFromUtf8(PathJoin(dir, ".zarn-probe-")) + std::to_wstring(GetCurrentProcessId()) +
                       L"-" + std::to_wstring(GetTickCount64());
  HANDLE h = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                         FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  CloseHandle(h);
  return true;
}

bool CanReplaceFile(const std::string& path) {
  DWORD attributes = GetFileAttributesW(WideFromUtf8(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
  if (attributes & FILE_ATTRIBUTE_READONLY) return false;
  return CanCreateFileIn(ParentOf(path));
}

std::string UserStateDir() {
  if (const wchar_t* local = _wgetenv(L"LOCALAPPDATA"); local && local[0])
    return PathJoin(Utf8FromWide(local), "ZARN");
  wchar_t* known = nullptr;
  if (SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &known) == S_OK) {
    std::string dir = Utf8FromWide(known);
    CoTaskMemFree(known);
    return PathJoin(dir, "ZARN");
  }
  if (known) CoTaskMemFree(known);
  throw FileError("Cannot find a working folder: the program's folder cannot be written and there is no local application data folder");
}

namespace {

// Creates `dir` and its missing parents.
void CreateFolders(const std::string& dir) {
  auto fail = [&](DWORD error) {
    throw FileError("Cannot create the working folder " + dir + ": " + WindowsErrorText(error));
  };
  for (std::size_t end = dir.find_first_of("\\/", 3);; end = dir.find_first_of("\\/", end + 1)) {
    std::wstring part = WideFromUtf8(dir.substr(0, end));
    if (!CreateDirectoryW(part.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) fail(GetLastError());
    if (end == std::string::npos) break;
  }
  DWORD attributes = GetFileAttributesW(WideFromUtf8(dir).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) fail(GetLastError());
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) fail(ERROR_DIRECTORY);
}

}  // namespace

std::string WorkingDir() { return WorkingDirFor(ExecutableDir()); }

std::string WorkingDirFor(const std::string& program_dir) {
  if (CanCreateFileIn(program_dir)) return program_dir;
  std::string state = UserStateDir();
  CreateFolders(state);
  return state;
}

bool StartProcess(const std::string& program, const std::vector<std::string>& args) {
  std::wstring command = QuotedArgument(WideFromUtf8(program));
  for (const std::string& a : args) command += L" " + QuotedArgument(WideFromUtf8(a));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return false;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

namespace {

bool SameFile(const std::wstring& a, const std::wstring& b) {
  auto info = [](const std::wstring& path, BY_HANDLE_FILE_INFORMATION& out) {
    HANDLE h = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    bool ok = GetFileInformationByHandle(h, &out) != 0;
    CloseHandle(h);
    return ok;
  };
  BY_HANDLE_FILE_INFORMATION x{}, y{};
  return info(a, x) && info(b, y) && x.dwVolumeSerialNumber == y.dwVolumeSerialNumber &&
         x.nFileIndexHigh == y.nFileIndexHigh && x.nFileIndexLow == y.nFileIndexLow;
}

}  // namespace

void CheckWorkingFileTarget(const std::string& path, const std::string& keep) {
  const std::wstring wide = WideFromUtf8(path);
  DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;  // not there yet: created as a plain file
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
    throw FileError("Cannot write file " + path + ": it is a symbolic link");
  if (SameFile(wide, WideFromUtf8(keep))) throw FileError("Cannot write file " + path + ": it is the map itself");
}

void TuneMemoryAllocator() {}

FileLock::FileLock(const std::string& path) {
  HANDLE h = CreateFileW(WideFromUtf8(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) throw FileError("Cannot write file " + path + ": " + WindowsErrorText(GetLastError()));
  handle_ = reinterpret_cast<std::intptr_t>(h);
}

FileLock::~FileLock() {
  if (handle_ != -1) CloseHandle(reinterpret_cast<HANDLE>(handle_));  // closing releases the lock
}

bool FileLock::TryLock() {
  OVERLAPPED at{};
  return LockFileEx(reinterpret_cast<HANDLE>(handle_), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0,
                    1, 0, &at) != 0;
}

void FileLock::Lock() {
  OVERLAPPED at{};
  if (!LockFileEx(reinterpret_cast<HANDLE>(handle_), LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &at))
    throw FileError("Cannot lock the working files: " + WindowsErrorText(GetLastError()));
}

bool OpenUrl(const std::string& url) {
  auto result = reinterpret_cast<INT_PTR>(
      ShellExecuteW(nullptr, L"open", WideFromUtf8(url).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  return result > 32;
}

}  // namespace zarn
