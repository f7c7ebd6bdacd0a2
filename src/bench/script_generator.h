// Deterministic, seeded map scripts in the style the map editor writes, with a
// sprinkling of the extended syntax, for benchmarks and comparison tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zarn {

struct ScriptShape {
  std::size_t target_bytes = 1 << 20;  // stops after the trigger that passes this
  std::uint64_t seed = 1;
  // Number of distinct trigger and variable names; small values give
  // identical bodies, repeated lines and names that are prefixes of others.
  std::size_t names = 1'000'000;
  // Out of 1000 statement slots, how many hold extended syntax.
  int extended_per_mille = 30;
  // Out of 1000 statement slots, how many hold the untidy shapes of real
  // scripts: long runs of blank, blank-and-tab and tab-only lines, block
  // comments and closed mount blocks; with any, some functions end with a
  // comment glued to "endfunction".
  int untidy_per_mille = 0;
};

// CR LF line ends throughout.
std::string GenerateScript(const ScriptShape& shape);

}  // namespace zarn
