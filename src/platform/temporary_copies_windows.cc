// Windows: the lock is an open handle that does not share deletion, so no
// other process can delete or rename the file while it is held. The archive
// library opens the copy without sharing writes, so the lock is let go while
// a worker writes the copy; the worker's own handle guards it meanwhile.
#include "platform/temporary_copies.h"

#include <windows.h>

#include "platform/wide_text.h"

namespace zarn {

namespace {

bool IsPlainFile(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
}

}  // namespace

CopyLock::~CopyLock() { Release(); }

bool CopyLock::KeepsWritersOut() { return true; }

bool CopyLock::Take(const std::string& path) {
  Release();
  const std::wstring wide = WideFromUtf8(path);
  if (!IsPlainFile(wide)) return false;
  HANDLE h = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  // One holder at a time: a byte far past the copy's end, which nobody reads.
  OVERLAPPED at{};
  at.Offset = 0xFFFFFFF0;
  at.OffsetHigh = 0x7FFFFFFF;
  if (!LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
    CloseHandle(h);
    return false;
  }
  handle_ = reinterpret_cast<std::intptr_t>(h);
  return true;
}

void CopyLock::Release() {
  if (handle_ != -1) CloseHandle(reinterpret_cast<HANDLE>(handle_));
  handle_ = -1;
}

std::vector<std::string> FileNamesIn(const std::string& dir) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW(WideFromUtf8(dir + "\\*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string name = Utf8FromWide(found.cFileName);
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileW(find, &found));
  FindClose(find);
  return names;
}

bool RemoveUnheldCopy(const std::string& path) {
  // A run's open handle makes the deletion fail with a sharing violation.
  const std::wstring wide = WideFromUtf8(path);
  return IsPlainFile(wide) && DeleteFileW(wide.c_str());
}

bool SyncFileToDisk(const std::string& path, std::string& reason) {
  HANDLE h = CreateFileW(WideFromUtf8(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  const bool ok = h != INVALID_HANDLE_VALUE && FlushFileBuffers(h);
  if (!ok) reason = WindowsErrorText(GetLastError());
  if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  return ok;
}

}  // namespace zarn
