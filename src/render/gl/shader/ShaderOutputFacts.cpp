// Reading a stage's outputs off its SPIR-V: one pass collects types, constants,
// decorations and definitions; the output's one store is then evaluated per
// component, as a known constant or unknown.
#include "render/gl/shader/ShaderOutputFacts.h"

#include "render/FullScreenQuad.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>

namespace {

// The few SPIR-V numbers this reading needs.
namespace spv {
constexpr uint32_t kMagic = 0x07230203;
enum Op : uint32_t {
    OpUndef = 1,
    OpEntryPoint = 15,
    OpTypeFloat = 22,
    OpTypeVector = 23,
    OpTypePointer = 32,
    OpConstant = 43,
    OpConstantComposite = 44,
    OpConstantNull = 46,
    OpFunction = 54,
    OpFunctionCall = 57,
    OpVariable = 59,
    OpLoad = 61,
    OpStore = 62,
    OpCopyMemory = 63,
    OpCopyMemorySized = 64,
    OpAccessChain = 65,
    OpInBoundsAccessChain = 66,
    OpPtrAccessChain = 67,
    OpDecorate = 71,
    OpInBoundsPtrAccessChain = 70,
    OpVectorShuffle = 79,
    OpCompositeConstruct = 80,
    OpCompositeExtract = 81,
    OpCompositeInsert = 82,
    OpCopyObject = 83,
    OpLabel = 248,
    OpKill = 252,
    OpReturn = 253,
    OpReturnValue = 254,
    OpTerminateInvocation = 4416,
    OpDemoteToHelperInvocation = 5380,
    OpDecorateString = 5632,
};
constexpr uint32_t kDecorationBuiltIn = 11;
constexpr uint32_t kDecorationLocation = 30;
constexpr uint32_t kDecorationUserSemantic = 5635;
constexpr uint32_t kBuiltInPosition = 0;
constexpr uint32_t kBuiltInPointSize = 1;
constexpr uint32_t kStorageInput = 1;
constexpr uint32_t kStorageOutput = 3;
constexpr uint32_t kModelVertex = 0;
constexpr uint32_t kModelFragment = 4;
} // namespace spv

// Instructions that end an invocation without its outputs.
constexpr uint32_t kEndsInvocation[] = {spv::OpKill, spv::OpTerminateInvocation, spv::OpDemoteToHelperInvocation};
// Ways to write an output other than one whole store, which this reading does not follow.
constexpr uint32_t kIndirectWrites[] = {spv::OpCopyMemory, spv::OpCopyMemorySized, spv::OpFunctionCall};
constexpr uint32_t kAccessChains[] = {spv::OpAccessChain, spv::OpInBoundsAccessChain, spv::OpPtrAccessChain,
                                      spv::OpInBoundsPtrAccessChain};

template <size_t N>
bool OneOf(uint32_t op, const uint32_t (&ops)[N])
{
    return std::find(std::begin(ops), std::end(ops), op) != std::end(ops);
}

struct Component {
    bool known = false;
    uint32_t bits = 0;
};
using Value = std::vector<Component>;

struct Variable {
    uint32_t storage = 0;
    uint32_t pointee = 0; // type id
};

struct Decorations {
    std::optional<uint32_t> builtIn;
    std::optional<uint32_t> location;
    std::string semantic;
};

struct Store {
    uint32_t pointer = 0;
    uint32_t value = 0;
    uint32_t block = 0;
};

class CModule {
public:
    bool Parse(const std::vector<uint32_t>& words)
    {
        if (words.size() < 5 || words[0] != spv::kMagic)
            return false;
        uint32_t function = 0, block = 0;
        for (size_t at = 5; at < words.size();) {
            const uint32_t count = words[at] >> 16;
            const uint32_t op = words[at] & 0xFFFF;
            if (count == 0 || count > words.size() - at)
                return false;
            const uint32_t* w = &words[at];
            at += count;
            if (OneOf(op, kEndsInvocation) || OneOf(op, kIndirectWrites))
                m_bUnfollowed = true;
            if (OneOf(op, kAccessChains) && count >= 4)
                m_AccessedThrough.push_back(w[3]);
            switch (op) {
            case spv::OpEntryPoint:
                if (count >= 3 && !m_nEntry) {
                    m_nModel = w[1];
                    m_nEntry = w[2];
                }
                break;
            case spv::OpTypeFloat:
                if (count >= 3 && w[2] == 32)
                    m_Components[w[1]] = 1;
                break;
            case spv::OpTypeVector:
                if (count >= 4 && m_Components.count(w[2]) && m_Components[w[2]] == 1)
                    m_Components[w[1]] = w[3];
                break;
            case spv::OpTypePointer:
                if (count >= 4)
                    m_Pointers[w[1]] = {w[2], w[3]};
                break;
            case spv::OpVariable:
                if (count >= 4 && m_Pointers.count(w[1]))
                    m_Variables[w[2]] = m_Pointers[w[1]];
                break;
            case spv::OpDecorate:
                if (count >= 4 && w[2] == spv::kDecorationBuiltIn)
                    m_Decorations[w[1]].builtIn = w[3];
                if (count >= 4 && w[2] == spv::kDecorationLocation)
                    m_Decorations[w[1]].location = w[3];
                break;
            case spv::OpDecorateString:
                if (count >= 4 && w[2] == spv::kDecorationUserSemantic)
                    m_Decorations[w[1]].semantic = String(w + 3, count - 3);
                break;
            case spv::OpFunction:
                if (count >= 3)
                    function = w[2];
                ++m_nFunctions;
                break;
            case spv::OpLabel:
                if (count >= 2)
                    block = w[1];
                break;
            case spv::OpStore:
                if (count >= 3)
                    m_Stores.push_back({w[1], w[2], block});
                break;
            case spv::OpReturn:
            case spv::OpReturnValue:
                if (function == m_nEntry) {
                    ++m_nReturns;
                    m_nReturnBlock = block;
                }
                break;
            default:
                break;
            }
            // Results worth following keep their instruction; the rest only their type.
            if (HasResult(op) && count >= 3)
                m_Definitions[w[2]] = std::vector<uint32_t>(w, w + count);
        }
        return m_nEntry != 0;
    }

