// Container sniffing and the PNG, JPEG (Exif) and BMP header readers.
#include "assets/ImageMetadata.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

uint16_t Be16(const uint8_t* p) { return uint16_t(p[0] << 8 | p[1]); }
uint32_t Be32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }
uint16_t Le16(const uint8_t* p) { return uint16_t(p[1] << 8 | p[0]); }
uint32_t Le32(const uint8_t* p) { return uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0]; }

bool StartsWith(const uint8_t* data, size_t size, const char* magic, size_t length)
{
    return size >= length && std::memcmp(data, magic, length) == 0;
}

const uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// A TIFF block (the body of an Exif segment) in either byte order, every read bounds-checked.
class CTiffReader {
public:
    CTiffReader(const uint8_t* data, size_t size) : m_pData(data), m_nSize(size) {}

    bool Init()
    {
        if (m_nSize < 8)
            return false;
        if (m_pData[0] == 'I' && m_pData[1] == 'I')
            m_bBigEndian = false;
        else if (m_pData[0] == 'M' && m_pData[1] == 'M')
            m_bBigEndian = true;
        else
            return false;
        return U16(2) == 42;
    }
    uint32_t FirstIfd() const { return U32(4); }

    // Finds tag in the IFD at offset; gives the entry's offset.
    bool FindTag(uint32_t ifd, uint16_t tag, size_t& entry) const
    {
        if (!Fits(ifd, 2))
            return false;
        const uint16_t count = U16(ifd);
        for (uint32_t i = 0; i < count; ++i) {
            const size_t at = size_t(ifd) + 2 + size_t(i) * 12;
            if (!Fits(at, 12))
                return false;
            if (U16(at) == tag) {
                entry = at;
                return true;
            }
        }
        return false;
    }
    uint16_t U16(size_t at) const { return m_bBigEndian ? Be16(m_pData + at) : Le16(m_pData + at); }
    uint32_t U32(size_t at) const { return m_bBigEndian ? Be32(m_pData + at) : Le32(m_pData + at); }

private:
    bool Fits(size_t at, size_t length) const { return at <= m_nSize && length <= m_nSize - at; }

    const uint8_t* m_pData;
    size_t m_nSize;
    bool m_bBigEndian = false;
};

enum : uint16_t { TIFF_SHORT = 3, TIFF_LONG = 4, TIFF_IFD = 13 };
enum : uint16_t { TAG_EXIF_IFD = 0x8769, TAG_COLOR_SPACE = 0xA001 };

int ExifColorSpace(const uint8_t* data, size_t size)
{
    CTiffReader tiff(data, size);
    if (!tiff.Init())
        return -1;
    size_t entry = 0;
    if (!tiff.FindTag(tiff.FirstIfd(), TAG_EXIF_IFD, entry))
        return -1;
    const uint16_t type = tiff.U16(entry + 2);
    if ((type != TIFF_LONG && type != TIFF_IFD) || tiff.U32(entry + 4) != 1)
        return -1;
    if (!tiff.FindTag(tiff.U32(entry + 8), TAG_COLOR_SPACE, entry))
        return -1;
    if (tiff.U16(entry + 2) != TIFF_SHORT || tiff.U32(entry + 4) != 1)
        return -1;
    return tiff.U16(entry + 8);
}

} // namespace

ImageContainer SniffImageContainer(const uint8_t* data, size_t size)
{
    if (StartsWith(data, size, reinterpret_cast<const char*>(kPngSignature), 8))
        return ImageContainer::Png;
    if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF)
        return ImageContainer::Jpeg;
    if (StartsWith(data, size, "BM", 2))
        return ImageContainer::Bmp;
    if (StartsWith(data, size, "GIF87a", 6) || StartsWith(data, size, "GIF89a", 6))
        return ImageContainer::Gif;
    if (StartsWith(data, size, "#?RADIANCE\n", 11) || StartsWith(data, size, "#?RGBE\n", 7))
        return ImageContainer::Hdr;
    return ImageContainer::Unknown;
}

bool ReadPngHeader(const uint8_t* data, size_t size, PngHeader& header)
{
    header = PngHeader{};
    if (!StartsWith(data, size, reinterpret_cast<const char*>(kPngSignature), 8))
        return false;
    size_t at = 8;
    bool first = true;
    while (size - at >= 12) {
        const uint32_t length = Be32(data + at);
        const uint8_t* type = data + at + 4;
        const uint8_t* body = data + at + 8;
        if (length > size - at - 12)
            return false;
        if (first) {
            if (std::memcmp(type, "IHDR", 4) != 0 || length != 13)
                return false;
            header.width = Be32(body);
            header.height = Be32(body + 4);
            header.bitDepth = body[8];
            header.colourType = body[9];
            first = false;
        } else if (std::memcmp(type, "sRGB", 4) == 0 && length == 1) {
            header.hasSrgbChunk = true;
        } else if (std::memcmp(type, "IDAT", 4) == 0 || std::memcmp(type, "IEND", 4) == 0) {
            return true;
        }
        at += 12 + size_t(length);
    }
    return false;
}

