#include "render/gl/shader/MessageChannel.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <sys/socket.h>

namespace channel {
namespace {

using Clock = std::chrono::steady_clock;

bool SendAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

ReadResult ReceiveAll(int fd, char* data, size_t size, Clock::time_point deadline)
{
    while (size > 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return ReadResult::TimedOut;
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(std::min<long long>(left, 1000)));
        if (ready < 0 && errno != EINTR)
            return ReadResult::Closed;
        if (ready <= 0)
            continue;
        const ssize_t n = ::recv(fd, data, size, 0);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n <= 0)
            return ReadResult::Closed;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return ReadResult::Ok;
}

} // namespace

bool Send(int fd, std::string_view message)
{
    if (message.size() > kMaxMessage)
        return false;
    char length[4];
    for (int i = 0; i < 4; ++i)
        length[i] = static_cast<char>((message.size() >> (8 * i)) & 0xFF);
    return SendAll(fd, length, 4) && SendAll(fd, message.data(), message.size());
}

ReadResult Receive(int fd, std::string& message, Clock::time_point deadline)
{
    unsigned char header[4];
    ReadResult read = ReceiveAll(fd, reinterpret_cast<char*>(header), 4, deadline);
    if (read != ReadResult::Ok)
        return read;
    const uint32_t size = header[0] | header[1] << 8 | header[2] << 16 | static_cast<uint32_t>(header[3]) << 24;
    if (size > kMaxMessage)
        return ReadResult::TooLarge;
    message.assign(size, '\0');
    return ReceiveAll(fd, message.data(), size, deadline);
}

} // namespace channel
