// Whole-file reading with POSIX calls, and bounds-checked field reads.
#include "assets/sprite/BinaryReader.h"

#include "assets/FilePath.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace DirectX {
namespace {
constexpr uint64_t kMaxFileSize = 0xFFFFFFFFull; // 4 GiB and larger is refused

[[noreturn]] void Fail() { throw std::runtime_error("BinaryReader"); }

struct FileHandle {
    int fd;
    ~FileHandle()
    {
        if (fd >= 0)
            ::close(fd);
    }
};
} // namespace

BinaryReader::BinaryReader(const std::string& fileName)
{
    // Non-blocking so that opening a FIFO returns at once; it is refused below.
    FileHandle file{::open(ResolvePath(fileName).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)};
    if (file.fd < 0)
        Fail();
    struct stat st;
    // Only regular files: a FIFO or device would block or never end.
    if (::fstat(file.fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0 ||
        static_cast<uint64_t>(st.st_size) >= kMaxFileSize)
        Fail();
    const size_t size = static_cast<size_t>(st.st_size);
    m_Owned = std::make_unique_for_overwrite<uint8_t[]>(size == 0 ? 1 : size);
    size_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(file.fd, m_Owned.get() + got, size - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            Fail(); // fewer bytes than the file claimed
        got += static_cast<size_t>(n);
    }
    m_pData = m_Owned.get();
    m_nSize = size;
}

BinaryReader::BinaryReader(const uint8_t* data, size_t size) : m_pData(data), m_nSize(data ? size : 0) {}

const uint8_t* BinaryReader::ReadArray(size_t count, size_t itemSize)
{
    size_t total = 0;
    if (__builtin_mul_overflow(count, itemSize, &total) || total > SIZE_MAX - m_nPos)
        throw std::overflow_error("ReadArray");
    if (total > m_nSize - m_nPos)
        throw std::runtime_error("End of file");
    const uint8_t* start = m_pData + m_nPos;
    m_nPos += total;
    return start;
}

uint32_t BinaryReader::DecodeU32(const uint8_t* b)
{
    return static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 | static_cast<uint32_t>(b[2]) << 16 |
           static_cast<uint32_t>(b[3]) << 24;
}

float BinaryReader::DecodeFloat(const uint8_t* b)
{
    const uint32_t bits = DecodeU32(b);
    float value;
    std::memcpy(&value, &bits, sizeof(value));
    return value;
}

uint32_t BinaryReader::ReadU32() { return DecodeU32(ReadArray(1, 4)); }

float BinaryReader::ReadFloat() { return DecodeFloat(ReadArray(1, 4)); }

} // namespace DirectX
