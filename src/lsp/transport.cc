#include "lsp/transport.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace zarn::lsp {

namespace {

bool IEquals(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
  return text;
}

// The Content-Length of a header block, or npos when it has none that reads
// as a number.
std::size_t ContentLength(std::string_view headers) {
  std::size_t length = std::string_view::npos;
  while (!headers.empty()) {
    const std::size_t end = std::min(headers.find('\n'), headers.size());
    const std::string_view line = headers.substr(0, end);
    headers.remove_prefix(std::min(end + 1, headers.size()));
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos || !IEquals(Trim(line.substr(0, colon)), "Content-Length")) continue;
    const std::string_view value = Trim(line.substr(colon + 1));
    if (value.empty() || value.size() > 12) return std::string_view::npos;
    std::size_t number = 0;
    for (char c : value) {
      if (c < '0' || c > '9') return std::string_view::npos;
      number = number * 10 + static_cast<std::size_t>(c - '0');
    }
    length = number;
  }
  return length;
}

}  // namespace

std::size_t MemorySource::Read(char* buffer, std::size_t size) {
  const std::size_t count = std::min({size, piece_, bytes_.size() - at_});
  std::memcpy(buffer, bytes_.data() + at_, count);
  at_ += count;
  return count;
}

bool MessageReader::Fill(std::size_t size) {
  while (buffer_.size() - at_ < size) {
    if (ended_) return false;
    char chunk[1 << 16];
    const std::size_t got = source_.Read(chunk, sizeof chunk);
    if (got == 0) {
      ended_ = true;
      return false;
    }
    buffer_.append(chunk, got);
  }
  return true;
}

std::size_t MessageReader::HeaderEnd() const {
  // A blank line ends the headers; clients write CR LF, a bare LF is taken too.
  for (std::size_t i = at_; i < buffer_.size(); ++i) {
    if (buffer_[i] != '\n') continue;
    if (i + 1 < buffer_.size() && buffer_[i + 1] == '\n') return i + 2;
    if (i + 2 < buffer_.size() && buffer_[i + 1] == '\r' && buffer_[i + 2] == '\n') return i + 3;
  }
  return std::string::npos;
}

void MessageReader::Compact() {
  if (at_ > (1 << 16) && at_ * 2 > buffer_.size()) {
    buffer_.erase(0, at_);
    at_ = 0;
    // What a large message needed is given back once it is read.
    if (buffer_.capacity() > (std::size_t{1} << 20) && buffer_.capacity() > 4 * buffer_.size()) buffer_.shrink_to_fit();
  }
}

bool MessageReader::HasWaitingMessage() const {
  const std::size_t end = HeaderEnd();
  if (end == std::string::npos) return false;
  const std::size_t length = ContentLength(std::string_view(buffer_).substr(at_, end - at_));
  return length == std::string_view::npos || buffer_.size() - end >= length;
}

Incoming MessageReader::Next() {
  Compact();
  // Blank lines between messages are skipped.
  while (true) {
    if (!Fill(1)) return {};
    if (buffer_[at_] != '\r' && buffer_[at_] != '\n') break;
    ++at_;
  }
  std::size_t end;
  while ((end = HeaderEnd()) == std::string::npos) {
    if (buffer_.size() - at_ > kMaxHeader) {
      at_ = buffer_.size();
      return {Incoming::Kind::kUnreadable, {}, "the header is too long"};
    }
    if (!Fill(buffer_.size() - at_ + 1)) {
      at_ = buffer_.size();
      return {Incoming::Kind::kUnreadable, {}, "the input ended inside a header"};
    }
  }
  const std::size_t length = ContentLength(std::string_view(buffer_).substr(at_, end - at_));
  at_ = end;
  if (length == std::string_view::npos) return {Incoming::Kind::kUnreadable, {}, "no Content-Length header"};
  return ReadBody(length);
}

Incoming MessageReader::ReadBody(std::size_t length) {
  if (length > kMaxBody) {
    // Skipped piece by piece, so that it is never held whole.
    while (length > 0 && Fill(1)) {
      const std::size_t take = std::min(length, buffer_.size() - at_);
      at_ += take;
      length -= take;
      Compact();
    }
    return {Incoming::Kind::kUnreadable, {}, "the message is too long"};
  }
  if (!Fill(length)) {
    at_ = buffer_.size();
    return {Incoming::Kind::kUnreadable, {}, "the input ended inside a message"};
  }
  const std::string_view body(buffer_.data() + at_, length);
  at_ += length;
  Json message = Json::parse(body, nullptr, false);
  if (message.is_discarded()) return {Incoming::Kind::kUnreadable, {}, "the message is not JSON"};
  return {Incoming::Kind::kMessage, std::move(message), {}};
}

std::string Frame(std::string_view body) {
  std::string framed = "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
  framed.append(body);
  return framed;
}

bool MessageWriter::SendBody(std::string_view body) {
  return sink_.Write("Content-Length: " + std::to_string(body.size()) + "\r\n\r\n") && sink_.Write(body);
}

bool MessageWriter::SendResult(const Json& id, std::string_view result) {
  std::string body = "{\"id\":" + Dump(id) + ",\"jsonrpc\":\"2.0\",\"result\":";
  body.reserve(body.size() + result.size() + 1);
  body.append(result).append("}");
  return SendBody(body);
}

Json ErrorResponse(const Json& id, int code, std::string_view message) {
  return {{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", std::string(message)}}}};
}

Json Response(const Json& id, Json result) { return {{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(result)}}; }

Json Notification(std::string_view method, Json params) {
  return {{"jsonrpc", "2.0"}, {"method", std::string(method)}, {"params", std::move(params)}};
}

}  // namespace zarn::lsp
