// The full JASS check on arbitrary bytes, after a small API: it ends, gives
// the same problems twice, and its problems are in order at positions that
// exist.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "check/jass_api.h"
#include "check/jass_checker.h"

namespace {

// Types, natives, globals and a function of each kind the rules judge.
constexpr const char* kCommon =
    "type agent extends handle\ntype widget extends agent\ntype unit extends widget\n"
    "type trigger extends agent\n"
    "native KillUnit takes unit whichUnit returns nothing\n"
    "native GetTriggerUnit takes nothing returns unit\n"
    "native I2R takes integer i returns real\n"
    "native TriggerAddAction takes trigger t, code c returns nothing\n"
    "globals\nconstant real bj_PI = 3.14159\ninteger array bj_a\nstring bj_s = \"\"\nendglobals\n";
constexpr const char* kBlizzard =
    "function B takes integer i, real r returns boolean\nreturn I2R(i) > r\nendfunction\n";

std::size_t LineCount(std::string_view script) {
  std::size_t lines = 1;
  for (std::size_t i = 0; i < script.size(); ++i)
    if (script[i] == '\n' || (script[i] == '\r' && (i + 1 >= script.size() || script[i + 1] != '\n'))) ++lines;
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const zarn::JassApi api = zarn::JassApi::FromTexts(kCommon, kBlizzard, "common.j", "Blizzard.j");
  const std::string_view script(reinterpret_cast<const char*>(data), size);
  const zarn::JassCheckResult result = zarn::CheckJassProgram({{"war3map.j", script}}, &api);
  const std::size_t lines = LineCount(script);
  std::size_t previous = 1;
  for (const zarn::JassProblem& problem : result.problems) {
    if (problem.source != 0 || problem.line < previous || problem.line > lines || problem.column < 1 ||
        problem.column > size + 1 || problem.message.empty())
      __builtin_trap();
    previous = problem.line;
  }
  const zarn::JassCheckResult again = zarn::CheckJassProgram({{"war3map.j", script}}, &api);
  if (again.problems.size() != result.problems.size()) __builtin_trap();
  return 0;
}
