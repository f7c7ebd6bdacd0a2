// Windows: the handle is opened with backup semantics, so that a folder can
// be opened and judged too; what it is comes from GetFileType and its
// attributes, where it leads from GetFinalPathNameByHandleW.
#include <windows.h>

#include "platform/errors.h"
#include "platform/opened_files.h"
#include "platform/wide_text.h"

namespace zarn {

namespace {

// Far past any real file's end: a lock there blocks nobody's reads
// (Windows locks are mandatory).
constexpr DWORD kLockOffsetHigh = 0x7FFFFFFF;
constexpr DWORD kLockOffsetLow = 0xFFFFFFF0;

HANDLE AsHandle(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

// "\\?\C:\x" is "C:\x"; "\\?\UNC\server\x" is "\\server\x".
std::wstring WithoutLongPrefix(std::wstring path) {
  if (path.rfind(L"\\\\?\\UNC\\", 0) == 0) return L"\\\\" + path.substr(8);
  if (path.rfind(L"\\\\?\\", 0) == 0) return path.substr(4);
  return path;
}

std::string InFolder(const OpenedFile& folder, const std::string& name) {
  if (!folder.is_open()) return name;
  const std::string& dir = folder.path();
  return dir.empty() || dir.back() == '\\' || dir.back() == '/' ? dir + name : dir + "\\" + name;
}

bool IsMissing(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME;
}

DWORD AttributesOf(HANDLE h) {
  BY_HANDLE_FILE_INFORMATION info{};
  return GetFileInformationByHandle(h, &info) ? info.dwFileAttributes : 0;
}

}  // namespace

bool OpenedFile::OpenIn(const OpenedFile& folder, const std::string& name, LinkRule links, OpenFailure& failure,
                        std::string& reason, bool share_write) {
  Close();
  const std::string path = InFolder(folder, name);
  const DWORD share = FILE_SHARE_READ | FILE_SHARE_DELETE | (share_write ? FILE_SHARE_WRITE : 0);
  const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (links == LinkRule::kRefuseLast ? FILE_FLAG_OPEN_REPARSE_POINT : 0);
  HANDLE h = CreateFileW(WideFromUtf8(path).c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, flags, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    const bool in_use = error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
    failure = IsMissing(error) ? OpenFailure::kMissing : in_use ? OpenFailure::kInUse : OpenFailure::kSystem;
    reason = WindowsErrorText(error);
    return false;
  }
  if (links == LinkRule::kRefuseLast && (AttributesOf(h) & FILE_ATTRIBUTE_REPARSE_POINT)) {
    CloseHandle(h);
    failure = OpenFailure::kLink;
    reason = "it is a link";
    return false;
  }
  handle_ = reinterpret_cast<std::intptr_t>(h);
  path_ = path;
  failure = OpenFailure::kNone;
  return true;
}

void OpenedFile::Close() {
  if (handle_ != -1) CloseHandle(AsHandle(handle_));
  handle_ = -1;
}

FileKind OpenedFile::kind() const {
  if (handle_ == -1) return FileKind::kOther;
  const DWORD attributes = AttributesOf(AsHandle(handle_));
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return FileKind::kFolder;
  return GetFileType(AsHandle(handle_)) == FILE_TYPE_DISK ? FileKind::kRegular : FileKind::kOther;
}

bool OpenedFile::ReadUpTo(std::size_t limit, std::string& bytes, const std::string& shown) {
  HANDLE h = AsHandle(handle_);
  bytes.clear();
  if (const std::optional<FileIdentity> id = Identity()) bytes.reserve(id->size < limit ? id->size : limit);
  LARGE_INTEGER start{};
  if (!SetFilePointerEx(h, start, nullptr, FILE_BEGIN))
    throw FileError("Cannot read file " + shown + ": " + WindowsErrorText(GetLastError()));
  static thread_local char buffer[1 << 16];
  for (;;) {
    const std::size_t room = limit - bytes.size();
    const DWORD wanted = static_cast<DWORD>(room < sizeof buffer ? room + 1 : sizeof buffer);
    DWORD got = 0;
    if (!ReadFile(h, buffer, wanted, &got, nullptr))
      throw FileError("Cannot read file " + shown + ": " + WindowsErrorText(GetLastError()));
    if (got == 0) return true;
    if (got > room) {
      bytes.append(buffer, room);
      return false;
    }
    bytes.append(buffer, got);
  }
}

bool OpenedFile::TryLock(bool& busy) {
  OVERLAPPED at{};
  at.Offset = kLockOffsetLow;
  at.OffsetHigh = kLockOffsetHigh;
  busy = false;
  if (LockFileEx(AsHandle(handle_), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) return true;
  busy = GetLastError() == ERROR_LOCK_VIOLATION;
  return false;
}

std::optional<FileIdentity> IdentityOfHandle(std::intptr_t handle) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (handle == -1 || !GetFileInformationByHandle(AsHandle(handle), &info)) return std::nullopt;
  FileIdentity id;
  id.device = info.dwVolumeSerialNumber;
  id.file = (static_cast<unsigned long long>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  id.size = (static_cast<unsigned long long>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  const unsigned long long ticks =
      (static_cast<unsigned long long>(info.ftLastWriteTime.dwHighDateTime) << 32) | info.ftLastWriteTime.dwLowDateTime;
  id.mtime_sec = static_cast<long long>(ticks / 10000000);
  id.mtime_nsec = static_cast<long long>(ticks % 10000000) * 100;
  return id;
}

std::optional<std::string> RealPathOfHandle(std::intptr_t handle) {
  if (handle == -1) return std::nullopt;
  HANDLE h = AsHandle(handle);
  std::wstring final_path(MAX_PATH, L'\0');
  DWORD n = GetFinalPathNameByHandleW(h, final_path.data(), static_cast<DWORD>(final_path.size()), VOLUME_NAME_DOS);
  if (n >= final_path.size()) {
    final_path.assign(n + 1, L'\0');
    n = GetFinalPathNameByHandleW(h, final_path.data(), static_cast<DWORD>(final_path.size()), VOLUME_NAME_DOS);
  }
  if (n == 0 || n >= final_path.size()) return std::nullopt;
  final_path.resize(n);
  return Utf8FromWide(WithoutLongPrefix(final_path));
}

bool RenameInFolder(const OpenedFile& folder, const std::string& from, const std::string& to, OpenedFile& original) {
  original.Close();
  return ReplaceFile(InFolder(folder, from), InFolder(folder, to));
}

std::optional<FileIdentity> EntryIdentity(const OpenedFile& folder, const std::string& name, bool& link) {
  link = false;
  HANDLE h = CreateFileW(WideFromUtf8(InFolder(folder, name)).c_str(), 0,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) return std::nullopt;
  link = (AttributesOf(h) & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  std::optional<FileIdentity> id = IdentityOfHandle(reinterpret_cast<std::intptr_t>(h));
  CloseHandle(h);
  return id;
}

}  // namespace zarn
