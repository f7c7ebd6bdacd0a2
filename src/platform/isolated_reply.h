// What the two sides of an isolated process share on every system: the task
// registry and the form of a reply.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/isolated_process.h"

namespace zarn {

constexpr std::size_t kReplyHeaderSize = 12;

// The registered task of that name, or null.
const IsolatedTask* FindIsolatedTask(const std::string& name);
// Runs the task; an exception becomes a reply with code -1 and its message.
IsolatedReply RunTaskCatching(const IsolatedTask& task, const std::vector<std::string>& args);

std::string EncodeReplyHeader(const IsolatedReply& reply);
// The text length a reply's first bytes announce; needs the whole header.
std::uint64_t ReplyTextLength(const std::string& bytes);
// True when `bytes` hold a header and exactly the text it announces.
bool IsWholeReply(const std::string& bytes);
// The reply in `bytes`, which must be whole; takes the bytes over.
IsolatedReply DecodeReply(std::string& bytes);

// "no answer within N seconds", N rounded up.
std::string TimeLimitReason(std::chrono::milliseconds limit);

}  // namespace zarn
