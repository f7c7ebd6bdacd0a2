#include "passes/block_parser.h"

#include <functional>
#include <vector>

#include "passes/conditional_blocks.h"
#include "passes/handle_creation.h"
#include "passes/handle_release.h"
#include "passes/line_tracking.h"
#include "passes/mount.h"
#include "passes/repeat_until.h"
#include "passes/var_inference.h"
#include "text/edit_watch.h"
#include "text/matcher.h"
#include "text/rewrite.h"
#include "text/text.h"
#include "text/text_search.h"

namespace zarn {

namespace {

// Each comma becomes a line break followed by `keyword`.
std::string SplitAtCommas(std::string_view stmt, std::string_view keyword) {
  return ReplaceAll(stmt, ",", "\r\n" + std::string(keyword));
}

// Each comma becomes a line break followed by the keyword, and by a blank
// where none follows the comma, so that "new timer a,timer b" does not give
// "newtimer b".
std::string SplitNewList(std::string_view line, const KeywordRule& rule) {
  const std::string stmt = CollapseWhitespace(TrimView(line));
  const std::string keyword = "\r\n" + std::string(rule.Contains(stmt, "global") ? "new global" : "new");
  std::string out;
  out.reserve(stmt.size() + 16);
  for (std::size_t i = 0; i < stmt.size(); ++i) {
    if (stmt[i] != ',') {
      out += stmt[i];
      continue;
    }
    out += keyword;
    if (i + 1 < stmt.size() && stmt[i + 1] != ' ') out += ' ';
  }
  return out;
}

std::string SplitFlushList(std::string_view line) { return SplitAtCommas(TrimView(line), "flush "); }

// free and var lists: a line with a call in it is left whole; otherwise the
// blank after the first comma decides whether the keyword brings its own.
std::string SplitNameList(std::string_view line, std::string_view keyword) {
  std::string_view stmt = TrimView(line);
  if (Contains(stmt, "(")) return std::string(stmt);
  std::size_t comma = stmt.find(',');
  bool blank_follows = comma != std::string_view::npos && comma + 1 < stmt.size() && stmt[comma + 1] == ' ';
  return SplitAtCommas(stmt, blank_follows ? std::string(keyword) : std::string(keyword) + " ");
}

void SplitLines(std::string& text, const KeywordRule& rule, std::string_view keyword,
                const std::function<std::string(std::string_view)>& split) {
  rule.RewriteEachMatch(text, rule.Statement(keyword), MatchMode::kLine,
                        [&split](std::string_view line) { return std::optional<std::string>(split(line)); });
}

// The name between the keyword and "takes": from character `name_start` up to
// the character before the one that precedes "takes".
std::string_view BodyName(std::string_view body, long long name_start, const KeywordRule& rule) {
  long long takes = static_cast<long long>(rule.Pos("takes", body));
  return TrimView(CopyView(body, name_start, takes - 1 - name_start));
}

// Runs the body passes on every body the pattern finds and writes each result
// back over every occurrence of the body.
// The places of a word in a text, found once, asked in order of the ranges
// that may hold them.
class WordPlaces {
 public:
  WordPlaces(std::string_view text, std::string_view word) : text_(text), word_(word) {}

  // Whether the word stands wholly inside text_[begin, end); `begin` never
  // goes down from one question to the next.
  bool Inside(std::size_t begin, std::size_t end) {
    if (!found_) {
      for (std::size_t at = FindText(text_, word_); at != std::string_view::npos; at = FindText(text_, word_, at + 1))
        places_.push_back(at);
      found_ = true;
    }
    while (next_ < places_.size() && places_[next_] < begin) ++next_;
    return next_ < places_.size() && places_[next_] + word_.size() <= end;
  }

 private:
  std::string_view text_, word_;
  std::vector<std::size_t> places_;
  std::size_t next_ = 0;
  bool found_ = false;
};

void ParseBodies(Run& run, std::string_view keyword, std::string_view end_keyword, long long name_start) {
  const KeywordRule& rule = run.keywords;
  const std::string pattern = rule.InPattern(keyword) + ".*?" + rule.InPattern(end_keyword);
  // The scan reads the text as it is until every body is seen.
  WordPlaces vars(run.text, "var"), frees(run.text, "free");
  ReplaceEachMatch(run.text, pattern, MatchMode::kWholeText, [&](std::string_view matched) {
    run.progress.SetFunctionName(BodyName(matched, name_start, rule), /*pump=*/true);
    // Both passes leave a body without their keywords' letters as it is:
    // most bodies are neither copied nor compared.
    const std::size_t begin = static_cast<std::size_t>(matched.data() - run.text.data());
    const std::size_t end = begin + matched.size();
    if (!vars.Inside(begin, end) && !frees.Inside(begin, end)) return std::optional<std::string>();
    std::string body = InferVarDeclarations(std::string(matched), run.return_types, rule);
    return std::optional<std::string>(ExpandFreeStatements(std::move(body), run.return_types, rule));
  });
}

}  // namespace

void SplitStatementLists(std::string& text, const KeywordRule& rule) {
  SplitLines(text, rule, "new", [&rule](std::string_view line) { return SplitNewList(line, rule); });
  SplitLines(text, rule, "flush", SplitFlushList);
  SplitLines(text, rule, "free", [](std::string_view line) { return SplitNameList(line, "free"); });
  SplitLines(text, rule, "var", [](std::string_view line) { return SplitNameList(line, "var"); });
}

void ParseBlocks(Run& run) {
  const KeywordRule& rule = run.keywords;
  // Every rewrite below reports where its changes land: each line of the
  // result keeps the origin of the line it stems from.
  EditWatch watch(run.text, run.origins);
  SplitStatementLists(run.text, rule);

  {
    // Greedy: from the first "globals" to the last "endglobals".
    Matcher globals(rule.InPattern("globals") + ".*" + rule.InPattern("endglobals"), MatchMode::kWholeText);
    if (globals.Scan(run.text)) run.globals_block = std::string(globals.Matched());
  }

  run.progress.SetProgress("Parsing function:", 50);
  ParseBodies(run, "function", "endfunction", 9);
  run.progress.SetProgress("Parsing method:", 50);
  ParseBodies(run, "method", "endmethod", 7);

  ResolveConditionalBlocks(run.text, run.globals_block);
  ExpandMountBlocks(run.text, rule);
  ExpandNewStatements(run.text, rule);
  std::vector<MovedLine> moved;  // filled by the pass, read once it is done
  TrackMovedLines(
      run, [&](std::string& text) { MoveGlobalDeclarations(text, rule, &moved); }, moved, "endglobals");
  ExpandRepeatUntil(run.text, rule);
  ExpandFlushStatements(run.text, rule);
}

}  // namespace zarn
