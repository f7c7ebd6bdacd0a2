#include "matcher.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>

#include "errors.h"

namespace zarn {

class Pattern {
 public:
  Pattern(std::string_view source, MatchMode mode) {
    uint32_t options = PCRE2_NEVER_UTF | PCRE2_NEVER_UCP;
    if (mode != MatchMode::kLine) options |= PCRE2_DOTALL;
    if (mode != MatchMode::kWholeText) options |= PCRE2_MULTILINE;
    else options |= PCRE2_DOLLAR_ENDONLY;
    pcre2_compile_context* context = pcre2_compile_context_create(nullptr);
    pcre2_set_newline(context, PCRE2_NEWLINE_ANYCRLF);
    int error = 0;
    PCRE2_SIZE error_offset = 0;
    code_ = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(source.data()), source.size(), options,
                          &error, &error_offset, context);
    pcre2_compile_context_free(context);
    if (!code_) throw Error("Invalid pattern: " + std::string(source));
    pcre2_jit_compile(code_, PCRE2_JIT_COMPLETE);
  }
  ~Pattern() { pcre2_code_free(code_); }
  pcre2_code* code() const { return code_; }

 private:
  pcre2_code* code_;
};

const Pattern& CompiledPattern(std::string_view source, MatchMode mode) {
  static std::mutex mutex;
  static std::map<std::pair<std::string, MatchMode>, std::unique_ptr<Pattern>, std::less<>> cache;
  std::lock_guard<std::mutex> lock(mutex);
  auto key = std::make_pair(std::string(source), mode);
  auto it = cache.find(key);
  if (it == cache.end()) it = cache.emplace(key, std::make_unique<Pattern>(source, mode)).first;
  return *it->second;
}

namespace {

// Limits grow with the text, so that legitimate patterns on the largest scripts
// finish while runaway backtracking is stopped.
struct Limits {
  pcre2_match_context* context;
  pcre2_jit_stack* stack;
};

Limits& ThreadLimits() {
  thread_local Limits limits = [] {
    Limits l;
    l.context = pcre2_match_context_create(nullptr);
    l.stack = pcre2_jit_stack_create(64 * 1024, 64 * 1024 * 1024, nullptr);
    pcre2_jit_stack_assign(l.context, nullptr, l.stack);
    return l;
  }();
  return limits;
}

pcre2_match_context* ContextFor(std::size_t length) {
  pcre2_match_context* context = ThreadLimits().context;
  uint64_t limit = 100'000'000ull + 64ull * length;
  uint64_t depth = 10'000'000ull + 4ull * length;
  pcre2_set_match_limit(context, static_cast<uint32_t>(std::min<uint64_t>(limit, UINT32_MAX)));
  pcre2_set_depth_limit(context, static_cast<uint32_t>(std::min<uint64_t>(depth, UINT32_MAX)));
  pcre2_set_heap_limit(context, 4u * 1024u * 1024u);  // KiB
  return context;
}

}  // namespace

Matcher::Matcher(std::string_view pattern, MatchMode mode)
    : pattern_(CompiledPattern(pattern, mode)) {
  match_data_ = pcre2_match_data_create_from_pattern(pattern_.code(), nullptr);
}

Matcher::~Matcher() { pcre2_match_data_free(static_cast<pcre2_match_data*>(match_data_)); }

bool Matcher::First(std::string_view text) {
  subject_.assign(text);
  return SearchFrom(0);
}

bool Matcher::Next() {
  std::size_t from = end_ == begin_ ? end_ + 1 : end_;
  if (from > subject_.size()) return false;
  return SearchFrom(from);
}

bool Matcher::SearchFrom(std::size_t offset) {
  auto* data = static_cast<pcre2_match_data*>(match_data_);
  int rc = pcre2_match(pattern_.code(), reinterpret_cast<PCRE2_SPTR>(subject_.data()),
                       subject_.size(), offset, 0, data, ContextFor(subject_.size()));
  if (rc == PCRE2_ERROR_NOMATCH) return false;
  if (rc < 0) throw MatchLimitError();
  PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data);
  begin_ = ovector[0];
  end_ = ovector[1];
  return true;
}

bool MatchesAnywhere(std::string_view pattern, MatchMode mode, std::string_view text) {
  Matcher m(pattern, mode);
  return m.First(text);
}

}  // namespace zarn
