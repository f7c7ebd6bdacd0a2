#include "text/rewrite.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "bench/script_generator.h"
#include "core/pipeline.h"
#include "passes/run.h"
#include "text/edit_watch.h"
#include "text/script.h"
#include "text/spliced_text.h"
#include "text/text.h"

namespace zarn {
namespace {

// The obviously correct rule each rewrite idiom must agree with: one
// search-and-replace over the whole live text per match.
void ReferenceReplaceEachMatch(std::string& text, std::string_view pattern, MatchMode mode,
                               const std::function<std::optional<std::string>(std::string_view)>& rewrite) {
  Matcher m(pattern, mode);
  for (bool found = m.First(text); found; found = m.Next()) {
    std::optional<std::string> replacement = rewrite(m.Matched());
    if (replacement && *replacement != m.Matched()) ReplaceAllIn(text, m.Matched(), *replacement);
  }
}

void ReferenceDeleteFirstForEachMatch(std::string& text, std::string_view pattern, MatchMode mode) {
  Matcher m(pattern, mode);
  for (bool found = m.First(text); found; found = m.Next()) DeleteFirstIn(text, m.Matched());
}

std::string ReferenceCollapse(std::string_view text) {
  std::vector<std::string> runs;
  Matcher m("[ \\t\\r\\f]{2,}.*?", MatchMode::kWholeText);
  for (bool found = m.First(text); found; found = m.Next()) runs.emplace_back(m.Matched());
  std::string working(text);
  for (const std::string& run : runs) ReplaceAllIn(working, run, " ");
  return working;
}

class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed * 2654435761u + 1) {}
  std::size_t Below(std::size_t n) {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 7;
    state_ ^= state_ << 17;
    return static_cast<std::size_t>(state_ % n);
  }

 private:
  std::uint64_t state_;
};

// Few distinct pieces, so texts repeat, nest in one another and are easily
// made anew by a replacement.
std::string Pieces(Random& random, std::size_t count, bool line_breaks) {
  static const char* const kPieces[] = {"a",  "b",          "ab",          "ba",   "x",  " ",
                                        "  ", "function f", "endfunction", "\r\n", "\n", "\r"};
  std::string out;
  for (std::size_t i = 0; i < count; ++i) {
    const char* piece = kPieces[random.Below(line_breaks ? 12 : 9)];
    out += piece;
  }
  return out;
}

std::vector<Edit> RandomEdits(Random& random, const std::string& text, bool line_breaks) {
  std::vector<Edit> edits;
  std::size_t count = 3 + random.Below(40);
  for (std::size_t i = 0; i < count; ++i) {
    Edit edit;
    if (random.Below(4) != 0 && !text.empty()) {
      // A text that occurs: a piece of the original, often repeated by later edits.
      std::size_t at = random.Below(text.size());
      edit.from = text.substr(at, 1 + random.Below(12));
      if (!line_breaks) edit.from = edit.from.substr(0, edit.from.find_first_of("\r\n"));
    } else {
      edit.from = Pieces(random, 1 + random.Below(3), line_breaks);
    }
    switch (random.Below(4)) {
      case 0: break;  // deletion
      case 1:         // the text kept, with more after it or before it
        if (random.Below(2) == 0)
          edit.to = edit.from + Pieces(random, random.Below(3), line_breaks);
        else
          edit.to = Pieces(random, 1 + random.Below(3), line_breaks) + edit.from;
        break;
      case 2: edit.to = edits.empty() ? "q" : edits[random.Below(edits.size())].from; break;
      default: edit.to = Pieces(random, random.Below(4), line_breaks);
    }
    edit.kind = random.Below(3) == 0 ? Edit::kFirst : Edit::kEvery;
    edits.push_back(edit);
    if (random.Below(3) == 0) edits.push_back(edit);  // identical edits are common
  }
  return edits;
}

