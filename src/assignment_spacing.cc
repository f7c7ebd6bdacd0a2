// Placeholder until this unit is written.
#include "assignment_spacing.h"
namespace zarn {
void FixAssignmentSpacing(std::string&) {}
}  // namespace zarn
