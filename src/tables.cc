// Placeholder until this unit is written.
#include "tables.h"
namespace zarn {
ReturnTypeTable ReturnTypeTable::BuiltIn() { return {}; }
}  // namespace zarn
