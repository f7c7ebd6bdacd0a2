#include <windows.h>

#include "platform/real_paths.h"
#include "platform/wide_text.h"

namespace zarn {

namespace {

// "\\?\C:\x" is "C:\x"; "\\?\UNC\server\x" is "\\server\x".
std::wstring WithoutLongPrefix(std::wstring path) {
  if (path.rfind(L"\\\\?\\UNC\\", 0) == 0) return L"\\\\" + path.substr(8);
  if (path.rfind(L"\\\\?\\", 0) == 0) return path.substr(4);
  return path;
}

}  // namespace

std::optional<std::string> RealPath(const std::string& path) {
  if (path.empty()) return std::nullopt;
  // Opening the file follows links and junctions; the handle tells where to.
  HANDLE h = CreateFileW(WideFromUtf8(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return std::nullopt;
  std::wstring final_path(MAX_PATH, L'\0');
  DWORD n = GetFinalPathNameByHandleW(h, final_path.data(), static_cast<DWORD>(final_path.size()), VOLUME_NAME_DOS);
  if (n >= final_path.size()) {
    final_path.assign(n + 1, L'\0');
    n = GetFinalPathNameByHandleW(h, final_path.data(), static_cast<DWORD>(final_path.size()), VOLUME_NAME_DOS);
  }
  CloseHandle(h);
  if (n == 0 || n >= final_path.size()) return std::nullopt;
  final_path.resize(n);
  return Utf8FromWide(WithoutLongPrefix(final_path));
}

bool IsAbsolutePath(const std::string& path) {
  if (path.empty()) return false;
  if (path[0] == '/' || path[0] == '\\') return true;
  // "C:x" is taken from the drive's own current folder: never relative to
  // the importing file's folder either.
  return path.size() >= 2 && path[1] == ':';
}

}  // namespace zarn
