// ml-fontbaker: command line of the font baker. Reads the options, gathers the
// character set, bakes and writes the sprite font. Exit status: 0 written,
// 1 the font or a file could not be used, 2 usage error.
#include "CharacterSet.h"
#include "GlyphRasterizer.h"
#include "SpriteFontWriter.h"

#include "assets/Utf8Util.h"
#include "common/ToolMessages.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

namespace {
const char* const kUsage =
    "usage: ml-fontbaker [options] FONT OUTPUT\n"
    "Bakes a TrueType/OpenType font into a sprite font file (\"DXTKfont\") for the player.\n"
    "  --size PX           pixel size of the em square (default 32)\n"
    "  --chars RANGES      characters as numbers and ranges, e.g. 32-126,160-255 (default 32-126);\n"
    "                      numbers are decimal or hexadecimal after 0x or U+\n"
    "  --chars-file FILE   the characters of a UTF-8 text file (line breaks left out)\n"
    "  --default-char C    drawn for characters the font lacks: a number as above or one character\n"
    "  --face N            face of a font collection (default 0)\n"
    "  --padding N         empty texels between glyphs (default 1)\n"
    "  -h, --help          this text\n"
    "--chars and --chars-file may be combined.\n";

int Usage(const std::string& problem) { return ToolUsage("ml-fontbaker", problem, kUsage); }

int Error(const std::string& problem) { return ToolError("ml-fontbaker", problem); }

bool ParseCount(const std::string& text, unsigned long low, unsigned long high, unsigned long& out)
{
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || text.size() > 9)
        return false;
    out = std::strtoul(text.c_str(), nullptr, 10);
    return out >= low && out <= high;
}
} // namespace

int main(int argc, char** argv)
{
    BakeOptions options;
    std::string ranges;
    std::string charsFile;
    std::string defaultChar;
    std::string positional[2];
    int positionalCount = 0;

    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        const bool takesValue = arg == "--size" || arg == "--chars" || arg == "--chars-file" ||
                                arg == "--default-char" || arg == "--face" || arg == "--padding";
        if (takesValue) {
            if (i + 1 >= argc)
                return Usage(arg + " needs a value");
            const std::string value = argv[++i];
            unsigned long number = 0;
            if (arg == "--size") {
                if (!ParseCount(value, 1, 2048, number))
                    return Usage("--size must be a pixel size from 1 to 2048");
                options.pixelSize = static_cast<uint32_t>(number);
            } else if (arg == "--face") {
                if (!ParseCount(value, 0, 65535, number))
                    return Usage("--face must be a face index from 0 to 65535");
                options.faceIndex = static_cast<long>(number);
            } else if (arg == "--padding") {
                if (!ParseCount(value, 0, 64, number))
                    return Usage("--padding must be from 0 to 64");
                options.padding = static_cast<uint32_t>(number);
            } else if (arg == "--chars") {
                ranges += (ranges.empty() ? "" : ",") + value;
            } else if (arg == "--chars-file") {
                charsFile = value;
            } else {
                defaultChar = value;
            }
        } else if (arg.size() > 1 && arg[0] == '-') {
            return Usage("unknown option " + arg);
        } else if (positionalCount < 2) {
            positional[positionalCount++] = arg;
        } else {
            return Usage("too many arguments");
        }
    }
    if (positionalCount != 2)
        return Usage("a font and an output file are needed");
    options.fontPath = positional[0];

    try {
        if (ranges.empty() && charsFile.empty())
            ranges = "32-126";
        if (!ranges.empty())
            AddCharacterRanges(ranges, options.characters);
        if (!defaultChar.empty()) {
            options.defaultCharacter = ParseCharacter(defaultChar);
            if (options.defaultCharacter == 0)
                return Usage("the default character cannot be U+0000");
            options.characters.insert(options.defaultCharacter);
        }
    } catch (const CharacterSetError& e) {
        return Usage(e.what());
    }
    // U+0000 ends every text the player lays out; it can never be drawn.
    options.characters.erase(u'\0');

    if (!charsFile.empty()) {
        std::ifstream in(charsFile, std::ios::binary);
        if (!in)
            return Error("cannot read \"" + charsFile + "\"");
        std::ostringstream text;
        text << in.rdbuf();
        try {
            const int above = AddCharactersOfText(text.str(), options.characters);
            if (above > 0)
                std::fprintf(stderr, "ml-fontbaker: warning: %d characters above U+FFFF in \"%s\" left out\n", above,
                             charsFile.c_str());
        } catch (const utf8util::utf8_conversion_error& e) {
            return Error("\"" + charsFile + "\" is not UTF-8 text: " + e.what());
        }
    }
    if (options.characters.empty())
        return Usage("no characters to bake");

    BakeResult result;
    try {
        result = BakeGlyphs(options);
    } catch (const std::exception& e) {
        return Error(e.what());
    }
    if (!result.missing.empty())
        std::fprintf(stderr, "ml-fontbaker: warning: %zu characters have no glyph in the font and were left out (first U+%04X)\n",
                     result.missing.size(), static_cast<unsigned>(result.missing.front()));
    if (result.font.glyphs.empty())
        return Error("the font has none of the characters");
    if (!WriteSpriteFont(result.font, positional[1]))
        return Error("cannot write \"" + positional[1] + "\"");
    return 0;
}