    uint32_t Model() const { return m_nModel; }

    // The one output variable that satisfies the predicate, or 0.
    template <typename Predicate>
    uint32_t FindOutput(Predicate predicate) const
    {
        uint32_t found = 0;
        for (const auto& [id, v] : m_Variables) {
            if (v.storage != spv::kStorageOutput || !predicate(id))
                continue;
            if (found)
                return 0;
            found = id;
        }
        return found;
    }

    const Decorations* DecorationsOf(uint32_t id) const
    {
        const auto it = m_Decorations.find(id);
        return it == m_Decorations.end() ? nullptr : &it->second;
    }

    uint32_t ComponentsOfPointee(uint32_t variable) const
    {
        const auto v = m_Variables.find(variable);
        return v == m_Variables.end() ? 0 : ComponentsOf(v->second.pointee);
    }

    bool IsOutput(uint32_t id) const
    {
        const auto v = m_Variables.find(id);
        return v != m_Variables.end() && v->second.storage == spv::kStorageOutput;
    }

    // The value the variable holds when the entry point returns, when it is
    // written by exactly one whole store that every returning path runs.
    std::optional<uint32_t> FinalValue(uint32_t variable) const
    {
        if (m_bUnfollowed || m_nFunctions != 1 || m_nReturns != 1)
            return std::nullopt;
        if (std::find(m_AccessedThrough.begin(), m_AccessedThrough.end(), variable) != m_AccessedThrough.end())
            return std::nullopt;
        const Store* only = nullptr;
        for (const Store& s : m_Stores) {
            if (s.pointer != variable)
                continue;
            if (only)
                return std::nullopt;
            only = &s;
        }
        if (!only || only->block != m_nReturnBlock)
            return std::nullopt;
        return only->value;
    }

