#include "passes/handle_creation.h"

#include <vector>

#include "passes/error_marker.h"
#include "passes/line_tracking.h"
#include "passes/tables.h"
#include "text/matcher.h"
#include "text/rewrite.h"
#include "text/text.h"

namespace zarn {

namespace {

// The declaration a new statement stands for, without its initial value.
std::string DeclarationOf(std::string stmt) {
  if (Contains(stmt, "global")) {
    // The blank this leaves in front stays; the global pass moves the rest.
    ReplaceAllIn(stmt, Contains(stmt, "local") ? "local new" : "new", "");
  } else if (Contains(stmt, "local")) {
    // "local new type name": characters 6 to 9 are " new".
    std::string keyword = Copy(stmt, 6, 4);
    ReplaceAllIn(stmt, keyword, "");
  } else {
    // "new type name": the first three characters are "new".
    std::string keyword = Copy(stmt, 1, 3);
    ReplaceAllIn(stmt, keyword, "local");
  }
  return stmt;
}

constexpr char kBlank[] = "[ \\t\\f]";

// By words, a row takes the statement forms "new type name", "local new type
// name", "new global type name" and "local new global type name", with the
// row's type as a whole word.
std::string WordPattern(const CreationRow& row) {
  return std::string("^(?:local") + kBlank + ")?new" + kBlank + "(?:global" + kBlank + ")?" + row.type +
         "(?![A-Za-z0-9_]).*?$";
}

// Drops `word` and the blank after it from the front of `rest`, if it is there.
bool DropWord(std::string_view& rest, std::string_view word) {
  if (rest.size() <= word.size() || rest.substr(0, word.size()) != word) return false;
  const char blank = rest[word.size()];
  if (blank != ' ' && blank != '\t' && blank != '\f') return false;
  rest.remove_prefix(word.size() + 1);
  return true;
}

// The declaration of a statement in one of the forms above: a local one, or
// a global one that the global pass moves.
std::string DeclarationByWords(std::string_view stmt) {
  DropWord(stmt, "local");
  DropWord(stmt, "new");
  const bool global = DropWord(stmt, "global");
  return (global ? "global " : "local ") + std::string(stmt);
}

}  // namespace

void ExpandNewStatements(std::string& text, const KeywordRule& rule) {
  // Each row scans the text the earlier rows left, so they no longer see the
  // lines those rows rewrote. Every row matches and replaces whole lines
  // holding "new", never a line break, so the rows need only see those lines.
  RewriteLinesHolding(text, "new", [&rule](std::string& lines) {
    for (const CreationRow& row : kCreationRows) {
      const std::string pattern = rule.words() ? WordPattern(row) : std::string(row.pattern);
      rule.RewriteEachMatch(lines, pattern, MatchMode::kLine, [&](std::string_view matched) {
        std::string collapsed = CollapseWhitespace(TrimView(matched));
        std::string stmt = rule.words() ? DeclarationByWords(collapsed) : DeclarationOf(std::move(collapsed));
        return std::optional<std::string>(stmt + " = " + row.constructor);
      });
    }
  });
}

namespace {

// The declarations moved, each with the line of `text` that its statement
// stood on; the statements are views into `text`, found in order.
class MovedLines {
 public:
  MovedLines(const std::string& text, std::vector<MovedLine>* out) : text_(text), out_(out) {}
  void Add(const std::string& decl, std::string_view stmt) {
    if (!out_) return;
    const std::size_t line = LineAt(text_, static_cast<std::size_t>(stmt.data() - text_.data()), from_, line_);
    out_->push_back({decl, line});
  }

 private:
  std::string_view text_;
  std::vector<MovedLine>* out_;
  std::size_t from_ = 0, line_ = 0;
};

// By words a global statement begins its line, and each line that begins
// with it loses that beginning; its declaration goes before each line
// "endglobals".
void MoveGlobalDeclarationsByWords(std::string& text, const KeywordRule& rule, MovedLines& lines) {
  constexpr char kEnd[] = "^endglobals$";
  const bool has_end = MatchesAnywhere(kEnd, MatchMode::kLine, text);
  std::string moved;
  ReplaceEachMatchAtLineStarts(text, rule.Statement("global"), MatchMode::kLine, [&](std::string_view matched) {
    std::string stmt = Trim(matched);
    std::string decl = Trim(Copy(stmt, 7, static_cast<long long>(stmt.size())));
    if (rule.Contains(stmt, "globals") || decl.empty()) return std::optional<std::string>();
    if (!has_end) return std::optional<std::string>(kErrorMarker + stmt);
    moved += decl + "\r\n";
    lines.Add(decl, matched);
    return std::optional<std::string>(std::string());
  });
  if (moved.empty()) return;
  ReplaceEachMatchInPlace(text, kEnd, MatchMode::kLine,
                          [&](std::string_view end) { return std::optional<std::string>(moved + std::string(end)); });
}

}  // namespace

void MoveGlobalDeclarations(std::string& text, const KeywordRule& rule, std::vector<MovedLine>* moved) {
  MovedLines lines(text, moved);
  if (rule.words()) return MoveGlobalDeclarationsByWords(text, rule, lines);
  // Inserting before "endglobals" keeps the keyword, and no global statement
  // can remove it, so whether there is one is settled before the scan.
  const bool has_end = Contains(text, "endglobals");
  ApplyEditsForEachMatch(text, "global.*?$", MatchMode::kLine, [&](std::string_view matched) {
    std::string stmt = Trim(matched);
    std::vector<TextEdit> edits;
    if (Contains(stmt, "globals")) return edits;  // the block's own keywords
    std::string decl = Trim(Copy(stmt, 7, static_cast<long long>(stmt.size())));
    // A statement that declares nothing would delete the letters "global"
    // from the block's own keywords everywhere; it is left as written.
    if (decl.empty()) return edits;
    if (!has_end) {
      edits.push_back({std::string(matched), kErrorMarker + stmt});
      return edits;
    }
    edits.push_back({std::string(matched), std::string()});
    edits.push_back({"endglobals", decl + "\r\nendglobals"});
    lines.Add(decl, matched);
    return edits;
  });
}

}  // namespace zarn
