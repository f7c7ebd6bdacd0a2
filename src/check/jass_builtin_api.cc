#include "check/jass_builtin_api.h"

#include <cstddef>
#include <cstdlib>

#define ZARN_API_TABLE(symbol) \
  extern const char symbol[];  \
  extern const std::size_t symbol##_size;
ZARN_API_TABLE(k_api_1_24_data)
ZARN_API_TABLE(k_api_1_29_data)
ZARN_API_TABLE(k_api_1_30_data)
ZARN_API_TABLE(k_api_1_31_data)
ZARN_API_TABLE(k_api_1_32_data)
ZARN_API_TABLE(k_api_1_33_data)
ZARN_API_TABLE(k_api_2_0_data)
#undef ZARN_API_TABLE

namespace zarn {

namespace {

struct Table {
  const char* patch;
  std::string_view rows;
};

const Table kTables[] = {
    {"1.24", {k_api_1_24_data, k_api_1_24_data_size}}, {"1.29", {k_api_1_29_data, k_api_1_29_data_size}},
    {"1.30", {k_api_1_30_data, k_api_1_30_data_size}}, {"1.31", {k_api_1_31_data, k_api_1_31_data_size}},
    {"1.32", {k_api_1_32_data, k_api_1_32_data_size}}, {"1.33", {k_api_1_33_data, k_api_1_33_data_size}},
    {"2.0", {k_api_2_0_data, k_api_2_0_data_size}},
};

std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  for (std::size_t at = 0;;) {
    const std::size_t tab = line.find('\t', at);
    fields.push_back(line.substr(at, tab == std::string_view::npos ? std::string_view::npos : tab - at));
    if (tab == std::string_view::npos) return fields;
    at = tab + 1;
  }
}

// Calls `row` with the fields of each row of `table`.
template <typename RowFn>
void ForEachRow(std::string_view table, RowFn row) {
  while (!table.empty()) {
    const std::size_t end = table.find('\n');
    const std::string_view line = table.substr(0, end);
    table.remove_prefix(end == std::string_view::npos ? table.size() : end + 1);
    if (!line.empty() && line.front() != '#') row(Fields(line));
  }
}

std::string_view ZeroOf(std::string_view type) {
  if (type == "integer") return "0";
  if (type == "real") return "0.0";
  if (type == "boolean") return "false";
  if (type == "string") return "\"\"";
  return "null";
}

bool IsDigits(std::string_view s, std::string_view digits) {
  if (s.empty()) return false;
  for (char c : s)
    if (digits.find(c) == std::string_view::npos) return false;
  return true;
}

constexpr std::string_view kDecimal = "0123456789";
constexpr std::string_view kHex = "0123456789abcdefABCDEF";

bool IsNumber(std::string_view s) {
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) return IsDigits(s.substr(2), kHex);
  if (s.size() > 1 && s[0] == '$') return IsDigits(s.substr(1), kHex);
  const std::size_t dot = s.find('.');
  if (dot == std::string_view::npos) return IsDigits(s, kDecimal);
  const std::string_view whole = s.substr(0, dot), part = s.substr(dot + 1);
  return (whole.empty() || IsDigits(whole, kDecimal)) && (part.empty() || IsDigits(part, kDecimal)) &&
         (!whole.empty() || !part.empty());
}

bool IsQuoted(std::string_view s, char quote) {
  if (s.size() < 2 || s.front() != quote || s.back() != quote) return false;
  for (std::size_t i = 1; i + 1 < s.size(); ++i) {
    if (s[i] == '\\') {
      if (++i + 1 >= s.size()) return false;
    } else if (s[i] == quote || s[i] == '\n' || s[i] == '\r' || s[i] == '\t') {
      return false;
    }
  }
  return true;
}

void RenderCallable(const std::vector<std::string_view>& f, std::string& out) {
  const bool function = f[0].size() >= 8 && f[0].substr(f[0].size() - 8) == "function";
  out.append(f[0]).append(" ").append(f[1]).append(" takes ");
  if (f.size() == 3) out += "nothing";
  for (std::size_t i = 3; i < f.size(); ++i) out.append(i > 3 ? ", " : "").append(f[i]);
  out.append(" returns ").append(f[2]).append("\n");
  if (!function) return;
  if (f[2] != "nothing") out.append("    return ").append(ZeroOf(f[2])).append("\n");
  out += "endfunction\n";
}

