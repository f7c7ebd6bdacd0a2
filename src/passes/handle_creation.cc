#include "passes/handle_creation.h"

#include <vector>

#include "passes/error_marker.h"
#include "text/rewrite.h"
#include "passes/tables.h"
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

}  // namespace

void ExpandNewStatements(std::string& text) {
  // Each row scans the text the earlier rows left, so they no longer see the
  // lines those rows rewrote. Every row matches and replaces whole lines
  // holding "new", never a line break, so the rows need only see those lines.
  RewriteLinesHolding(text, "new", [](std::string& lines) {
    for (const CreationRow& row : kCreationRows) {
      ReplaceEachMatch(lines, row.pattern, MatchMode::kLine, [&](std::string_view matched) {
        std::string stmt = DeclarationOf(CollapseWhitespace(TrimView(matched)));
        return std::optional<std::string>(stmt + " = " + row.constructor);
      });
    }
  });
}

void MoveGlobalDeclarations(std::string& text) {
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
    return edits;
  });
}

}  // namespace zarn
