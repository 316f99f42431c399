// X3D models as the player loads them (guarded reading, TinyXML, mesh
// building), and a check of the guard itself: whenever TinyXML parses a text
// that the preflight walk let through, the document it built must nest no
// deeper than the walk said. A walk that strays from the parser would fail here.
#include "FuzzTarget.h"

#include "assets/X3DModel.h"
#include "assets/XmlPreflight.h"

#include <cstdlib>
#include <tinyxml.h>

namespace {
size_t TreeDepth(const TiXmlDocument& doc)
{
    size_t deepest = 0;
    std::vector<std::pair<const TiXmlElement*, size_t>> stack;
    for (const TiXmlElement* e = doc.FirstChildElement(); e; e = e->NextSiblingElement())
        stack.push_back({e, 1});
    while (!stack.empty()) {
        const auto [element, depth] = stack.back();
        stack.pop_back();
        deepest = std::max(deepest, depth);
        for (const TiXmlElement* c = element->FirstChildElement(); c; c = c->NextSiblingElement())
            stack.push_back({c, depth + 1});
    }
    return deepest;
}

void CheckWalkAgainstParser(const uint8_t* data, size_t size, bool utf8)
{
    std::string text(reinterpret_cast<const char*>(data), size);
    text.append(kXmlPadding + 1, '\0');
    const XmlPreflightResult walk = PreflightXml(text.c_str(), utf8, XmlLimits{64, 64, 4096});
    if (!walk.safe)
        return;
    TiXmlDocument doc;
    doc.Parse(text.c_str(), nullptr, utf8 ? TIXML_ENCODING_UTF8 : TIXML_ENCODING_LEGACY);
    if (!doc.Error() && TreeDepth(doc) > walk.deepest)
        std::abort();
}
} // namespace

const char* const kFuzzReproPatterns[] = {"*/*.x3d", nullptr};

std::vector<FuzzSeed> FuzzSeeds()
{
    const std::string model =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<!DOCTYPE X3D PUBLIC \"ISO//Web3D//DTD X3D 3.0//EN\" \"http://www.web3d.org/specifications/x3d-3.0.dtd\">\n"
        "<X3D profile='Immersive'><head><meta name=\"title\" content=\"caf\xC3\xA9 &amp; &#233;&#xE9;\"/></head>\n"
        "<Scene><!-- a comment --><Transform translation=\"1 2 3\"><Transform><Group><Shape>"
        "<Appearance><Material diffuseColor='1 0 0'/></Appearance>"
        "<IndexedFaceSet coordIndex=\"0 1 2 -1 0 2 3 -1 0 1 2 3 4 -1\" texCoordIndex=\"0 1 2 -1 0 2 3 -1 0 1 2 3 4 -1\">"
        "<Coordinate point=\"0 0 0, 1 0 0 1 1 0 0 1 0 +0.5 -1e2 .5\"/>"
        "<TextureCoordinate point=\"0 0 1 0 1 1 0 1\"/></IndexedFaceSet></Shape></Group></Transform></Transform>"
        "<![CDATA[ <not> & markup ]]></Scene></X3D>\r\n";
    return {
        {"model", model},
        {"latin1", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><X3D><Scene><Transform><!-- caf\xE9 -->"
                   "<Transform><Group><Shape/></Group></Transform></Transform></Scene></X3D>"},
        {"off-path", "<X3D><Scene><Shape><IndexedTriangleSet index='0 1 2'/></Shape></Scene></X3D>"},
        {"unterminated", "<X3D><Scene a=\"1\" b='2' c=3><?xml x?><!unknown><![CDATA[ no end"},
    };
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ModelMesh mesh;
    std::string error;
    ParseX3DModel(std::string(reinterpret_cast<const char*>(data), size), mesh, error);
    for (bool utf8 : {true, false})
        CheckWalkAgainstParser(data, size, utf8);
    return 0;
}
