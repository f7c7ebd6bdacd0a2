#include "platform/locks.h"

#include <windows.h>

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/wide_text.h"

namespace zarn {

namespace {

// Far past any real map's end: a lock there keeps runs apart without
// blocking anyone's reads of the map's bytes (Windows locks are mandatory).
constexpr DWORD kLockOffsetHigh = 0x7FFFFFFF;
constexpr DWORD kLockOffsetLow = 0xFFFFFFF0;

}  // namespace

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
  return LockFileEx(reinterpret_cast<HANDLE>(handle_), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                    &at) != 0;
}

void FileLock::Lock() {
  OVERLAPPED at{};
  if (!LockFileEx(reinterpret_cast<HANDLE>(handle_), LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &at))
    throw FileError("Cannot lock the working files: " + WindowsErrorText(GetLastError()));
}

MapLock::~MapLock() { Release(); }

void MapLock::Release() {
  if (handle_ != -1) CloseHandle(reinterpret_cast<HANDLE>(handle_));  // closing releases the lock
  handle_ = -1;
}

bool MapLock::ReplaceLockedFile(const std::string& replacement, const std::string& target) {
  Release();
  return ReplaceFile(replacement, target);
}

MapLock::Result MapLock::TryLock(const std::string& path) {
  Release();
  // Others may read the map, and the run's own rename may replace it; a
  // program that writes it cannot open it meanwhile, nor can this run while
  // such a program has it open.
  HANDLE h = CreateFileW(WideFromUtf8(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ? Result::kBusy : Result::kUnlockable;
  }
  OVERLAPPED at{};
  at.Offset = kLockOffsetLow;
  at.OffsetHigh = kLockOffsetHigh;
  if (!LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
    const bool busy = GetLastError() == ERROR_LOCK_VIOLATION;
    CloseHandle(h);
    return busy ? Result::kBusy : Result::kUnlockable;
  }
  handle_ = reinterpret_cast<std::intptr_t>(h);
  return Result::kLocked;
}

}  // namespace zarn
