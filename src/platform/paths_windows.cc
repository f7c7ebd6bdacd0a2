#include "platform/paths.h"

#include <windows.h>
#include <shlobj.h>

#include <cstdlib>
#include <cwchar>

#include "platform/errors.h"
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

std::string FileName(const std::string& path) {
  const std::size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool CanCreateFileIn(const std::string& dir) {
  std::wstring probe = WideFromUtf8(PathJoin(dir, ".zarn-probe-")) + std::to_wstring(GetCurrentProcessId()) + L"-" +
                       std::to_wstring(GetTickCount64());
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
  if (const wchar_t* local = _wgetenv(L"LOCALAPPDATA"); local && local[0]) return PathJoin(Utf8FromWide(local), "ZARN");
  wchar_t* known = nullptr;
  if (SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &known) == S_OK) {
    std::string dir = Utf8FromWide(known);
    CoTaskMemFree(known);
    return PathJoin(dir, "ZARN");
  }
  if (known) CoTaskMemFree(known);
  throw FileError(
      "Cannot find a working folder: the program's folder cannot be written and there is no local application data "
      "folder");
}

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

}  // namespace zarn
