#include "passes/signatures.h"

#include "text/matcher.h"
#include "text/text.h"

namespace zarn {

namespace {

// The text after the first "returns" and the byte after it; without
// "returns", from the 8th character on.
std::string_view ReturnTypeOf(std::string_view declaration, const KeywordRule& rule) {
  return TrimView(CopyView(declaration, static_cast<long long>(rule.Pos("returns", declaration)) + 8,
                           static_cast<long long>(declaration.size())));
}

// From the byte after `keyword` up to, not including, the byte just before
// the first "takes"; empty without "takes". By letters the keyword is taken
// to begin the line; by words it is the first whole word `keyword`.
std::string_view NameOf(std::string_view declaration, std::string_view keyword, const KeywordRule& rule) {
  long long takes = static_cast<long long>(rule.Pos("takes", declaration));
  long long at = rule.words() ? static_cast<long long>(rule.Pos(keyword, declaration)) : 1;
  long long start = at + static_cast<long long>(keyword.size());
  return TrimView(CopyView(declaration, start, takes - start - 1));
}

void Register(Run& run, std::string_view name, std::string_view type) {
  run.return_types.Append(std::string(name), std::string(type));
  run.progress.SetFunctionName(name, /*pump=*/false);
}

}  // namespace

void RegisterUserSignatures(Run& run) {
  run.progress.SetProgress("Finding user functions: WORKING...", 70);
  const KeywordRule& rule = run.keywords;
  Matcher functions(rule.Statement("function"), MatchMode::kLine);
  for (bool found = functions.Scan(run.text); found; found = functions.Next()) {
    std::string_view declaration = TrimView(functions.Matched());
    const std::string_view type = ReturnTypeOf(declaration, rule);
    if (type == "nothing") continue;
    Register(run, NameOf(declaration, "function", rule), type);
  }

  run.progress.SetProgress("Finding user methods: WORKING...", 70);
  Matcher methods("^.*?" + rule.InPattern("method") + ".*?$", MatchMode::kLine);
  for (bool found = methods.Scan(run.text); found; found = methods.Next()) {
    std::string_view line = methods.Matched();
    if (rule.Contains(line, "endmethod") || rule.Contains(line, "call")) continue;
    std::string_view declaration = TrimView(line);
    const std::string_view type = ReturnTypeOf(declaration, rule);
    if (type == "nothing") continue;
    Register(run, NameOf(declaration, "method", rule), type);
  }
}

}  // namespace zarn