int ReadJpegExifColorSpace(const uint8_t* data, size_t size)
{
    if (size < 2 || data[0] != 0xFF || data[1] != 0xD8)
        return -1;
    size_t at = 2;
    while (at < size) {
        if (data[at] != 0xFF)
            return -1;
        while (at < size && data[at] == 0xFF) // fill bytes
            ++at;
        if (at >= size)
            return -1;
        const uint8_t marker = data[at++];
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8))
            continue; // no length
        if (marker == 0xD9 || marker == 0xDA)
            return -1; // image data starts: metadata comes before it
        if (size - at < 2)
            return -1;
        const size_t length = Be16(data + at);
        if (length < 2 || length > size - at)
            return -1;
        const uint8_t* body = data + at + 2;
        const size_t bodySize = length - 2;
        if (marker == 0xE1 && StartsWith(body, bodySize, "Exif\0\0", 6))
            return ExifColorSpace(body + 6, bodySize - 6);
        at += length;
    }
    return -1;
}

bool JpegHuffmanTablesFit(const uint8_t* data, size_t size)
{
    // Segments as stb walks them: stray bytes between segments are skipped,
    // entropy-coded data after SOS runs to the first marker other than a
    // stuffed 0xFF or a restart marker. A table header stb reads past the
    // segment's end or the file's end counts what is there (stb reads zeros).
    auto at = [&](size_t i) -> unsigned { return i < size ? data[i] : 0u; };
    size_t p = 2;
    while (p + 1 < size) {
        if (data[p] != 0xFF) {
            ++p;
            continue;
        }
        while (p < size && data[p] == 0xFF)
            ++p;
        if (p >= size)
            break;
        const uint8_t marker = data[p++];
        if (marker == 0xD9)
            break;
        if (marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8))
            continue;
        const long length = long(at(p) << 8 | at(p + 1));
        if (marker == 0xC4) {
            size_t t = p + 2;
            for (long left = length - 2; left > 0 && t < size;) {
                unsigned codes = 0;
                for (size_t i = 1; i <= 16; ++i)
                    codes += at(t + i);
                if (codes > 256)
                    return false;
                t += 17 + codes;
                left -= long(17 + codes);
            }
        }
        p += size_t(length);
        if (marker == 0xDA) {
            for (; p + 1 < size; ++p) {
                const uint8_t next = data[p + 1];
                if (data[p] == 0xFF && next != 0x00 && next != 0xFF && !(next >= 0xD0 && next <= 0xD7))
                    break;
            }
        }
    }
    return true;
}

bool ReadBmpHeader(const uint8_t* data, size_t size, BmpHeader& header)
{
    header = BmpHeader{};
    if (!StartsWith(data, size, "BM", 2) || size < 18)
        return false;
    const uint32_t infoSize = Le32(data + 14);
    if (infoSize == 12 && size >= 26) { // OS/2 core header
        header.width = Le16(data + 18);
        header.height = Le16(data + 20);
        header.bitCount = Le16(data + 24);
        return true;
    }
    if (infoSize < 40 || size < 54)
        return false;
    header.width = int32_t(Le32(data + 18));
    header.height = int32_t(Le32(data + 22));
    header.bitCount = Le16(data + 28);
    header.compression = Le32(data + 30);
    // The alpha mask sits at the same place in V3+ headers and after a plain
    // header with BI_ALPHABITFIELDS.
    const bool alphaMaskThere = infoSize >= 56 || (infoSize == 40 && header.compression == 6);
    header.hasAlphaMask = alphaMaskThere && size >= 70 && Le32(data + 66) != 0;
    return true;
}

bool HdrScanlinesComplete(const uint8_t* data, size_t size)
{
    // Header lines end at an empty line; the next line gives "-Y height +X width".
    const uint8_t* end = data + size;
    const uint8_t* p = data;
    for (bool emptyLine = false; !emptyLine;) {
        const uint8_t* eol = static_cast<const uint8_t*>(std::memchr(p, '\n', size_t(end - p)));
        if (!eol)
            return true; // no pixels follow: nothing to wait for
        emptyLine = eol == p;
        p = eol + 1;
    }
    const uint8_t* eol = static_cast<const uint8_t*>(std::memchr(p, '\n', size_t(end - p)));
    if (!eol)
        return true;
    // Read the way stb reads it (strtol after each tag).
    const std::string line(reinterpret_cast<const char*>(p), size_t(eol - p));
    if (line.compare(0, 3, "-Y ") != 0)
        return true;
    char* rest = nullptr;
    const long height = std::strtol(line.c_str() + 3, &rest, 10);
    while (*rest == ' ')
        ++rest;
    if (std::strncmp(rest, "+X ", 3) != 0)
        return true;
    const long width = std::strtol(rest + 3, nullptr, 10);
    p = eol + 1;
    if (width < 8 || width >= 32768)
        return true; // flat pixels: stb reads a fixed amount
    for (long y = 0; y < height; ++y) {
        if (end - p < 4)
            return false;
        if (p[0] != 2 || p[1] != 2 || (p[2] & 0x80))
            return true; // stb reads the rest as flat pixels
        if (((p[2] << 8) | p[3]) != width)
            return true; // refused by stb
        p += 4;
        for (int channel = 0; channel < 4; ++channel) {
            for (long x = 0; x < width;) {
                if (p == end)
                    return false;
                long count = *p++;
                const bool run = count > 128;
                if (run)
                    count -= 128;
                if (count > width - x)
                    return true; // refused by stb
                if (run ? p == end : count > end - p)
                    return false;
                p += run ? 1 : count;
                x += count; // a zero count advances nothing, as in stb
            }
        }
    }
    return true;
}