    // Evaluates an id; inputs is what loads of input variables give (by
    // variable id), unknown when absent.
    Value Evaluate(uint32_t id, const std::unordered_map<uint32_t, Value>& inputs) const
    {
        std::unordered_map<uint32_t, Value> memo;
        return Evaluate(id, inputs, memo, 0);
    }

    // Input variables by their semantic, uppercased, with the implicit index 0 dropped.
    std::unordered_map<std::string, uint32_t> InputsBySemantic() const
    {
        std::unordered_map<std::string, uint32_t> inputs;
        for (const auto& [id, v] : m_Variables) {
            if (v.storage != spv::kStorageInput)
                continue;
            const Decorations* d = DecorationsOf(id);
            if (!d || d->semantic.empty())
                continue;
            std::string key;
            for (char c : d->semantic)
                key += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            if (key.size() > 1 && key.back() == '0' && !std::isdigit(static_cast<unsigned char>(key[key.size() - 2])))
                key.pop_back();
            inputs[key] = id;
        }
        return inputs;
    }

private:
    // Each id is evaluated once, so shared operands cost nothing twice; chains
    // deeper than any real shader's read as unknown.
    Value Evaluate(uint32_t id, const std::unordered_map<uint32_t, Value>& inputs,
                   std::unordered_map<uint32_t, Value>& memo, int depth) const
    {
        if (const auto done = memo.find(id); done != memo.end())
            return done->second;
        Value v = Compute(id, inputs, memo, depth);
        memo[id] = v;
        return v;
    }

    Value Compute(uint32_t id, const std::unordered_map<uint32_t, Value>& inputs,
                  std::unordered_map<uint32_t, Value>& memo, int depth) const
    {
        const auto def = m_Definitions.find(id);
        if (def == m_Definitions.end())
            return {};
        const std::vector<uint32_t>& w = def->second;
        const uint32_t op = w[0] & 0xFFFF;
        const Value unknown(ComponentsOf(w[1]));
        if (depth > 256)
            return unknown;
        auto operand = [&](size_t i) { return i < w.size() ? Evaluate(w[i], inputs, memo, depth + 1) : Value{}; };
        switch (op) {
        case spv::OpConstant:
            return ComponentsOf(w[1]) == 1 && w.size() == 4 ? Value{{true, w[3]}} : unknown;
        case spv::OpConstantNull:
            return Value(unknown.size(), Component{true, 0});
        case spv::OpConstantComposite:
        case spv::OpCompositeConstruct: {
            Value out;
            for (size_t i = 3; i < w.size(); ++i) {
                Value part = operand(i);
                if (part.empty())
                    return unknown;
                out.insert(out.end(), part.begin(), part.end());
            }
            return out.size() == unknown.size() ? out : unknown;
        }
        case spv::OpCompositeExtract: {
            // Through structures, arrays and matrices built in place: index k picks operand k.
            uint32_t composite = w.size() > 3 ? w[3] : 0;
            size_t index = 4;
            for (; index < w.size(); ++index) {
                const auto built = m_Definitions.find(composite);
                if (built == m_Definitions.end() || (built->second[0] & 0xFFFF) != spv::OpCompositeConstruct ||
                    ComponentsOf(built->second[1]) != 0 || w[index] + 3 >= built->second.size())
                    break;
                composite = built->second[w[index] + 3];
            }
            const Value whole = Evaluate(composite, inputs, memo, depth + 1);
            if (index == w.size())
                return whole.size() == unknown.size() ? whole : unknown;
            return index + 1 == w.size() && w[index] < whole.size() && unknown.size() == 1 ? Value{whole[w[index]]}
                                                                                           : unknown;
        }
        case spv::OpCompositeInsert: {
            const Value part = operand(3);
            Value whole = operand(4);
            if (w.size() != 6 || part.size() != 1 || w[5] >= whole.size() || whole.size() != unknown.size())
                return unknown;
            whole[w[5]] = part[0];
            return whole;
        }
        case spv::OpVectorShuffle: {
            Value both = operand(3);
            const Value second = operand(4);
            if (both.empty() || second.empty())
                return unknown;
            both.insert(both.end(), second.begin(), second.end());
            Value out;
            for (size_t i = 5; i < w.size(); ++i)
                out.push_back(w[i] < both.size() ? both[w[i]] : Component{});
            return out.size() == unknown.size() ? out : unknown;
        }
        case spv::OpCopyObject: {
            Value copy = operand(3);
            return copy.size() == unknown.size() ? copy : unknown;
        }
        case spv::OpLoad: {
            const auto input = w.size() >= 4 ? inputs.find(w[3]) : inputs.end();
            return input != inputs.end() && input->second.size() == unknown.size() ? input->second : unknown;
        }
        default:
            return unknown;
        }
    }

