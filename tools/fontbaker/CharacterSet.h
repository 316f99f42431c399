// The characters to bake: parsed from range lists ("32-126,160-255") or taken
// from a UTF-8 text file. Sprite fonts look characters up by UTF-16 code unit,
// so only characters of the Basic Multilingual Plane (no surrogates) can be baked.
#pragma once
#include <set>
#include <stdexcept>
#include <string>

// A malformed range list: the caller's usage error.
class CharacterSetError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Adds the characters of a list of numbers and ranges, separated by commas.
// Numbers are decimal, or hexadecimal after 0x or U+. Surrogates in a range are
// skipped; a number above U+FFFF, a reversed range or junk raises CharacterSetError.
void AddCharacterRanges(const std::string& ranges, std::set<char16_t>& out);

// Parses one code point number as AddCharacterRanges reads them, or the single
// character the UTF-8 text is; raises CharacterSetError otherwise.
char16_t ParseCharacter(const std::string& text);

// Adds every character of UTF-8 text except line breaks and a byte-order mark.
// Returns how many characters above U+FFFF were left out. Invalid UTF-8 raises
// utf8util::utf8_conversion_error.
int AddCharactersOfText(const std::string& utf8, std::set<char16_t>& out);
