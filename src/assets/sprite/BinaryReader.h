// Reads a whole file into memory and hands out little-endian fields front to
// back, each read checked against the end of the data before anything is
// copied. It does not know the sprite font layout.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace DirectX {

class BinaryReader {
public:
    // Reads the whole file (a Windows-style path is resolved first). A file that
    // cannot be opened or read, is not a regular file, or is 4 GiB or larger
    // raises "BinaryReader".
    explicit BinaryReader(const std::string& fileName);
    // Reads from memory the caller keeps alive.
    BinaryReader(const uint8_t* data, size_t size);

    // count items of itemSize bytes at the current position; returns where they
    // start. count * itemSize wrapping raises std::overflow_error "ReadArray";
    // passing the end of the data raises "End of file".
    const uint8_t* ReadArray(size_t count, size_t itemSize);

    uint8_t ReadU8() { return *ReadArray(1, 1); }
    uint32_t ReadU32();
    float ReadFloat();

    size_t Position() const { return m_nPos; }
    size_t Size() const { return m_nSize; }

    static uint32_t DecodeU32(const uint8_t* bytes);
    static float DecodeFloat(const uint8_t* bytes);

private:
    std::unique_ptr<uint8_t[]> m_Owned;
    const uint8_t* m_pData = nullptr;
    size_t m_nSize = 0;
    size_t m_nPos = 0;
};

} // namespace DirectX