TEST(RewriteEngine, OnePassMatchesPlainRuleOnRandomEdits) {
  for (std::uint64_t seed = 1; seed <= 3000; ++seed) {
    Random random(seed);
    const bool line_breaks = seed % 2 == 0;
    std::string text = Pieces(random, 5 + random.Below(300), line_breaks);
    std::vector<Edit> edits = RandomEdits(random, text, line_breaks);
    std::string plain = text, fast = text;
    ApplyEditsPlainly(plain, edits);
    ApplyEditsInOnePass(fast, edits);
    ASSERT_EQ(fast, plain) << "seed " << seed;
  }
}

// A text whose bytes remember where they stood in the original, or that an
// edit wrote them: the slow reference for the origins, following every edit
// one by one.
class TaggedText {
 public:
  explicit TaggedText(std::string_view original) : original_(original), text_(original), at_(original.size()) {
    for (std::size_t i = 0; i < at_.size(); ++i) at_[i] = static_cast<long long>(i);
  }

  const std::string& text() const { return text_; }

  // The plain rule: the leftmost occurrence of `from`, or every one found
  // left to right without overlap, replaced by `to`.
  void Replace(std::string_view from, std::string_view to, bool every) {
    if (from.empty()) return;
    std::string out;
    std::vector<long long> at;
    std::size_t done = 0;
    for (std::size_t found = text_.find(from); found != std::string::npos; found = text_.find(from, done)) {
      out.append(text_, done, found - done);
      at.insert(at.end(), at_.begin() + static_cast<std::ptrdiff_t>(done),
                at_.begin() + static_cast<std::ptrdiff_t>(found));
      out.append(to);
      at.insert(at.end(), to.size(), -1);
      done = found + from.size();
      if (!every) break;
    }
    out.append(text_, done);
    at.insert(at.end(), at_.begin() + static_cast<std::ptrdiff_t>(done), at_.end());
    text_ = std::move(out);
    at_ = std::move(at);
  }

  // Origins given to the original's lines: not their numbers, so that a line
  // taken for another shows.
  static LineOrigins Start(std::string_view original) {
    LineOrigins origins = IdentityOrigins(original);
    for (std::uint32_t& o : origins) o = 7 + 3 * o;
    return origins;
  }

  // `origins` has one entry per line, never goes back, and gives each line
  // that is a whole line of the original, its line end and the line end
  // before it included, that line. (A line whose break before it was taken
  // and put back is one with the line it was joined to.)
  void ExpectOrigins(const LineOrigins& origins, const std::string& trace) const {
    ASSERT_EQ(origins.size(), IdentityOrigins(text_).size()) << trace;
    ASSERT_TRUE(std::is_sorted(origins.begin(), origins.end())) << trace;
    std::size_t line = 0;
    for (std::size_t begin = 0; begin < text_.size(); ++line) {
      const std::size_t end = text_.find('\n', begin);
      if (end == std::string::npos) break;
      if (IsWholeLine(begin, end)) {
        const std::size_t expected = std::count(original_.begin(), original_.begin() + at_[begin], '\n');
        ASSERT_EQ(origins[line], 7 + 3 * expected) << trace << ", line " << line;
      }
      begin = end + 1;
    }
  }

 private:
  bool IsWholeLine(std::size_t begin, std::size_t end) const {
    const long long first = at_[begin];
    if (first < 0 || (first > 0 && original_[first - 1] != '\n')) return false;
    if (begin == 0 ? first != 0 : at_[begin - 1] != first - 1) return false;
    for (std::size_t i = begin; i <= end; ++i)
      if (at_[i] != first + static_cast<long long>(i - begin)) return false;
    return true;
  }

  std::string original_;
  std::string text_;
  std::vector<long long> at_;
};

