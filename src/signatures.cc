// Placeholder until this unit is written.
#include "signatures.h"
namespace zarn {
void RegisterUserSignatures(Run&) {}
}  // namespace zarn