    static std::string String(const uint32_t* w, uint32_t words)
    {
        std::string s;
        for (uint32_t i = 0; i < words * 4; ++i) {
            const char c = static_cast<char>((w[i / 4] >> (8 * (i % 4))) & 0xFF);
            if (c == '\0')
                break;
            s += c;
        }
        return s;
    }

    // Instructions whose second word is a result type and third a result id. An
    // instruction left out only makes its result unknown.
    static bool HasResult(uint32_t op)
    {
        static constexpr std::pair<uint32_t, uint32_t> kRanges[] = {
            {1, 1},     // OpUndef
            {12, 12},   // OpExtInst
            {43, 46},   // constants
            {55, 55},   // OpFunctionParameter
            {57, 57},   // OpFunctionCall
            {61, 61},   // OpLoad
            {65, 70},   // access chains
            {79, 84},   // shuffles, composites, copies, transposes
            {86, 98},   // sampling and reading images
            {100, 107}, // image queries
            {109, 215}, // conversions, arithmetic, relations, bits, derivatives
            {245, 245}, // OpPhi
        };
        return std::any_of(std::begin(kRanges), std::end(kRanges),
                           [op](const auto& r) { return op >= r.first && op <= r.second; });
    }

    uint32_t ComponentsOf(uint32_t type) const
    {
        const auto it = m_Components.find(type);
        return it == m_Components.end() ? 0 : it->second;
    }

