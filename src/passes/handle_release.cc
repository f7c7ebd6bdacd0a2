#include "passes/handle_release.h"

#include <vector>

#include "passes/error_marker.h"
#include "text/matcher.h"
#include "text/rewrite.h"
#include "text/text.h"

namespace zarn {

namespace {

struct LocalHandle {
  std::string name;
  std::string type;  // a release type, or empty
};

// One entry per line holding the letters "local": the declaration without its
// initial value, typed by the first release type named in it.
std::vector<LocalHandle> CollectLocals(const std::string& body, const KeywordRule& rule) {
  std::vector<LocalHandle> list;
  Matcher m(rule.InPattern("local") + ".*?$", MatchMode::kLine);
  for (bool found = m.Scan(body); found; found = m.Next()) {
    std::string rest = Copy(TrimView(m.Matched()), 6, static_cast<long long>(m.Matched().size()));
    if (std::size_t equals = Pos("=", rest)) rest = Copy(rest, 1, static_cast<long long>(equals) - 1);
    std::string type = FindDestructorType(rest);
    if (!type.empty()) DeleteFirstIn(rest, type);
    list.push_back({Trim(rest), type});
  }
  return list;
}

// The release call for `stmt`, or nothing when it cannot be translated. A name
// known to the return-type table wins over the body's locals.
std::optional<std::string> ReleaseCall(const std::string& stmt, const std::vector<LocalHandle>& locals,
                                       const FreedNameLookup& lookup, const ReturnTypeTable& return_types) {
  std::string type = return_types.FindReturnTypeByName(stmt);
  if (type != "undefined") {
    std::optional<std::string> call = DestructorCallFor(type);
    if (!call) return std::nullopt;
    return "call " + *call + Trim(Copy(stmt, 5, static_cast<long long>(stmt.size()))) + ")";
  }
  const std::size_t first = lookup.FirstIn(stmt);
  if (first == std::string::npos) return std::nullopt;
  const LocalHandle& local = locals[first];
  std::optional<std::string> call = DestructorCallFor(local.type);
  if (!call) return std::nullopt;
  return "call " + *call + local.name + ")";
}

}  // namespace

FreedNameLookup::FreedNameLookup(const std::vector<std::string_view>& names, bool leading_only)
    : leading_only_(leading_only) {
  for (std::size_t i = 0; i < names.size(); ++i) {
    first_.try_emplace(names[i], i);
    lengths_.insert(names[i].size());
  }
}

std::size_t FreedNameLookup::FirstIn(std::string_view stmt) const {
  // The name stands right after one of the statement's "free ": only the
  // lengths that names have need looking up there.
  std::size_t best = std::string::npos;
  for (std::size_t at = stmt.find("free "); at != std::string_view::npos; at = stmt.find("free ", at + 1)) {
    if (leading_only_ && at > 0) break;
    const std::string_view rest = stmt.substr(at + 5);
    for (std::size_t length : lengths_) {
      if (length > rest.size()) break;
      auto it = first_.find(rest.substr(0, length));
      if (it != first_.end() && it->second < best) best = it->second;
    }
  }
  return best;
}

std::string ExpandFreeStatements(std::string body, const ReturnTypeTable& return_types, const KeywordRule& rule) {
  if (body.find("free") == std::string::npos) return body;  // no statement: most bodies
  const std::vector<LocalHandle> locals = CollectLocals(body, rule);
  std::vector<std::string_view> names;
  for (const LocalHandle& local : locals) names.push_back(local.name);
  // By words the statement's own keyword is the one that names the handle.
  const FreedNameLookup lookup(names, /*leading_only=*/rule.words());
  const std::string pattern = rule.words() ? rule.Statement("free") : "free.*?$";
  rule.RewriteEachMatch(body, pattern, MatchMode::kLine, [&](std::string_view matched) {
    std::string stmt = Trim(matched);
    std::optional<std::string> call = ReleaseCall(stmt, locals, lookup, return_types);
    return std::optional<std::string>(call ? *call : kErrorMarker + stmt);
  });
  return body;
}

void ExpandFlushStatements(std::string& text, const KeywordRule& rule) {
  const std::string pattern = rule.words() ? rule.Statement("flush") : "flush.*?$";
  rule.RewriteEachMatch(text, pattern, MatchMode::kLine, [&rule](std::string_view matched) {
    std::string stmt = Trim(matched);
    // A flush that names nothing would become "set = null" everywhere the
    // letters occur; it is reported instead.
    if (stmt == "flush") return std::optional<std::string>(kErrorMarker + stmt);
    return std::optional<std::string>(rule.ReplaceKeyword(stmt, "flush", "set") + " = null");
  });
}

}  // namespace zarn
