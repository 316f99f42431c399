// MessageChannel: the framing on the translation worker's socket, the same at both ends:
// a 4-byte little-endian length, then the message. Reads give up at a deadline; writes
// never raise SIGPIPE. What the messages hold is TranslationCodec's business, not this.
#pragma once
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace channel {

inline constexpr uint32_t kMaxMessage = 64u << 20;

enum class ReadResult { Ok, Closed, TimedOut, TooLarge };

// False when the other end is gone or the message is over kMaxMessage.
bool Send(int fd, std::string_view message);
ReadResult Receive(int fd, std::string& message, std::chrono::steady_clock::time_point deadline);

} // namespace channel