    uint32_t m_nModel = 0;
    uint32_t m_nEntry = 0;
    uint32_t m_nFunctions = 0;
    uint32_t m_nReturns = 0;
    uint32_t m_nReturnBlock = 0;
    bool m_bUnfollowed = false;
    std::unordered_map<uint32_t, uint32_t> m_Components; // float32 scalar and vector types
    std::unordered_map<uint32_t, Variable> m_Pointers;   // pointer type -> storage, pointee
    std::unordered_map<uint32_t, Variable> m_Variables;
    std::unordered_map<uint32_t, Decorations> m_Decorations;
    std::unordered_map<uint32_t, std::vector<uint32_t>> m_Definitions;
    std::vector<Store> m_Stores;
    std::vector<uint32_t> m_AccessedThrough; // bases of access chains
};

bool Is(const Component& c, float f)
{
    return c.known && c.bits == std::bit_cast<uint32_t>(f);
}

bool CoversTarget(const CModule& module)
{
    // Clip distances or a viewport index could cut or move the quad.
    bool otherBuiltIn = false;
    const uint32_t position = module.FindOutput([&](uint32_t id) {
        const Decorations* d = module.DecorationsOf(id);
        if (!d || !d->builtIn)
            return false;
        if (*d->builtIn != spv::kBuiltInPosition && *d->builtIn != spv::kBuiltInPointSize)
            otherBuiltIn = true;
        return *d->builtIn == spv::kBuiltInPosition;
    });
    if (!position || otherBuiltIn || module.ComponentsOfPointee(position) != 4)
        return false;
    const std::optional<uint32_t> value = module.FinalValue(position);
    if (!value)
        return false;
    const auto inputs = module.InputsBySemantic();
    for (const ModelVertex& corner : kUnitQuadVertices) {
        // What the vertex format gives each input; a missing w reads 1, as on both APIs.
        std::unordered_map<uint32_t, Value> given;
        auto give = [&](const char* semantic, const float* data, uint32_t count) {
            const auto it = inputs.find(semantic);
            if (it == inputs.end())
                return;
            const uint32_t components = module.ComponentsOfPointee(it->second);
            Value v;
            for (uint32_t i = 0; i < components; ++i)
                v.push_back({true, std::bit_cast<uint32_t>(i < count ? data[i] : (i == 3 ? 1.0f : 0.0f))});
            given[it->second] = v;
        };
        give("POSITION", corner.position, 3);
        give("COLOR", corner.colour, 4);
        give("TEXCOORD", corner.texcoord, 2);
        const Value p = module.Evaluate(*value, given);
        if (p.size() != 4 || !Is(p[0], corner.position[0]) || !Is(p[1], corner.position[1]) || !Is(p[3], 1.0f) ||
            !p[2].known)
            return false;
        const float z = std::bit_cast<float>(p[2].bits);
        if (!(z >= 0.0f && z <= 1.0f))
            return false;
    }
    return true;
}

bool Opaque(const CModule& module)
{
    constexpr uint32_t kBuiltInSampleMask = 20;
    bool coverageOutput = false;
    const uint32_t target = module.FindOutput([&](uint32_t id) {
        const Decorations* d = module.DecorationsOf(id);
        if (d && d->builtIn && *d->builtIn == kBuiltInSampleMask)
            coverageOutput = true;
        return d && !d->builtIn && d->location && *d->location == 0;
    });
    if (!target || coverageOutput || module.ComponentsOfPointee(target) != 4)
        return false;
    const std::optional<uint32_t> value = module.FinalValue(target);
    if (!value)
        return false;
    const Value colour = module.Evaluate(*value, {});
    return colour.size() == 4 && Is(colour[3], 1.0f);
}

} // namespace

bool MayHaveOutputFacts(const std::vector<uint32_t>& spirv)
{
    constexpr size_t kHeaderWords = 5;
    if (spirv.size() < kHeaderWords || spirv[0] != spv::kMagic)
        return false;
    bool fragment = false;
    std::vector<uint32_t> floats; // ids of 32-bit float types
    for (size_t at = kHeaderWords; at < spirv.size();) {
        const uint32_t words = spirv[at] >> 16;
        const uint32_t op = spirv[at] & 0xFFFF;
        if (words == 0 || at + words > spirv.size())
            return false;
        if (op == spv::OpEntryPoint && words >= 2)
            fragment = spirv[at + 1] == spv::kModelFragment;
        else if (op == spv::OpTypeFloat && words == 3 && spirv[at + 2] == 32)
            floats.push_back(spirv[at + 1]);
        else if (op == spv::OpConstant && words == 4 && spirv[at + 3] == std::bit_cast<uint32_t>(1.0f) &&
                 std::find(floats.begin(), floats.end(), spirv[at + 1]) != floats.end())
            return true;
        at += words;
    }
    return !fragment;
}

ShaderOutputFacts ReadShaderOutputFacts(const std::vector<uint32_t>& spirv)
{
    ShaderOutputFacts facts;
    CModule module;
    if (!module.Parse(spirv))
        return facts;
    if (module.Model() == spv::kModelVertex)
        facts.coversTarget = CoversTarget(module);
    else if (module.Model() == spv::kModelFragment)
        facts.opaque = Opaque(module);
    return facts;
}
