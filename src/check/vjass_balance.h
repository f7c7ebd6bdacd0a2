// The check of a script that holds vJass: literals are closed and blocks
// are balanced; the rest of vJass is not judged.
#pragma once

#include <string_view>
#include <vector>

#include "check/jass_checker.h"

namespace zarn::jass {

void CheckVJassBalance(std::string_view script, std::vector<JassProblem>& problems);

}  // namespace zarn::jass
