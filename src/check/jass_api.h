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
