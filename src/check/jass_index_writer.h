// Fills a JassIndex while a full check reads a program: the declarations as
// they are made, and each use looked up by the names visible where it stands.
#pragma once

#include <string_view>

#include "check/jass_index.h"

namespace zarn::jass {

class IndexWriter {
 public:
  IndexWriter(JassIndex& index, bool uses) : index_(index), uses_(uses) {}

  void SetSource(std::size_t source) { source_ = source; }
  void BeginFunction(std::string_view name);
  void EndFunction() {
    function_.clear();
    locals_.clear();
  }
  // `declaration` without its source, which the writer knows.
  void Declare(JassDeclaration declaration);
  void Use(std::string_view name, std::size_t line, std::size_t column, bool type);

 private:
  JassIndex& index_;
  bool uses_;
  std::size_t source_ = 0;
  std::string function_;
  NameTable<std::size_t> locals_, top_level_, types_;
};

}  // namespace zarn::jass