// The origins the engine and the plain rule report agree with the slow
// reference on random edits that add, split, join and drop lines.
// The bytes after a place, read in pieces, against a byte loop over the
// live text: the engine looks there for occurrences its edits made.
TEST(RewriteEngine, TextAfterAPlaceMatchesAByteLoop) {
  std::mt19937 random(17);
  const std::string alphabet = "ab\r\nx";
  auto random_text = [&](std::size_t n) {
    std::string t(n, 'a');
    for (char& c : t) c = alphabet[random() % alphabet.size()];
    return t;
  };
  for (int round = 0; round < 2000; ++round) {
    const std::string original = random_text(random() % 60);
    rewrite_detail::SplicedText live(original);
    std::vector<std::string> texts;
    texts.reserve(16);
    std::vector<rewrite_detail::PlaceKey> keys;
    for (std::size_t at = random() % 4; at < original.size() && texts.size() < 16; at += 1 + random() % 6) {
      texts.push_back(random_text(random() % 5));
      const bool insert = random() % 3 == 0;
      const std::size_t length = insert ? 0 : std::min<std::size_t>(random() % 4, original.size() - at);
      if (insert)
        live.Insert(at, &texts.back());
      else
        live.Replace(at, length, &texts.back());
      keys.push_back({at, !insert});
      at += length;
    }
    const std::string built = live.Build();
    // Where each place ends in the live text.
    std::size_t growth = 0, k = 0;
    for (const auto& splice : live.Splices()) {
      growth += splice.text.size() - splice.length;
      const std::size_t end = splice.at + splice.length + growth;
      const std::size_t limit = random() % 12;
      const bool at_break = random() % 2;
      const std::string stop = random() % 3 ? random_text(1 + random() % 3) : std::string();
      std::string expected;
      for (std::size_t i = end; i < built.size() && expected.size() < limit; ++i) {
        if (at_break && (built[i] == '\r' || built[i] == '\n')) break;
        expected += built[i];
        if (!stop.empty() && expected.size() >= stop.size() &&
            expected.compare(expected.size() - stop.size(), stop.size(), stop) == 0)
          break;
      }
      ASSERT_EQ(live.After(keys[k++], limit, at_break, stop), expected) << "round " << round;
    }
  }
}

