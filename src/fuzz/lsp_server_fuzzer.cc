// The language server's reader and dispatcher on arbitrary bytes after an
// initialize: it ends, and everything it writes is framed JSON that reads
// back.
#include <cstddef>
#include <cstdint>
#include <string>

#include "lsp/server.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zarn::lsp;
  std::string input = Frame(R"({"jsonrpc":"2.0","id":0,"method":"initialize","params":{"capabilities":{}}})");
  input += Frame(R"({"jsonrpc":"2.0","method":"initialized","params":{}})");
  input.append(reinterpret_cast<const char*>(data), size);
  // The first byte chooses how the input arrives: whole or in small pieces.
  const std::size_t piece = size > 0 && (data[0] & 1) ? 1 + data[0] % 13 : 1 << 16;
  MemorySource in(std::move(input), piece);
  MemorySink out;
  // An API folder that does not exist and no imports followed: nothing is
  // read from the machine.
  WorkspaceOptions options;
  options.api_dir = "/nonexistent/zarn-fuzz-api";
  options.follow_imports = false;
  const int code = Serve(in, out, options);
  if (code != 0 && code != 1) __builtin_trap();
  MemorySource written(out.bytes());
  MessageReader reader(written);
  for (Incoming next = reader.Next(); next.kind != Incoming::Kind::kEnd; next = reader.Next())
    if (next.kind != Incoming::Kind::kMessage) __builtin_trap();
  return 0;
}
