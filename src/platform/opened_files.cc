#include "platform/opened_files.h"

#include "platform/errors.h"
#include "platform/real_paths.h"

namespace zarn {

namespace {

OpenedFileHook*& RegisteredHook() {
  static OpenedFileHook* hook = nullptr;
  return hook;
}

}  // namespace

OpenedFile::OpenedFile(OpenedFile&& other) noexcept : handle_(other.handle_), path_(std::move(other.path_)) {
  other.handle_ = -1;
}

OpenedFile& OpenedFile::operator=(OpenedFile&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = other.handle_;
    path_ = std::move(other.path_);
    other.handle_ = -1;
  }
  return *this;
}

OpenedFile::~OpenedFile() { Close(); }

bool OpenedFile::Open(const std::string& path, LinkRule links, OpenFailure& failure, std::string& reason,
                      bool share_write) {
  return OpenIn(OpenedFile(), path, links, failure, reason, share_write);
}

std::optional<std::string> OpenedFile::RealPath() const {
  if (std::optional<std::string> real = RealPathOfHandle(handle_)) return real;
  // A system that cannot tell where a handle leads (no /proc): the name's
  // real path, when it leads to the very file held.
  const std::optional<std::string> by_name = zarn::RealPath(path_);
  const std::optional<FileIdentity> named = by_name ? IdentityOf(*by_name) : std::nullopt;
  const std::optional<FileIdentity> held = Identity();
  if (named && held && named->device == held->device && named->file == held->file) return by_name;
  return std::nullopt;
}

std::optional<FileIdentity> OpenedFile::Identity() const { return IdentityOfHandle(handle_); }

PlainFile ReadPlainFileIn(const std::string& folder, const std::string& name, std::size_t limit) {
  using Refusal = PlainFile::Refusal;
  PlainFile result;
  OpenedFile dir, file;
  OpenFailure failure = OpenFailure::kNone;
  if (!dir.Open(folder, LinkRule::kFollow, failure, result.reason) ||
      !file.OpenIn(dir, name, LinkRule::kRefuseLast, failure, result.reason)) {
    result.refusal = failure == OpenFailure::kMissing ? Refusal::kMissing
                     : failure == OpenFailure::kLink  ? Refusal::kLink
                                                      : Refusal::kSystem;
    return result;
  }
  const std::optional<FileIdentity> identity = file.Identity();
  if (!identity || file.kind() != FileKind::kRegular) {
    result.refusal = Refusal::kNotRegular;
    return result;
  }
  result.identity = *identity;
  if (identity->size > limit) {
    result.refusal = Refusal::kTooLarge;
    return result;
  }
  ReachedJudgedFile(file.path());
  try {
    if (!file.ReadUpTo(limit, result.bytes, file.path())) result.refusal = Refusal::kTooLarge;
  } catch (const FileError& e) {
    result.refusal = Refusal::kSystem;
    result.reason = e.what();
  }
  return result;
}

OpenedFileHookRegistration::OpenedFileHookRegistration(OpenedFileHook& hook) { RegisteredHook() = &hook; }

OpenedFileHookRegistration::~OpenedFileHookRegistration() { RegisteredHook() = nullptr; }

void ReachedJudgedFile(const std::string& path) {
  if (OpenedFileHook* hook = RegisteredHook()) hook->Judged(path);
}

}  // namespace zarn
