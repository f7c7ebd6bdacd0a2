#include "var_inference.h"

#include <vector>

#include "error_marker.h"
#include "matcher.h"
#include "rewrite.h"
#include "text.h"

namespace zarn {

namespace {

struct VarDeclaration {
  std::string name;
  std::string learned_type;  // empty until an assignment supplies one
};

constexpr char kVarLine[] = "^var.*?$";
constexpr char kSetLine[] = "^set.*?=.*?$";

std::vector<VarDeclaration> CollectVarDeclarations(const std::string& body) {
  std::vector<VarDeclaration> list;
  Matcher m(kVarLine, MatchMode::kLine);
  for (bool found = m.Scan(body); found; found = m.Next()) {
    std::string_view stmt = TrimView(m.Matched());
    std::size_t equals = Pos("=", stmt);
    long long count = equals ? static_cast<long long>(equals) - 4 : static_cast<long long>(stmt.size());
    list.push_back({Trim(Copy(stmt, 4, count)), std::string()});
  }
  return list;
}

// Every assignment without "null" teaches its type to each variable it sets;
// the last such assignment in the body decides.
void LearnFromAssignments(const std::string& body, std::vector<VarDeclaration>& list,
                          const ReturnTypeTable& return_types) {
  Matcher m(kSetLine, MatchMode::kLine);
  for (bool found = m.Scan(body); found; found = m.Next()) {
    std::string_view stmt = TrimView(m.Matched());
    if (Contains(stmt, "null")) continue;
    for (VarDeclaration& entry : list) {
      if (Contains(stmt, "set " + entry.name + " ="))
        entry.learned_type = InferAssignedType(stmt, return_types);
    }
  }
}

bool HasDigitOrDollar(std::string_view s) {
  // Same verdict as the pattern "(0x|\$|[0-9])": "0x" already holds a digit.
  for (char c : s)
    if (c == '$' || (c >= '0' && c <= '9')) return true;
  return false;
}

}  // namespace

std::string InferAssignedType(std::string_view statement, const ReturnTypeTable& return_types) {
  std::size_t equals = Pos("=", statement);
  if (!equals) return "undefined";
  if (std::optional<std::string> called = return_types.FindCallType(statement)) return *called;

  std::string_view rhs = TrimView(statement.substr(equals));
  if (Contains(rhs, "\"")) return "string";
  if (Contains(rhs, "'")) return "integer";
  if (Contains(rhs, ".")) return "real";
  if (HasDigitOrDollar(rhs)) return "integer";
  if (Contains(rhs, "null")) return "handle";
  if (Contains(rhs, "function")) return "code";
  if (Contains(rhs, "true") || Contains(rhs, "false")) return "boolean";
  return "undefined";
}

std::string InferVarDeclarations(std::string body, const ReturnTypeTable& return_types) {
  if (body.find("var") == std::string::npos) return body;  // no declaration line: most bodies
  std::vector<VarDeclaration> list = CollectVarDeclarations(body);
  if (list.empty()) return body;
  LearnFromAssignments(body, list, return_types);

  ReplaceEachMatch(body, kVarLine, MatchMode::kLine, [&](std::string_view matched) {
    std::string stmt = Trim(matched);
    for (const VarDeclaration& entry : list) {
      if (stmt == "var " + entry.name && !entry.learned_type.empty() &&
          entry.learned_type != "undefined") {
        return std::optional<std::string>(ReplaceAll(stmt, "var ", "local " + entry.learned_type + " "));
      }
    }
    std::string type = InferAssignedType(stmt, return_types);
    if (type == "undefined") return std::optional<std::string>(kErrorMarker + stmt);
    return std::optional<std::string>(ReplaceAll(stmt, "var", "local " + type));
  });
  return body;
}

}  // namespace zarn
