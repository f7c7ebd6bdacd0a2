#include "passes/var_inference.h"

#include <algorithm>
#include <functional>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "passes/error_marker.h"
#include "text/matcher.h"
#include "text/rewrite.h"
#include "text/text.h"

namespace zarn {

namespace {

// Names are looked up by views into the statements, without a copy.
struct NameHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view name) const { return std::hash<std::string_view>{}(name); }
};

// The declared names of one body with the type each has learned. Entries of
// the same name always learn the same type, so they are kept once.
using LearnedTypes = std::unordered_map<std::string, std::string, NameHash, std::equal_to<>>;

std::string VarLine(const KeywordRule& rule) { return rule.Statement("var"); }
std::string SetLine(const KeywordRule& rule) { return rule.Statement("set", ".*?=.*?$"); }

LearnedTypes CollectVarDeclarations(const std::string& body, const KeywordRule& rule) {
  std::vector<std::string> declared;
  Matcher m(VarLine(rule), MatchMode::kLine);
  for (bool found = m.Scan(body); found; found = m.Next()) {
    std::string_view stmt = TrimView(m.Matched());
    std::size_t equals = Pos("=", stmt);
    long long count = equals ? static_cast<long long>(equals) - 4 : static_cast<long long>(stmt.size());
    declared.push_back(Trim(Copy(stmt, 4, count)));
  }
  LearnedTypes names;
  names.reserve(declared.size());
  for (std::string& name : declared) names.emplace(std::move(name), std::string());
  return names;
}

// The declared names that `stmt` assigns, i.e. those for which it contains
// "set " + name + " =". Each such name is the text between an occurrence of
// "set " and a later " =", so only those few places need looking up.
template <class Visit>
void ForEachAssignedName(std::string_view stmt, LearnedTypes& names, const KeywordRule& rule, Visit&& visit) {
  std::vector<std::size_t> sets, equals;
  for (std::size_t at = rule.Find(stmt, "set "); at != std::string_view::npos; at = rule.Find(stmt, "set ", at + 1))
    sets.push_back(at + 4);
  for (std::size_t at = stmt.find(" ="); at != std::string_view::npos; at = stmt.find(" =", at + 1))
    equals.push_back(at);
  if (sets.size() * equals.size() > names.size()) {
    // Many places, few names: asking each name is cheaper.
    for (auto& entry : names)
      if (rule.Contains(stmt, "set " + entry.first + " =")) visit(entry.second);
    return;
  }
  std::vector<LearnedTypes::iterator> seen;
  for (std::size_t start : sets) {
    for (std::size_t end : equals) {
      if (end < start) continue;
      auto it = names.find(stmt.substr(start, end - start));
      if (it == names.end() || std::find(seen.begin(), seen.end(), it) != seen.end()) continue;
      seen.push_back(it);
      visit(it->second);
    }
  }
}

// Every assignment without "null" teaches its type to each variable it sets;
// the last such assignment in the body decides.
void LearnFromAssignments(const std::string& body, LearnedTypes& names, const ReturnTypeTable& return_types,
                          const KeywordRule& rule) {
  Matcher m(SetLine(rule), MatchMode::kLine);
  for (bool found = m.Scan(body); found; found = m.Next()) {
    std::string_view stmt = TrimView(m.Matched());
    if (rule.Contains(stmt, "null")) continue;
    std::optional<std::string> type;  // the same for every name the line sets
    ForEachAssignedName(stmt, names, rule, [&](std::string& learned) {
      if (!type) type = InferAssignedType(stmt, return_types, rule);
      learned = *type;
    });
  }
}

bool HasDigitOrDollar(std::string_view s) {
  // Same verdict as the pattern "(0x|\$|[0-9])": "0x" already holds a digit.
  for (char c : s)
    if (c == '$' || (c >= '0' && c <= '9')) return true;
  return false;
}

}  // namespace

std::string InferAssignedType(std::string_view statement, const ReturnTypeTable& return_types,
                              const KeywordRule& rule) {
  std::size_t equals = Pos("=", statement);
  if (!equals) return "undefined";
  if (std::optional<std::string> called = return_types.FindCallType(statement)) return *called;

  std::string_view rhs = TrimView(statement.substr(equals));
  if (Contains(rhs, "\"")) return "string";
  if (Contains(rhs, "'")) return "integer";
  if (Contains(rhs, ".")) return "real";
  if (HasDigitOrDollar(rhs)) return "integer";
  if (rule.Contains(rhs, "null")) return "handle";
  if (Contains(rhs, "function")) return "code";
  if (Contains(rhs, "true") || Contains(rhs, "false")) return "boolean";
  return "undefined";
}

std::string InferVarDeclarations(std::string body, const ReturnTypeTable& return_types, const KeywordRule& rule) {
  if (body.find("var") == std::string::npos) return body;  // no declaration line: most bodies
  LearnedTypes names = CollectVarDeclarations(body, rule);
  if (names.empty()) return body;
  LearnFromAssignments(body, names, return_types, rule);

  rule.RewriteEachMatch(body, VarLine(rule), MatchMode::kLine, [&](std::string_view matched) {
    std::string stmt = Trim(matched);
    if (stmt.compare(0, 4, "var ") == 0) {
      auto it = names.find(std::string_view(stmt).substr(4));
      if (it != names.end() && !it->second.empty() && it->second != "undefined")
        return std::optional<std::string>(rule.ReplaceKeyword(stmt, "var ", "local " + it->second + " "));
    }
    std::string type = InferAssignedType(stmt, return_types, rule);
    if (type == "undefined") return std::optional<std::string>(kErrorMarker + stmt);
    return std::optional<std::string>(rule.ReplaceKeyword(stmt, "var", "local " + type));
  });
  return body;
}

}  // namespace zarn
