// The game's API: the user's own common.j and Blizzard.j, read and checked
// once, their declarations kept as the symbol tables every full check
// starts from.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "check/jass_checker.h"

namespace zarn {

namespace jass {
struct SymbolTable;
}

class JassApi {
 public:
  static constexpr const char* kCommonName = "common.j";
  static constexpr const char* kBlizzardName = "Blizzard.j";

  // Reads DIR/common.j and DIR/Blizzard.j; throws FileError when one cannot
  // be read.
  static JassApi Load(const std::string& dir);
  // From the texts; `common_name` and `blizzard_name` name them in problems.
  static JassApi FromTexts(std::string common, std::string blizzard, std::string common_name,
                           std::string blizzard_name);
  // True when `dir` holds both files.
  static bool FoundIn(const std::string& dir);
  // The built-in table of `patch` (one of BuiltinPatches(),
  // jass_builtin_api.h) as one source, BuiltinSourceName(patch), rendered
  // and read once per patch and then shared; throws Error for another patch.
  static JassApi Builtin(const std::string& patch);
  static std::string BuiltinSourceName(const std::string& patch) { return "zarn-api-" + patch + ".j"; }

  // The patch of a built-in API; empty for the user's files.
  const std::string& patch() const;

  // The two files as sources: their names and texts.
  const std::vector<JassSource>& sources() const;
  // The files' own problems, `source` indexing sources().
  const std::vector<JassProblem>& problems() const;
  const jass::SymbolTable& table() const;

 private:
  struct Data;
  explicit JassApi(std::shared_ptr<const Data> data) : data_(std::move(data)) {}
  std::shared_ptr<const Data> data_;
};

}  // namespace zarn
