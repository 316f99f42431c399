// Little-endian, length-prefixed fields, in the order of the structures' members.
#include "render/gl/shader/TranslationCodec.h"

#include <cstring>

namespace {

class Writer {
public:
    void U32(uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            m_Out += static_cast<char>((v >> (8 * i)) & 0xFF);
    }
    void U8(uint8_t v) { m_Out += static_cast<char>(v); }
    void Str(const std::string& s)
    {
        U32(static_cast<uint32_t>(s.size()));
        m_Out += s;
    }
    std::string Take() { return std::move(m_Out); }

private:
    std::string m_Out;
};

class Reader {
public:
    explicit Reader(std::string_view in) : m_In(in) {}
    bool U32(uint32_t& v)
    {
        if (m_In.size() < 4)
            return false;
        v = 0;
        for (int i = 0; i < 4; ++i)
            v |= static_cast<uint32_t>(static_cast<unsigned char>(m_In[static_cast<size_t>(i)])) << (8 * i);
        m_In.remove_prefix(4);
        return true;
    }
    bool U8(uint8_t& v)
    {
        if (m_In.empty())
            return false;
        v = static_cast<uint8_t>(m_In[0]);
        m_In.remove_prefix(1);
        return true;
    }
    bool Bool(bool& b)
    {
        uint8_t v = 0;
        if (!U8(v) || v > 1)
            return false;
        b = v == 1;
        return true;
    }
    bool Str(std::string& s)
    {
        uint32_t n = 0;
        if (!U32(n) || n > m_In.size())
            return false;
        s.assign(m_In.data(), n);
        m_In.remove_prefix(n);
        return true;
    }
    // A count of records, each at least minBytes long: bounded by what is left.
    bool Count(uint32_t& n, size_t minBytes)
    {
        return U32(n) && static_cast<size_t>(n) * minBytes <= m_In.size();
    }
    bool AtEnd() const { return m_In.empty(); }

private:
    std::string_view m_In;
};

constexpr uint32_t kTranslationTag = 0x4D4C5354; // "MLST"
constexpr uint32_t kRequestTag = 0x4D4C5251;     // "MLRQ"

} // namespace

namespace codec {

std::string Encode(const StageTranslation& t)
{
    Writer w;
    w.U32(kTranslationTag);
    w.U8(static_cast<uint8_t>(t.outcome));
    w.Str(t.log);
    w.Str(t.header);
    w.Str(t.body);
    w.U32(static_cast<uint32_t>(t.prologue.size()));
    for (const std::string& s : t.prologue)
        w.Str(s);
    w.U32(static_cast<uint32_t>(t.varyings.size()));
    for (const StageVarying& v : t.varyings) {
        w.Str(v.semantic);
        w.U32(v.index);
        w.Str(v.name);
        w.Str(v.declaration);
        w.U8(static_cast<uint8_t>(v.baseType));
        w.U32(v.components);
        w.U32(v.columns);
        w.U32(v.arraySize);
        w.U8(static_cast<uint8_t>(v.flat | v.noPerspective << 1 | v.centroid << 2 | v.sample << 3));
    }
    w.U32(static_cast<uint32_t>(t.constantBuffers.size()));
    for (const ReflectedConstantBuffer& b : t.constantBuffers) {
        w.Str(b.name);
        w.U32(b.size);
        w.U32(b.glBinding);
        w.U32(static_cast<uint32_t>(b.variables.size()));
        for (const ReflectedVariable& v : b.variables) {
            w.Str(v.name);
            w.U32(v.offset);
            w.U32(v.size);
        }
    }
    w.U32(static_cast<uint32_t>(t.textures.size()));
    for (const ReflectedTexture& x : t.textures) {
        w.Str(x.name);
        w.U32(x.bindPoint);
        w.U32(x.glUnit);
    }
    w.U8(t.inputLayoutOk ? 1 : 0);
    w.U8(static_cast<uint8_t>(t.outputFacts.coversTarget | t.outputFacts.opaque << 1));
    return w.Take();
}

bool Decode(std::string_view bytes, StageTranslation& t)
{
    t = StageTranslation{};
    Reader r(bytes);
    uint32_t tag = 0, n = 0;
    uint8_t outcome = 0;
    if (!r.U32(tag) || tag != kTranslationTag || !r.U8(outcome) || outcome > 2)
        return false;
    t.outcome = static_cast<StageTranslation::Outcome>(outcome);
    if (!r.Str(t.log) || !r.Str(t.header) || !r.Str(t.body) || !r.Count(n, 4))
        return false;
    t.prologue.resize(n);
    for (std::string& s : t.prologue)
        if (!r.Str(s))
            return false;
    if (!r.Count(n, 30))
        return false;
    t.varyings.resize(n);
    for (StageVarying& v : t.varyings) {
        uint8_t base = 0, flags = 0;
        if (!r.Str(v.semantic) || !r.U32(v.index) || !r.Str(v.name) || !r.Str(v.declaration) || !r.U8(base) ||
            !r.U32(v.components) || !r.U32(v.columns) || !r.U32(v.arraySize) || !r.U8(flags))
            return false;
        if ((base != 'f' && base != 'i' && base != 'u') || v.components < 1 || v.components > 4 || v.columns < 1 ||
            v.columns > 4 || v.arraySize > 64 || flags > 15)
            return false;
        v.baseType = static_cast<char>(base);
        v.flat = flags & 1;
        v.noPerspective = flags & 2;
        v.centroid = flags & 4;
        v.sample = flags & 8;
    }
    if (!r.Count(n, 16))
        return false;
    t.constantBuffers.resize(n);
    for (ReflectedConstantBuffer& b : t.constantBuffers) {
        uint32_t variables = 0;
        if (!r.Str(b.name) || !r.U32(b.size) || !r.U32(b.glBinding) || !r.Count(variables, 12))
            return false;
        b.variables.resize(variables);
        for (ReflectedVariable& v : b.variables)
            if (!r.Str(v.name) || !r.U32(v.offset) || !r.U32(v.size))
                return false;
    }
    if (!r.Count(n, 12))
        return false;
    t.textures.resize(n);
    for (ReflectedTexture& x : t.textures)
        if (!r.Str(x.name) || !r.U32(x.bindPoint) || !r.U32(x.glUnit))
            return false;
    uint8_t facts = 0;
    if (!r.Bool(t.inputLayoutOk) || !r.U8(facts) || facts > 3)
        return false;
    t.outputFacts.coversTarget = facts & 1;
    t.outputFacts.opaque = facts & 2;
    return r.AtEnd();
}

std::string Encode(const TranslationRequest& q)
{
    Writer w;
    w.U32(kRequestTag);
    w.U8(static_cast<uint8_t>(q.stage));
    w.Str(q.path);
    w.Str(q.entry);
    w.Str(q.source);
    return w.Take();
}

bool Decode(std::string_view bytes, TranslationRequest& q)
{
    Reader r(bytes);
    uint32_t tag = 0;
    uint8_t stage = 0;
    if (!r.U32(tag) || tag != kRequestTag || !r.U8(stage) || stage > 1)
        return false;
    q.stage = static_cast<ShaderStage>(stage);
    return r.Str(q.path) && r.Str(q.entry) && r.Str(q.source) && r.AtEnd();
}

} // namespace codec
