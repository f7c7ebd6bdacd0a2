#pragma once

#include "platform/errors.h"

namespace zarn {

// A pattern search or a rewrite that exceeded its work limits: the run ends
// with "Script too complex to process" instead of running on without end.
class MatchLimitError : public Error {
 public:
  MatchLimitError() : Error("match limit exceeded") {}
};

}  // namespace zarn
