// Errors that end a run. Each carries the text shown to the user.
#pragma once

#include <stdexcept>
#include <string>

namespace zarn {

class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A working file or script file that cannot be read or written.
class FileError : public Error {
 public:
  using Error::Error;
};

}  // namespace zarn
