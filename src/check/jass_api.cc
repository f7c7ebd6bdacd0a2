#include "check/jass_api.h"

#include "check/jass_checker.h"
#include "check/jass_semantics.h"
#include "platform/files.h"
#include "platform/paths.h"

namespace zarn {

struct JassApi::Data {
  std::string common, blizzard;
  std::vector<JassSource> sources;
  std::vector<JassProblem> problems;
  jass::SymbolTable table;
};

JassApi JassApi::FromTexts(std::string common, std::string blizzard, std::string common_name,
                           std::string blizzard_name) {
  auto data = std::make_shared<Data>();
  data->common = std::move(common);
  data->blizzard = std::move(blizzard);
  data->sources = {{std::move(common_name), data->common}, {std::move(blizzard_name), data->blizzard}};
  data->problems = jass::CheckSources(data->sources, data->table).problems;
  return JassApi(std::move(data));
}

JassApi JassApi::Load(const std::string& dir) {
  const std::string common = PathJoin(dir, kCommonName), blizzard = PathJoin(dir, kBlizzardName);
  return FromTexts(ReadFileBytes(common), ReadFileBytes(blizzard), common, blizzard);
}

bool JassApi::FoundIn(const std::string& dir) {
  return IsRegularFile(PathJoin(dir, kCommonName)) && IsRegularFile(PathJoin(dir, kBlizzardName));
}

const std::vector<JassSource>& JassApi::sources() const { return data_->sources; }
const std::vector<JassProblem>& JassApi::problems() const { return data_->problems; }
const jass::SymbolTable& JassApi::table() const { return data_->table; }

}  // namespace zarn
