// Placeholder until this unit is written.
#include "normalise.h"
namespace zarn {
void NormaliseSpaces(Lines&) {}
void RemoveComments(std::string&) {}
void RemoveEmptyLines(Lines&) {}
}  // namespace zarn
