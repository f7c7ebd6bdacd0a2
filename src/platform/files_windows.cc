#include "platform/files.h"

#include <windows.h>

#include <string>

#include "platform/errors.h"
#include "platform/opened_files.h"
#include "platform/wide_text.h"

namespace zarn {

namespace {

thread_local DWORD g_last_error = 0;

bool Fail() {
  g_last_error = GetLastError();
  return false;
}

std::string Reason(DWORD error) { return WindowsErrorText(error); }

HANDLE OpenForIdentity(const std::wstring& path) {
  return CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                     FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

std::string RandomSuffix() {
  static unsigned counter = 0;
  const unsigned long long seed =
      GetTickCount64() ^ (static_cast<unsigned long long>(GetCurrentProcessId()) << 20) ^ (++counter * 0x9E3779B9ull);
  const char* digits = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::string suffix;
  unsigned long long v = seed;
  for (int i = 0; i < 6; ++i) {
    suffix.push_back(digits[v % 36]);
    v = v / 36 + seed * 31;
  }
  return suffix;
}

bool CopyBytes(HANDLE in, HANDLE out) {
  static char buffer[1 << 16];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(in, buffer, sizeof buffer, &got, nullptr)) return Fail();
    if (got == 0) break;
    DWORD wrote = 0;
    if (!WriteFile(out, buffer, got, &wrote, nullptr) || wrote != got) return Fail();
  }
  return FlushFileBuffers(out) ? true : Fail();
}

}  // namespace

std::FILE* OpenStdioFile(const std::string& path, const char* mode) {
  return _wfopen(WideFromUtf8(path).c_str(), WideFromUtf8(mode).c_str());
}

bool RemoveFile(const std::string& path) { return DeleteFileW(WideFromUtf8(path).c_str()) != 0; }

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

std::optional<FileIdentity> IdentityOf(const std::string& path) {
  HANDLE h = OpenForIdentity(WideFromUtf8(path));
  if (h == INVALID_HANDLE_VALUE) {
    Fail();
    return std::nullopt;
  }
  std::optional<FileIdentity> id = IdentityOfHandle(reinterpret_cast<std::intptr_t>(h));
  CloseHandle(h);
  return id;
}

// Symbolic links need rights that map makers seldom have; a map path is
// taken as it is.
std::string ResolvedPath(const std::string& path) { return path; }

bool IsReadOnlyFile(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(WideFromUtf8(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

bool SetReadOnly(const std::string& path, bool read_only) {
  const std::wstring wide = WideFromUtf8(path);
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  const DWORD wanted = read_only ? attributes | FILE_ATTRIBUTE_READONLY : attributes & ~FILE_ATTRIBUTE_READONLY;
  return wanted == attributes || SetFileAttributesW(wide.c_str(), wanted);
}

std::string LastSystemReason() { return Reason(g_last_error); }

namespace {

// A new file "<original>.zarn-XXXXXX.tmp", open for writing;
// INVALID_HANDLE_VALUE when none could be made.
HANDLE MakeTemporaryCopy(const std::string& original, std::string& copy) {
  HANDLE out = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < 100 && out == INVALID_HANDLE_VALUE; ++attempt) {
    copy = original + ".zarn-" + RandomSuffix() + ".tmp";
    out =
        CreateFileW(WideFromUtf8(copy).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) break;
  }
  if (out == INVALID_HANDLE_VALUE) {
    Fail();
    copy.clear();
  }
  return out;
}

}  // namespace

bool CreateEmptyTemporaryCopy(const std::string& original, std::string& copy) {
  HANDLE out = MakeTemporaryCopy(original, copy);
  if (out == INVALID_HANDLE_VALUE) return false;
  CloseHandle(out);
  return true;
}

bool CreateTemporaryCopy(const std::string& original, std::string& copy) {
  copy.clear();
  HANDLE in = CreateFileW(WideFromUtf8(original).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (in == INVALID_HANDLE_VALUE) return Fail();
  HANDLE out = MakeTemporaryCopy(original, copy);
  if (out == INVALID_HANDLE_VALUE) {
    CloseHandle(in);
    return false;
  }
  const bool ok = CopyBytes(in, out);
  CloseHandle(in);
  CloseHandle(out);
  if (!ok) DeleteFileW(WideFromUtf8(copy).c_str());
  return ok;
}

bool ReplaceFile(const std::string& replacement, const std::string& target) {
  return MoveFileExW(WideFromUtf8(replacement).c_str(), WideFromUtf8(target).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
             ? true
             : Fail();
}

// MOVEFILE_WRITE_THROUGH has made the rename durable already.
void SyncFolderOf(const std::string&) {}

ScriptFile::ScriptFile(const std::string& path, const std::optional<FileIdentity>& not_this) : path_(path) {
  const std::wstring wide = WideFromUtf8(path);
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
    throw FileError("Cannot write file " + path + ": it is a symbolic link");
  HANDLE h = CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) throw FileError("Cannot write file " + path + ": " + Reason(GetLastError()));
  const std::optional<FileIdentity> id = IdentityOfHandle(reinterpret_cast<std::intptr_t>(h));
  if (id && not_this && id->device == not_this->device && id->file == not_this->file) {
    CloseHandle(h);
    throw FileError("Cannot write file " + path + ": it is the map itself");
  }
  if (!SetEndOfFile(h)) {
    const std::string reason = Reason(GetLastError());
    CloseHandle(h);
    throw FileError("Cannot write file " + path + ": " + reason);
  }
  handle_ = reinterpret_cast<std::intptr_t>(h);
}

ScriptFile::~ScriptFile() {
  if (handle_ != -1) CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

void ScriptFile::WriteAndClose(std::string_view bytes) {
  HANDLE h = reinterpret_cast<HANDLE>(handle_);
  handle_ = -1;
  bool ok = true;
  DWORD error = 0;
  for (std::size_t done = 0; ok && done < bytes.size();) {
    DWORD wrote = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 24));
    ok = WriteFile(h, bytes.data() + done, chunk, &wrote, nullptr) && wrote > 0;
    if (!ok) error = GetLastError();
    done += wrote;
  }
  if (!CloseHandle(h) && ok) {
    ok = false;
    error = GetLastError();
  }
  if (!ok) throw FileError("Cannot write file " + path_ + ": " + Reason(error));
}

std::size_t ReadStandardInputSome(char* buffer, std::size_t size) {
  DWORD got = 0;
  const DWORD wanted = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
  // A closed pipe (ERROR_BROKEN_PIPE) is the end of the input like any failure.
  if (!ReadFile(GetStdHandle(STD_INPUT_HANDLE), buffer, wanted, &got, nullptr)) return 0;
  return got;
}

}  // namespace zarn
