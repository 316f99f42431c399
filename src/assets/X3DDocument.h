// Reads an X3D file into a TinyXML document without letting the parser see
// what it cannot take safely: the file is read here (size bounded), told apart
// from what is not XML at all (gzip, binary, classic-encoding or VRML files,
// UTF-16 text), checked for UTF-8, walked for nesting depth and node counts
// (XmlPreflight), and parsed from a NUL-padded buffer of our own. It knows
// nothing of the X3D elements a model is built from.
#pragma once
#include <cstdint>
#include <string>
#include <tinyxml.h>

// Far larger than the models a demo draws; the parser holds about as much again.
inline constexpr uint64_t kMaxX3DFileBytes = 64u << 20;

// The file a script names, resolved as Windows would. On failure returns false
// and says why in error, with the line where that applies.
bool LoadX3DDocument(const std::string& scriptPath, TiXmlDocument& doc, std::string& error);

// The same from the file's bytes.
bool ParseX3DDocument(std::string bytes, TiXmlDocument& doc, std::string& error);
