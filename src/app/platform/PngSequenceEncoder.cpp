// PNG sequence output through stb_image_write.
#include "app/platform/PngSequenceEncoder.h"

#include <cctype>
#include <filesystem>

#include <stb_image_write.h>

std::optional<CPngSequenceEncoder::Pattern> CPngSequenceEncoder::ParsePattern(const std::string& path)
{
    Pattern pattern;
    bool found = false;
    std::string literal;
    for (size_t i = 0; i < path.size(); ++i) {
        if (path[i] != '%') {
            literal += path[i];
            continue;
        }
        size_t j = i + 1;
        if (j < path.size() && path[j] == '%') {
            literal += '%';
            i = j;
            continue;
        }
        Pattern field;
        if (j < path.size() && path[j] == '0') {
            field.zeroPad = true;
            ++j;
        }
        const size_t digits = j;
        while (j < path.size() && std::isdigit(static_cast<unsigned char>(path[j])) && j - digits < 2)
            field.width = field.width * 10 + (path[j++] - '0');
        if (j >= path.size() || (path[j] != 'd' && path[j] != 'i') || found)
            return std::nullopt; // another conversion, a second field or a lone '%'
        found = true;
        pattern.zeroPad = field.zeroPad;
        pattern.width = field.width;
        pattern.prefix = literal;
        literal.clear();
        i = j;
    }
    if (!found)
        return std::nullopt;
    pattern.suffix = literal;
    return pattern;
}

std::string CPngSequenceEncoder::FileName(const Pattern& pattern, long frameIndex)
{
    std::string number = std::to_string(frameIndex);
    if (static_cast<int>(number.size()) < pattern.width)
        number.insert(0, static_cast<size_t>(pattern.width) - number.size(), pattern.zeroPad ? '0' : ' ');
    return pattern.prefix + number + pattern.suffix;
}

bool CPngSequenceEncoder::Open(const std::string& path, const VideoFormat& format)
{
    const auto pattern = ParsePattern(path);
    if (!pattern)
        return Fail(path + ": a PNG sequence needs one frame-number field such as %05d");
    std::string suffix = pattern->suffix;
    for (char& ch : suffix)
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    if (!suffix.ends_with(".png"))
        return Fail(path + ": a frame sequence is written as PNG only; end the name in .png");
    const std::filesystem::path first = FileName(*pattern, 0);
    const std::filesystem::path folder = first.has_parent_path() ? first.parent_path() : ".";
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec))
        return Fail(path + ": the folder " + folder.string() + " does not exist");
    m_Pattern = *pattern;
    m_Format = format;
    return true;
}

bool CPngSequenceEncoder::Encode(long frameIndex, const uint8_t* rgba, const float*, size_t)
{
    const size_t pixels = static_cast<size_t>(m_Format.width) * static_cast<size_t>(m_Format.height);
    m_Rgb.resize(pixels * 3);
    for (size_t i = 0; i < pixels; ++i) {
        m_Rgb[i * 3 + 0] = rgba[i * 4 + 0];
        m_Rgb[i * 3 + 1] = rgba[i * 4 + 1];
        m_Rgb[i * 3 + 2] = rgba[i * 4 + 2];
    }
    // Written aside and renamed, so a stopped render never leaves half a frame under its name.
    const std::string name = FileName(m_Pattern, frameIndex);
    const std::string partial = name + ".partial";
    if (!stbi_write_png(partial.c_str(), m_Format.width, m_Format.height, 3, m_Rgb.data(), m_Format.width * 3)) {
        std::error_code ec;
        std::filesystem::remove(partial, ec);
        return Fail("cannot write " + name);
    }
    std::error_code ec;
    std::filesystem::rename(partial, name, ec);
    if (ec) {
        const std::string why = ec.message();
        std::filesystem::remove(partial, ec);
        return Fail("cannot write " + name + ": " + why);
    }
    return true;
}
