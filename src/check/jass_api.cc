#include "check/jass_api.h"

#include <map>
#include <mutex>

#include "check/jass_builtin_api.h"
#include "check/jass_checker.h"
#include "check/jass_semantics.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/paths.h"

namespace zarn {

struct JassApi::Data {
  std::string common, blizzard;
  std::string patch;
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

JassApi JassApi::Builtin(const std::string& patch) {
  // The tables never change: each is rendered and read once for the
  // program's life, whichever run asks first.
  static std::mutex mutex;
  static std::map<std::string, std::shared_ptr<const Data>> built;
  const std::lock_guard<std::mutex> lock(mutex);
  std::shared_ptr<const Data>& data = built[patch];
  if (!data) {
    const std::string_view table = BuiltinTable(patch);
    if (table.empty()) throw Error("no built-in API of patch " + patch);
    auto fresh = std::make_shared<Data>();
    fresh->common = RenderDeclarations(table, "The game's API of patch " + patch);
    fresh->patch = patch;
    fresh->sources = {{BuiltinSourceName(patch), fresh->common}};
    fresh->problems = jass::CheckSources(fresh->sources, fresh->table).problems;
    data = std::move(fresh);
  }
  return JassApi(data);
}

bool JassApi::FoundIn(const std::string& dir) {
  return IsRegularFile(PathJoin(dir, kCommonName)) && IsRegularFile(PathJoin(dir, kBlizzardName));
}

const std::vector<JassSource>& JassApi::sources() const { return data_->sources; }
const std::vector<JassProblem>& JassApi::problems() const { return data_->problems; }
const jass::SymbolTable& JassApi::table() const { return data_->table; }
const std::string& JassApi::patch() const { return data_->patch; }

}  // namespace zarn
