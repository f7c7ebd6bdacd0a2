// JSON-RPC 2.0 messages framed by a Content-Length header, read from and
// written to byte streams. Nothing here knows the language server protocol.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "lsp/json.h"

namespace zarn::lsp {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Some bytes, at most `size`, waiting for them when none are there; 0 at
  // the end of the stream.
  virtual std::size_t Read(char* buffer, std::size_t size) = 0;
};

class ByteSink {
 public:
  virtual ~ByteSink() = default;
  // False when the bytes could not be written.
  virtual bool Write(std::string_view bytes) = 0;
};

// A source over bytes in memory, for tests and the fuzz target: it hands
// them out in pieces of at most `piece` bytes.
class MemorySource : public ByteSource {
 public:
  explicit MemorySource(std::string bytes, std::size_t piece = 1 << 16) : bytes_(std::move(bytes)), piece_(piece) {}
  std::size_t Read(char* buffer, std::size_t size) override;

 private:
  std::string bytes_;
  std::size_t at_ = 0, piece_;
};

class MemorySink : public ByteSink {
 public:
  bool Write(std::string_view bytes) override {
    bytes_.append(bytes);
    return true;
  }
  const std::string& bytes() const { return bytes_; }

 private:
  std::string bytes_;
};

struct Incoming {
  enum class Kind { kMessage, kUnreadable, kEnd };
  Kind kind = Kind::kEnd;
  Json message;       // kMessage: a JSON value (not necessarily an object)
  std::string error;  // kUnreadable: what was wrong with it
};

class MessageReader {
 public:
  // Bodies longer than this are skipped as unreadable.
  static constexpr std::size_t kMaxBody = std::size_t{256} << 20;
  // Header blocks longer than this are skipped as unreadable.
  static constexpr std::size_t kMaxHeader = 1 << 16;

  explicit MessageReader(ByteSource& source) : source_(source) {}

  // The next message. A header without a usable Content-Length, or a body
  // that is not JSON, is kUnreadable, and reading goes on after it.
  Incoming Next();
  // True when a whole message has been read from the stream already and is
  // waiting: reading it will not wait for the writer.
  bool HasWaitingMessage() const;

 private:
  // Fills the buffer until it holds `size` bytes from `at_`; false at the end.
  bool Fill(std::size_t size);
  // The header block's end (after its blank line) from at_, or npos.
  std::size_t HeaderEnd() const;
  Incoming ReadBody(std::size_t length);
  void Compact();

  ByteSource& source_;
  std::string buffer_;
  std::size_t at_ = 0;
  bool ended_ = false;
};

// Content-Length header and body.
std::string Frame(std::string_view body);

class MessageWriter {
 public:
  explicit MessageWriter(ByteSink& sink) : sink_(sink) {}
  bool Send(const Json& message) { return SendBody(Dump(message)); }
  // A response whose result is JSON text written already (a large one,
  // never held as a tree).
  bool SendResult(const Json& id, std::string_view result);

 private:
  // The header, then the body: a large body is not copied into a frame.
  bool SendBody(std::string_view body);

 public:
 private:
  ByteSink& sink_;
};

// The JSON-RPC error codes used here.
inline constexpr int kParseError = -32700;
inline constexpr int kInvalidRequest = -32600;
inline constexpr int kMethodNotFound = -32601;
inline constexpr int kInvalidParams = -32602;
inline constexpr int kInternalError = -32603;
inline constexpr int kServerNotInitialized = -32002;
inline constexpr int kRequestFailed = -32803;

Json ErrorResponse(const Json& id, int code, std::string_view message);
Json Response(const Json& id, Json result);
Json Notification(std::string_view method, Json params);

}  // namespace zarn::lsp