TEST(RewriteEngine, OriginsFollowEveryEdit) {
  for (std::uint64_t seed = 1; seed <= 1200; ++seed) {
    Random random(seed);
    std::string text = Pieces(random, 5 + random.Below(300), /*line_breaks=*/true);
    if (seed % 10 == 0) text = GenerateScript({4'000, seed, 3, 300, 200});
    const std::vector<Edit> edits = RandomEdits(random, text, /*line_breaks=*/true);
    TaggedText reference(text);
    for (const Edit& edit : edits)
      if (edit.from != edit.to) reference.Replace(edit.from, edit.to, edit.kind == Edit::kEvery);
    for (bool plain : {false, true}) {
      std::string live = text;
      LineOrigins origins = TaggedText::Start(text);
      {
        EditWatch watch(live, origins);
        plain ? ApplyEditsPlainly(live, edits) : ApplyEditsInOnePass(live, edits);
      }
      ASSERT_EQ(live, reference.text()) << "seed " << seed;
      reference.ExpectOrigins(origins, "seed " + std::to_string(seed) + (plain ? " plain" : ""));
    }
  }
}

// The plain rule of ReplaceEachMatchAtLineStarts: per match, in order, every
// line of the live text that begins with it, looked for anew each time.
void ReferenceReplaceAtLineStarts(std::string& text, std::string_view pattern, MatchMode mode,
                                  const std::function<std::optional<std::string>(std::string_view)>& rewrite) {
  Matcher m(pattern, mode);
  for (bool found = m.First(text); found; found = m.Next()) {
    const std::string matched(m.Matched());
    std::optional<std::string> replacement = rewrite(matched);
    if (!replacement || *replacement == matched) continue;
    std::string out;
    std::size_t done = 0;
    for (std::size_t at = text.find(matched); at != std::string::npos; at = text.find(matched, at + 1)) {
      if (at < done || (at > 0 && text[at - 1] != '\r' && text[at - 1] != '\n')) continue;
      out.append(text, done, at - done);
      out += *replacement;
      done = at + matched.size();
    }
    out.append(text, done);
    text = std::move(out);
  }
}

TEST(RewriteEngine, LineStartRewritesMatchPlainRule) {
  for (std::uint64_t seed = 1; seed <= 1500; ++seed) {
    Random random(seed);
    std::string text = Pieces(random, 5 + random.Below(200), /*line_breaks=*/true);
    // Rewrites that make lines the same pattern finds again, and line breaks.
    auto rewrite = [&](std::string_view m) -> std::optional<std::string> {
      switch (m.size() % 4) {
        case 0: return std::nullopt;
        case 1: return std::string(m) + "\r\nab";
        case 2: return "x" + std::string(m.substr(1));
        default: return std::string("a");
      }
    };
    for (const char* pattern : {"^a.*?$", "^ab.*?$"}) {
      std::string plain = text, fast = text;
      ReferenceReplaceAtLineStarts(plain, pattern, MatchMode::kLine, rewrite);
      ReplaceEachMatchAtLineStarts(fast, pattern, MatchMode::kLine, rewrite);
      ASSERT_EQ(fast, plain) << "seed " << seed << " " << pattern;
    }
  }
}

// Declarations moved before "endglobals" one after another, as the global
// statements ask: one replacement keeps growing at its end while later edits
// look inside it. Names repeat and hold one another, declarations may hold
// "global" or another statement's text, and "endglobals" may stand twice.
TEST(RewriteEngine, GrowingReplacementMatchesPlainRule) {
  static const char* const kNames[] = {"a", "ab", "b1", "global", "global integer a", "x", "globalx"};
  for (std::uint64_t seed = 1; seed <= 400; ++seed) {
    Random random(seed);
    std::string text = "globals\r\ninteger n\r\nendglobals\r\nfunction f\r\n";
    std::vector<Edit> edits;
    const std::size_t count = 5 + random.Below(120);
    const std::size_t middle = random.Below(count);
    for (std::size_t i = 0; i < count; ++i) {
      std::string decl = std::string("integer ") + (i == 0 && seed % 3 == 2 ? "a" : kNames[random.Below(7)]);
      if (random.Below(3) == 0) decl += std::string(" = ") + kNames[random.Below(7)];
      const std::string statement = "global " + decl;
      text += statement + "\r\n";
      if (random.Below(10) == 0) text += "endglobals\r\n";
      edits.push_back({statement, "", Edit::kEvery});
      edits.push_back({"endglobals", decl + "\r\nendglobals", Edit::kEvery});
      // Changes to either end of the grown replacement that make a text a
      // last edit looks for stand across its edge.
      if (i == middle && seed % 3 == 1) edits.push_back({"endglobals", "endglobalz", Edit::kEvery});
      if (i == middle && seed % 3 == 2) edits.push_back({"integer a", "ZZ", Edit::kEvery});
    }
    text += "endfunction\r\n";
    if (seed % 3 == 1) edits.push_back({"lz\r\nfunction", "", Edit::kEvery});
    if (seed % 3 == 2) edits.push_back({"n\r\nZZ", "", Edit::kEvery});
    std::string plain = text, fast = text;
    ApplyEditsPlainly(plain, edits);
    ApplyEditsInOnePass(fast, edits);
    ASSERT_EQ(fast, plain) << "seed " << seed;
  }
}

// Bodies that all end in one terminator and share one length are found by
// hash once there are many of them; some repeat, some hold one another.
TEST(RewriteEngine, ManyBodiesOfOneLengthMatchPlainRule) {
  std::string text;
  std::vector<Edit> edits;
  for (int i = 0; i < 300; ++i) {
    const std::string number = std::to_string(100 + i % 250);
    const std::string body = "method M" + number + " takes nothing\r\nvar x\r\nendmethod";
    text += body + "\r\n";
    if (i % 7 == 0) text += "method Mx" + body + "\r\n";
    edits.push_back({body, "method M" + number + "\r\nlocal integer x\r\nendmethod", Edit::kEvery});
  }
  std::string plain = text, fast = text;
  ApplyEditsPlainly(plain, edits);
  ApplyEditsInOnePass(fast, edits);
  EXPECT_EQ(fast, plain);
}

TEST(RewriteEngine, EdgeCasesOfTheReplaceRule) {
  struct Case {
    const char* text;
    std::vector<Edit> edits;
    const char* expected;
  };
  const Case cases[] = {
      // Occurrences never overlap and the replacement is not searched again.
      {"aaaa", {{"aa", "a", Edit::kEvery}, {"zz", "z", Edit::kEvery}, {"yy", "", Edit::kEvery}}, "aa"},
      // A longer text holding the matched one changes with it.
      {"var x\r\nvar xy = 5\r\n",
       {{"var x", "local group x", Edit::kEvery},
        {"var xy = 5", "local integer xy = 5", Edit::kEvery},
        {"nothing", "", Edit::kEvery}},
       "local group x\r\nlocal group xy = 5\r\n"},
      // A deletion joins two stretches into a text a later edit looks for.
      {"a-b c ab", {{"-", "", Edit::kEvery}, {"ab", "X", Edit::kEvery}, {"c", "C", Edit::kEvery}}, "X C X"},
      // A replacement creates what a later edit replaces.
      {"p q r", {{"p", "r", Edit::kEvery}, {"q", "Q", Edit::kEvery}, {"r", "R", Edit::kFirst}}, "R Q r"},
      // Each moved declaration lands before the "endglobals" the previous one
      // brought along.
      {"globals\r\nendglobals\r\nglobal a\r\nglobal b\r\nglobal c\r\n",
       {{"global a", "", Edit::kEvery},
        {"endglobals", "a\r\nendglobals", Edit::kEvery},
        {"global b", "", Edit::kEvery},
        {"endglobals", "b\r\nendglobals", Edit::kEvery},
        {"global c", "", Edit::kEvery},
        {"endglobals", "c\r\nendglobals", Edit::kEvery}},
       "globals\r\na\r\nb\r\nc\r\nendglobals\r\n\r\n\r\n\r\n"},
      // A marker put in front of every "free a1" also stands before "free a10",
      // which its own edit then marks again.
      {"free a1\r\nfree a10\r\n",
       {{"free a1", "//!E:free a1", Edit::kEvery},
        {"free a10", "//!E:free a10", Edit::kEvery},
        {"nothing", "", Edit::kEvery}},
       "//!E:free a1\r\n//!E://!E:free a10\r\n"},
      // Deleting the first occurrence takes an earlier, longer line's text.
      {"//====\r\nx\r\n//==\r\n//==\r\n",
       {{"//====", "", Edit::kFirst}, {"//==", "", Edit::kFirst}, {"//==", "", Edit::kFirst}},
       "\r\nx\r\n\r\n\r\n"},
  };
  for (const Case& c : cases) {
    std::string plain = c.text, fast = c.text;
    ApplyEditsPlainly(plain, c.edits);
    ApplyEditsInOnePass(fast, c.edits);
    EXPECT_EQ(plain, c.expected) << c.text;
    EXPECT_EQ(fast, c.expected) << c.text;
  }
}

// Small generated scripts dense in extended statements, with few names, so
// that statements and bodies repeat and hold one another.
ScriptShape DenseShape(std::uint64_t seed) {
  ScriptShape shape;
  shape.target_bytes = 20'000;
  shape.seed = seed;
  shape.names = 2 + seed % 5;
  shape.extended_per_mille = 300;
  return shape;
}

// A rewrite of ReplaceEachMatch: its pattern and mode, and what each match becomes.
struct Pass {
  const char* pattern;
  MatchMode mode;
  std::function<std::optional<std::string>(std::string_view)> rewrite;
};

TEST(RewriteEngine, IdiomsMatchReferenceOnGeneratedScripts) {
  const Pass passes[] = {
      {"^var.*?$", MatchMode::kLine, [](std::string_view m) { return ReplaceAll(m, "var", "local integer"); }},
      {"flush.*?$", MatchMode::kLine, [](std::string_view m) { return ReplaceAll(m, "flush", "set") + " = null"; }},
      // Each "x1" line becomes a line a later match looks for.
      {"^.*?x1.*?$", MatchMode::kLine, [](std::string_view m) { return std::string(m) + "\r\nvar x2 = 1"; }},
      {"function.*?endfunction", MatchMode::kWholeText,
       [](std::string_view m) -> std::optional<std::string> {
         if (!Contains(m, "var ")) return std::nullopt;
         return ReplaceAll(m, "var ", "local integer ");
       }},
      {"until.*?$", MatchMode::kLine,
       [](std::string_view m) { return ReplaceAll(TrimView(m), "until", "exitwhen (") + ")\r\nendloop"; }},
  };
  for (std::uint64_t seed = 1; seed <= 40; ++seed) {
    const std::string script = GenerateScript(DenseShape(seed));
    for (const Pass& pass : passes) {
      std::string expected = script, actual = script;
      ReferenceReplaceEachMatch(expected, pass.pattern, pass.mode, pass.rewrite);
      ReplaceEachMatch(actual, pass.pattern, pass.mode, pass.rewrite);
      ASSERT_EQ(actual, expected) << pass.pattern << " seed " << seed;
    }
    std::string expected = script, actual = script;
    ReferenceDeleteFirstForEachMatch(expected, "//[^!].*?$", MatchMode::kDotAllMultiLine);
    DeleteFirstForEachMatch(actual, "//[^!].*?$", MatchMode::kDotAllMultiLine,
                            [](std::string_view m) { return std::string(m); });
    ASSERT_EQ(actual, expected) << "comments, seed " << seed;
  }
}

// The idioms report where their edits land: lines they add, split, join or
// drop on untidy generated scripts, against the slow reference.
TEST(RewriteEngine, IdiomsReportWhereTheirEditsLand) {
  const Pass passes[] = {
      {"^.*?x1.*?$", MatchMode::kLine, [](std::string_view m) { return std::string(m) + "\r\nvar x2 = 1"; }},
      {"until.*?$", MatchMode::kLine,
       [](std::string_view m) { return ReplaceAll(TrimView(m), "until", "exitwhen (") + ")\r\nendloop"; }},
      {"^[ \t]*\r\n", MatchMode::kDotAllMultiLine, [](std::string_view) { return std::string(); }},
      {"/\\*.*?\\*/", MatchMode::kWholeText, [](std::string_view) { return std::string(); }},
  };
  for (std::uint64_t seed = 1; seed <= 16; ++seed) {
    const std::string script = GenerateScript({8'000, seed, 2 + seed % 4, 300, 150});
    for (const Pass& pass : passes) {
      TaggedText reference(script);
      Matcher m(pass.pattern, pass.mode);
      for (bool found = m.First(script); found; found = m.Next())
        if (std::optional<std::string> to = pass.rewrite(m.Matched()); to && *to != m.Matched())
          reference.Replace(m.Matched(), *to, true);
      std::string live = script;
      LineOrigins origins = TaggedText::Start(script);
      {
        EditWatch watch(live, origins);
        ReplaceEachMatch(live, pass.pattern, pass.mode, pass.rewrite);
      }
      ASSERT_EQ(live, reference.text()) << pass.pattern;
      reference.ExpectOrigins(origins, std::string(pass.pattern) + " seed " + std::to_string(seed));
    }
    // Comments deleted where an equal text stands earlier.
    TaggedText reference(script);
    Matcher m("//[^!].*?$", MatchMode::kDotAllMultiLine);
    for (bool found = m.First(script); found; found = m.Next()) reference.Replace(m.Matched(), "", false);
    std::string live = script;
    LineOrigins origins = TaggedText::Start(script);
    {
      EditWatch watch(live, origins);
      DeleteFirstOccurrenceOfEachMatch(live, "//[^!].*?$", MatchMode::kDotAllMultiLine, "//",
                                       [](std::string_view) { return false; });
    }
    ASSERT_EQ(live, reference.text());
    reference.ExpectOrigins(origins, "comments, seed " + std::to_string(seed));
  }
}

// Passes that only touch lines holding "new" give the same text run on those
// lines alone, whatever the line ends; a pass that adds lines falls back.
TEST(RewriteEngine, RewriteLinesHoldingMatchesTheWholeTextPass) {
  auto rows = [](std::string& text) {
    for (const char* type : {"timer", "group", "trigger", "new"}) {
      ReplaceEachMatch(text, std::string("^.*?new.*?") + type + ".*?$", MatchMode::kLine,
                       [](std::string_view m) { return ReplaceAll(m, "new ", "") + " = Create()"; });
    }
  };
  auto adds_lines = [](std::string& text) {
    ReplaceEachMatch(text, "^.*?new.*?$", MatchMode::kLine,
                     [](std::string_view m) { return std::string(m) + "\r\nset x = 1"; });
  };
  const char* const kLineEnds[] = {"\r\n", "\n", "\r", "\n\r"};
  for (std::uint64_t seed = 1; seed <= 12; ++seed) {
    std::string script = ReplaceAll(GenerateScript(DenseShape(seed)), "\r\n", kLineEnds[seed % 4]);
    script += "local new timer t";  // a last line without a break
    ASSERT_TRUE(Contains(script, "new"));
    for (const auto& pass : {std::function<void(std::string&)>(rows), std::function<void(std::string&)>(adds_lines)}) {
      std::string expected = script, actual = script;
      pass(expected);
      RewriteLinesHolding(actual, "new", pass);
      ASSERT_TRUE(expected != script) << "seed " << seed;
      ASSERT_TRUE(actual == expected) << "seed " << seed;
    }
  }
}

TEST(RewriteEngine, CollapseWhitespaceOnALongLineMatchesReference) {
  Random random(7);
  static const char* const kPieces[] = {"a", "  ", "   ", "\t\t", " \t", "\f ", " ", "\t", "b  c"};
  for (int round = 0; round < 20; ++round) {
    std::string line;
    for (int i = 0; i < 3000; ++i) line += kPieces[random.Below(9)];
    ASSERT_EQ(CollapseWhitespace(line), ReferenceCollapse(line)) << "round " << round;
  }
}

Lines Preprocess(const std::string& script, bool plain) {
  std::optional<PlainRewritesForTesting> plain_rule;
  if (plain) plain_rule.emplace();
  NullProgress progress;
  Run run(progress);
  BuildLanguageTables(run);
  run.lines = SplitText(script);
  PreprocessScript(run);
  return SplitText(run.text);
}

TEST(RewriteEngine, WholePipelineMatchesPlainRule) {
  for (std::uint64_t seed = 1; seed <= 24; ++seed) {
    ScriptShape shape;
    shape.target_bytes = 60'000;
    shape.seed = seed;
    shape.names = seed % 3 == 0 ? 1'000'000 : 2 + seed % 7;  // repeated bodies and lines
    shape.extended_per_mille = 20 + static_cast<int>(seed % 4) * 100;
    const std::string script = GenerateScript(shape);
    ASSERT_EQ(Preprocess(script, false), Preprocess(script, true)) << "seed " << seed;
  }
}

TEST(RewriteEngine, PipelineMatchesPlainRuleOnCorpusScripts) {
  const std::string folder = std::string(ZARN_SOURCE_DIR) + "/../shared/corpus/scripts";
  Lines names;
  try {
    names = SplitText(ReadFileBytes(folder + "/Chosensero__warcraft3map__war3map.j"));
  } catch (const std::exception&) { GTEST_SKIP() << "corpus scripts not found in " << folder; }
  const std::string script = JoinLines(names);
  ASSERT_EQ(Preprocess(script, false), Preprocess(script, true));
}

}  // namespace
}  // namespace zarn
