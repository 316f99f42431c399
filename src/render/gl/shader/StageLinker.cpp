#include "render/gl/shader/StageLinker.h"

#include <array>
#include <map>
#include <vector>

namespace {

constexpr uint32_t kRegisters = 32; // a stage's output registers on Direct3D 11

struct TypeNames {
    char base;
    const char* scalar;
    const char* vector;
    const char* zero;
};
constexpr std::array<TypeNames, 3> kTypes{{
    {'f', "float", "vec", "0.0"},
    {'i', "int", "ivec", "0"},
    {'u', "uint", "uvec", "0u"},
}};

const TypeNames& Names(char base)
{
    for (const TypeNames& t : kTypes)
        if (t.base == base)
            return t;
    return kTypes[0];
}

std::string TypeName(char base, uint32_t components)
{
    const TypeNames& t = Names(base);
    return components == 1 ? t.scalar : t.vector + std::to_string(components);
}

// Bit-preserving conversions between the register's base type and the reader's.
struct Bitcast {
    char from, to;
    const char* function; // nullptr: a constructor of the target type
};
constexpr std::array<Bitcast, 6> kBitcasts{{
    {'f', 'i', "floatBitsToInt"}, {'f', 'u', "floatBitsToUint"}, {'i', 'f', "intBitsToFloat"},
    {'u', 'f', "uintBitsToFloat"}, {'i', 'u', nullptr},          {'u', 'i', nullptr},
}};

std::string Convert(std::string value, char fromBase, uint32_t fromComponents, char toBase, uint32_t toComponents)
{
    if (toComponents < fromComponents) {
        value += "." + std::string("xyzw").substr(0, toComponents);
    } else if (toComponents > fromComponents) {
        std::string args = value;
        for (uint32_t i = fromComponents; i < toComponents; ++i)
            args += std::string(", ") + Names(fromBase).zero;
        value = TypeName(fromBase, toComponents) + "(" + args + ")";
    }
    if (fromBase == toBase)
        return value;
    for (const Bitcast& b : kBitcasts)
        if (b.from == fromBase && b.to == toBase)
            return (b.function ? std::string(b.function) : TypeName(toBase, toComponents)) + "(" + value + ")";
    return value;
}

// One register of one varying.
struct RegisterRef {
    const StageVarying* varying;
    uint32_t k;
};

std::string SemanticKey(const std::string& semantic, uint32_t index) { return semantic + "#" + std::to_string(index); }

std::string Qualifiers(const StageVarying& reader, char registerBase)
{
    std::string q;
    if (reader.flat || registerBase != 'f' || reader.baseType != 'f')
        q += "flat ";
    else if (reader.noPerspective)
        q += "noperspective ";
    if (reader.centroid)
        q += "centroid ";
    else if (reader.sample)
        q += "sample ";
    return q;
}

std::string Globals(const StageTranslation& stage)
{
    std::string text;
    for (const StageVarying& v : stage.varyings)
        text += v.declaration + ";\n";
    return text;
}

} // namespace

LinkedSources LinkStages(const StageTranslation& vertex, const StageTranslation* pixel)
{
    LinkedSources out;
    // Each vertex output register, by semantic and index.
    std::map<std::string, RegisterRef> written;
    for (const StageVarying& v : vertex.varyings)
        for (uint32_t k = 0; k < v.Registers(); ++k)
            written.emplace(SemanticKey(v.semantic, v.index + k), RegisterRef{&v, k});

    std::string vsInterface, psInterface, copyOut, copyIn;
    uint32_t next = 0;
    if (pixel) {
        std::map<std::string, uint32_t> placed; // semantic key -> location, for this pair only
        for (const StageVarying& p : pixel->varyings) {
            for (uint32_t k = 0; k < p.Registers(); ++k) {
                const std::string key = SemanticKey(p.semantic, p.index + k);
                auto source = written.find(key);
                if (source == written.end()) {
                    // Not written by the vertex shader: Direct3D leaves it undefined; it reads 0.
                    copyIn += "    " + p.Register(k) + " = " + TypeName(p.baseType, p.components) + "(" +
                              Names(p.baseType).zero + ");\n";
                    continue;
                }
                const StageVarying& v = *source->second.varying;
                auto [it, added] = placed.emplace(key, next);
                if (added) {
                    if (next >= kRegisters) {
                        out.error = "the pixel shader reads more than " + std::to_string(kRegisters) +
                                    " registers from the vertex shader";
                        return out;
                    }
                    const std::string type = TypeName(v.baseType, v.components);
                    const std::string reg = "ml_r" + std::to_string(next);
                    const std::string layout = "layout(location = " + std::to_string(next) + ") " +
                                               Qualifiers(p, v.baseType);
                    vsInterface += layout + "out " + type + " " + reg + ";\n";
                    psInterface += layout + "in " + type + " " + reg + ";\n";
                    copyOut += "    " + reg + " = " + v.Register(source->second.k) + ";\n";
                    ++next;
                }
                copyIn += "    " + p.Register(k) + " = " +
                          Convert("ml_r" + std::to_string(it->second), v.baseType, v.components, p.baseType,
                                  p.components) +
                          ";\n";
            }
        }
    }

    auto assemble = [](const StageTranslation& stage, const std::string& interface, const std::string& before,
                       const std::string& after) {
        std::string text = stage.header + interface + Globals(stage) + stage.body + "\nvoid main()\n{\n" + before;
        for (const std::string& s : stage.prologue)
            text += "    " + s + "\n";
        return text + "    ml_main();\n" + after + "}\n";
    };
    out.vertex = assemble(vertex, vsInterface, "", copyOut);
    if (pixel)
        out.pixel = assemble(*pixel, psInterface, copyIn, "");
    out.ok = true;
    return out;
}
