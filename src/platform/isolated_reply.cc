#include "platform/isolated_reply.h"

#include <cstdint>
#include <cstring>
#include <exception>

#include "platform/isolated_process.h"

namespace zarn {

namespace {

std::vector<const IsolatedTask*>& Registry() {
  static std::vector<const IsolatedTask*> tasks;
  return tasks;
}

}  // namespace

IsolatedTaskRegistration::IsolatedTaskRegistration(const IsolatedTask& task) { Registry().push_back(&task); }

const IsolatedTask* FindIsolatedTask(const std::string& name) {
  for (const IsolatedTask* task : Registry())
    if (name == task->name) return task;
  return nullptr;
}

IsolatedReply RunTaskCatching(const IsolatedTask& task, const std::vector<std::string>& args) {
  try {
    return task.run(args);
  } catch (const std::exception& e) { return {-1, e.what()}; } catch (...) {
    return {-1, std::string("the task ") + task.name + " failed"};
  }
}

// A 32-bit code, the 64-bit length of the text and the text, little-endian.
std::string EncodeReplyHeader(const IsolatedReply& reply) {
  const std::uint32_t code = static_cast<std::uint32_t>(reply.code);
  const std::uint64_t length = reply.text.size();
  std::string header(kReplyHeaderSize, '\0');
  for (int i = 0; i < 4; ++i) header[i] = static_cast<char>(code >> (8 * i));
  for (int i = 0; i < 8; ++i) header[4 + i] = static_cast<char>(length >> (8 * i));
  return header;
}

std::uint64_t ReplyTextLength(const std::string& bytes) {
  std::uint64_t length = 0;
  for (int i = 7; i >= 0; --i) length = length << 8 | static_cast<unsigned char>(bytes[4 + i]);
  return length;
}

bool IsWholeReply(const std::string& bytes) {
  return bytes.size() >= kReplyHeaderSize && bytes.size() - kReplyHeaderSize == ReplyTextLength(bytes);
}

IsolatedReply DecodeReply(std::string& bytes) {
  const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
  IsolatedReply reply;
  reply.code = static_cast<int>(std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 |
                                std::uint32_t(b[3]) << 24);
  reply.text = std::move(bytes.erase(0, kReplyHeaderSize));
  return reply;
}

std::string TimeLimitReason(std::chrono::milliseconds limit) {
  const auto seconds = (limit.count() + 999) / 1000;
  return "no answer within " + std::to_string(seconds) + (seconds == 1 ? " second" : " seconds");
}

}  // namespace zarn
