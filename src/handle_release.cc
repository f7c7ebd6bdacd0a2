#include "handle_release.h"

#include <vector>

#include "error_marker.h"
#include "matcher.h"
#include "rewrite.h"
#include "text.h"

namespace zarn {

namespace {

struct LocalHandle {
  std::string name;
  std::string type;  // a release type, or empty
};

// One entry per line holding the letters "local": the declaration without its
// initial value, typed by the first release type named in it.
std::vector<LocalHandle> CollectLocals(const std::string& body) {
  std::vector<LocalHandle> list;
  Matcher m("local.*?$", MatchMode::kLine);
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
                                       const ReturnTypeTable& return_types) {
  std::string type = return_types.FindReturnTypeByName(stmt);
  if (type != "undefined") {
    std::optional<std::string> call = DestructorCallFor(type);
    if (!call) return std::nullopt;
    return "call " + *call + Trim(Copy(stmt, 5, static_cast<long long>(stmt.size()))) + ")";
  }
  for (const LocalHandle& local : locals) {
    if (!Contains(stmt, "free " + local.name)) continue;
    std::optional<std::string> call = DestructorCallFor(local.type);
    if (!call) return std::nullopt;
    return "call " + *call + local.name + ")";
  }
  return std::nullopt;
}

}  // namespace

std::string ExpandFreeStatements(std::string body, const ReturnTypeTable& return_types) {
  if (body.find("free") == std::string::npos) return body;  // no statement: most bodies
  const std::vector<LocalHandle> locals = CollectLocals(body);
  ReplaceEachMatch(body, "free.*?$", MatchMode::kLine, [&](std::string_view matched) {
    std::string stmt = Trim(matched);
    std::optional<std::string> call = ReleaseCall(stmt, locals, return_types);
    return std::optional<std::string>(call ? *call : kErrorMarker + stmt);
  });
  return body;
}

void ExpandFlushStatements(std::string& text) {
  ReplaceEachMatch(text, "flush.*?$", MatchMode::kLine, [](std::string_view matched) {
    std::string stmt = Trim(matched);
    // A flush that names nothing would become "set = null" everywhere the
    // letters occur; it is reported instead.
    if (stmt == "flush") return std::optional<std::string>(kErrorMarker + stmt);
    return std::optional<std::string>(ReplaceAll(stmt, "flush", "set") + " = null");
  });
}

}  // namespace zarn