void RenderGlobal(const std::vector<std::string_view>& f, std::string& out) {
  out += "    ";
  if (f[0] == "constant") out += "constant ";
  out.append(f[2]).append(f[0] == "array" ? " array " : " ").append(f[1]);
  if (f.size() > 3 && f[3] == "=") out.append(" = ").append(ZeroOf(f[2])).append(" // set by the game");
  if (f.size() > 3 && f[3].size() > 1) out.append(" = ").append(f[3].substr(1));
  out += "\n";
}

}  // namespace

const std::vector<std::string>& BuiltinPatches() {
  static const std::vector<std::string> patches = [] {
    std::vector<std::string> all;
    for (const Table& table : kTables) all.emplace_back(table.patch);
    return all;
  }();
  return patches;
}

int CompareVersions(std::string_view a, std::string_view b, bool* valid) {
  auto numbers = [&](std::string_view s) {
    std::vector<unsigned long> parts;
    for (std::size_t at = 0; at <= s.size();) {
      const std::size_t dot = std::min(s.find('.', at), s.size());
      const std::string_view part = s.substr(at, dot - at);
      if (part.empty() || part.size() > 9 || !IsDigits(part, kDecimal)) {
        if (valid) *valid = false;
        return parts;
      }
      parts.push_back(std::strtoul(std::string(part).c_str(), nullptr, 10));
      at = dot + 1;
    }
    return parts;
  };
  if (valid) *valid = true;
  std::vector<unsigned long> x = numbers(a), y = numbers(b);
  x.resize(std::max(x.size(), y.size()));
  y.resize(x.size());
  return x < y ? -1 : x > y ? 1 : 0;
}

std::string BuiltinPatchFor(std::string_view version) {
  std::string found;
  for (const Table& table : kTables) {
    bool valid = true;
    if (CompareVersions(table.patch, version, &valid) <= 0 && valid) found = table.patch;
    if (!valid) return "";
  }
  return found;
}

std::string_view BuiltinTable(std::string_view patch) {
  for (const Table& table : kTables)
    if (patch == table.patch) return table.rows;
  return {};
}

std::string RenderDeclarations(std::string_view table, std::string_view title) {
  std::string out = "// " + std::string(title) +
                    ": declarations only, written by ZARN from its table. Bodies and values marked \"set by the "
                    "game\" stand in for the game's own.\n";
  bool in_globals = false;
  ForEachRow(table, [&](const std::vector<std::string_view>& f) {
    const bool global = f[0] == "global" || f[0] == "constant" || f[0] == "array";
    if (f.size() < 3 && f[0] != "file") return;
    if (global != in_globals) out += global ? "globals\n" : "endglobals\n";
    in_globals = global;
    if (f[0] == "file") {
      out.append("\n// ").append(f.size() > 1 ? f[1] : "").append("\n");
    } else if (f[0] == "type") {
      out.append("type ").append(f[1]).append(" extends ").append(f[2]).append("\n");
    } else if (global) {
      RenderGlobal(f, out);
    } else {
      RenderCallable(f, out);
    }
  });
  if (in_globals) out += "endglobals\n";
  return out;
}

std::string BuiltinConstantValue(std::string_view patch, std::string_view name) {
  std::string value;
  ForEachRow(BuiltinTable(patch), [&](const std::vector<std::string_view>& f) {
    if (f[0] == "constant" && f.size() > 3 && f[1] == name && f[3].size() > 1) value = std::string(f[3].substr(1));
  });
  return value;
}

std::string_view DeclaredValue(std::string_view rest) {
  auto trim = [](std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
  };
  rest = trim(rest.substr(0, rest.find('\n')));
  if (rest.empty() || rest.front() != '=') return {};
  rest.remove_prefix(1);
  bool quoted = false;
  for (std::size_t i = 0; i < rest.size(); ++i) {
    if (rest[i] == '\\' && quoted) {
      ++i;
    } else if (rest[i] == '"') {
      quoted = !quoted;
    } else if (!quoted && rest.compare(i, 2, "//") == 0) {
      rest = rest.substr(0, i);
      break;
    }
  }
  return trim(rest);
}

bool IsJassLiteral(std::string_view value) {
  if (value == "true" || value == "false" || value == "null") return true;
  if (IsQuoted(value, '"') || IsQuoted(value, '\'')) return true;
  if (!value.empty() && value.front() == '-') value.remove_prefix(1);
  while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
  return IsNumber(value);
}

}  // namespace zarn
