// Placeholder until this unit is written.
#include "raw_blocks.h"
namespace zarn {
void SplitRawBlocks(Run&) {}
void JoinRawBlocks(Run&) {}
}  // namespace zarn
