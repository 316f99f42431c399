// The passes are SPIRV-Tools' legalisation list (it holds scalar replacement, store/load
// elimination, constant propagation and full unrolling of loops marked Unroll), run once,
// and one more round of folding and dead-branch removal for what unrolling leaves.
#include "render/gl/shader/SpirvOptimizer.h"

#include <spirv-tools/optimizer.hpp>

#include <array>
#include <unordered_map>
#include <unordered_set>

namespace {

// Opcodes and masks of the SPIR-V specification used here.
constexpr uint32_t kOpLoopMerge = 246;
constexpr uint32_t kOpLabel = 248;
constexpr uint32_t kOpFunctionEnd = 56;
constexpr uint32_t kOpVariable = 59;
constexpr uint32_t kOpAccessChain = 65;
constexpr uint32_t kOpInBoundsAccessChain = 66;
constexpr uint32_t kStorageUniformConstant = 0;
constexpr uint32_t kOpSRem = 138;
constexpr uint32_t kOpSMod = 139;
constexpr uint32_t kOpFRem = 140;
constexpr uint32_t kOpFMod = 141;
constexpr uint32_t kOpName = 5;
constexpr uint32_t kOpTypeSampler = 26;
constexpr uint32_t kOpTypeArray = 28;
constexpr uint32_t kOpTypePointer = 32;
constexpr uint32_t kOpConstant = 43;
constexpr uint32_t kOpLoad = 61;
constexpr uint32_t kOpDecorate = 71;
constexpr uint32_t kDecorationBinding = 33;
constexpr uint32_t kLoopControlUnroll = 0x1;
constexpr uint32_t kLoopControlDontUnroll = 0x2;
constexpr uint32_t kImageOperandOffset = 0x10;
constexpr size_t kHeaderWords = 5;

// Image instructions and the word (counted from the opcode word) of their operand mask.
struct ImageInstruction {
    uint32_t opcode;
    uint32_t maskWord;
};
constexpr std::array<ImageInstruction, 22> kImageInstructions{{
    {87, 5},  {88, 5},  {89, 6},  {90, 6},  {91, 5},  {92, 5},  {93, 6},  {94, 6},
    {95, 5},  {96, 6},  {97, 6},  // OpImageSample*, OpImageFetch, OpImageGather, OpImageDrefGather
    {305, 5}, {306, 5}, {307, 6}, {308, 6}, {309, 5}, {310, 5}, {311, 6}, {312, 6}, // sparse forms
    {313, 5}, {314, 6}, {315, 6},
}};

uint32_t MaskWordOf(uint32_t opcode)
{
    for (const ImageInstruction& i : kImageInstructions)
        if (i.opcode == opcode)
            return i.maskWord;
    return 0;
}

} // namespace

int MarkLoopsWithTextureOffsets(std::vector<uint32_t>& spirv)
{
    // Within a function, the front end lays out each loop's blocks between its header and
    // its merge block; an offset access in that range is inside the loop.
    struct Loop {
        size_t mergeWord; // index of the OpLoopMerge instruction
        size_t headerBlock;
        uint32_t mergeLabel;
    };
    std::vector<Loop> loops;
    std::vector<size_t> offsetBlocks; // block numbers holding an offset access
    std::unordered_map<uint32_t, size_t> blockOfLabel;
    size_t block = 0;
    int marked = 0;
    auto finishFunction = [&] {
        for (const Loop& loop : loops) {
            auto merge = blockOfLabel.find(loop.mergeLabel);
            const size_t end = merge == blockOfLabel.end() ? block + 1 : merge->second;
            for (size_t b : offsetBlocks) {
                if (b >= loop.headerBlock && b < end) {
                    uint32_t& control = spirv[loop.mergeWord + 3];
                    control = (control | kLoopControlUnroll) & ~kLoopControlDontUnroll;
                    ++marked;
                    break;
                }
            }
        }
        loops.clear();
        offsetBlocks.clear();
        blockOfLabel.clear();
    };
    for (size_t at = kHeaderWords; at < spirv.size();) {
        const uint32_t words = spirv[at] >> 16;
        const uint32_t opcode = spirv[at] & 0xFFFF;
        if (words == 0 || at + words > spirv.size())
            break;
        if (opcode == kOpLabel && words >= 2) {
            blockOfLabel[spirv[at + 1]] = ++block;
        } else if (opcode == kOpLoopMerge && words >= 4) {
            loops.push_back({at, block, spirv[at + 1]});
        } else if (opcode == kOpFunctionEnd) {
            finishFunction();
        } else if (const uint32_t maskWord = MaskWordOf(opcode); maskWord && words > maskWord) {
            if (spirv[at + maskWord] & kImageOperandOffset)
                offsetBlocks.push_back(block);
        }
        at += words;
    }
    finishFunction();
    return marked;
}

void UseHlslRemainders(std::vector<uint32_t>& spirv)
{
    for (size_t at = kHeaderWords; at < spirv.size();) {
        const uint32_t words = spirv[at] >> 16;
        const uint32_t opcode = spirv[at] & 0xFFFF;
        if (words == 0 || at + words > spirv.size())
            return;
        if (opcode == kOpSMod || opcode == kOpFMod)
            spirv[at] = words << 16 | (opcode == kOpSMod ? kOpSRem : kOpFRem);
        at += words;
    }
}

bool NeedsPasses(const std::vector<uint32_t>& spirv)
{
    std::unordered_set<uint32_t> resources; // variables of textures, samplers and arrays of them
    for (size_t at = kHeaderWords; at < spirv.size();) {
        const uint32_t words = spirv[at] >> 16;
        const uint32_t opcode = spirv[at] & 0xFFFF;
        if (words == 0 || at + words > spirv.size())
            return true; // let SPIRV-Tools say what is wrong
        if (opcode == kOpVariable && words >= 4 && spirv[at + 3] == kStorageUniformConstant)
            resources.insert(spirv[at + 2]);
        else if ((opcode == kOpAccessChain || opcode == kOpInBoundsAccessChain) && words >= 4 &&
                 resources.count(spirv[at + 3]))
            return true; // an element of an array of resources
        else if (const uint32_t maskWord = MaskWordOf(opcode);
                 maskWord && words > maskWord && (spirv[at + maskWord] & kImageOperandOffset))
            return true; // an offset GL would need as a constant
        at += words;
    }
    return false;
}

namespace {
// Runs the registered passes over spirv in place; false where SPIRV-Tools refuses it.
bool RunPasses(spvtools::Optimizer& optimizer, std::vector<uint32_t>& spirv)
{
    spvtools::OptimizerOptions options;
    options.set_run_validator(false);
    std::vector<uint32_t> out;
    if (!optimizer.Run(spirv.data(), spirv.size(), &out, options))
        return false;
    spirv.swap(out);
    return true;
}
} // namespace

bool OptimizeSpirv(std::vector<uint32_t>& spirv, const std::string& path, std::string& log)
{
    MarkLoopsWithTextureOffsets(spirv);
    spvtools::Optimizer optimizer(SPV_ENV_UNIVERSAL_1_0);
    optimizer.SetMessageConsumer(
        [&](spv_message_level_t level, const char*, const spv_position_t&, const char* message) {
            if (level <= SPV_MSG_ERROR)
                log += path + ": error: " + message + "\n";
        });
    optimizer.RegisterLegalizationPasses();
    // The list's last dead-branch pass runs before its comparisons of constants are
    // folded, so each unrolled copy keeps the branches its loop counter rules out, with
    // what they hold: an index of -1 into a constant array, say, which GL rejects even
    // where it cannot run. Fold once more, then drop them.
    optimizer.RegisterPass(spvtools::CreateSimplificationPass())
        .RegisterPass(spvtools::CreateDeadBranchElimPass())
        .RegisterPass(spvtools::CreateAggressiveDCEPass());
    if (!RunPasses(optimizer, spirv)) {
        log += path + ": error: the shader could not be legalised for this back end\n";
        return false;
    }
    return true;
}

bool ForwardLocalValues(std::vector<uint32_t>& spirv)
{
    spvtools::Optimizer optimizer(SPV_ENV_UNIVERSAL_1_0);
    optimizer.RegisterPass(spvtools::CreateMergeReturnPass()) // the inliner skips early returns
        .RegisterPass(spvtools::CreateInlineExhaustivePass())
        .RegisterPass(spvtools::CreateEliminateDeadFunctionsPass())
        .RegisterPass(spvtools::CreateLocalSingleBlockLoadStoreElimPass())
        .RegisterPass(spvtools::CreateLocalSingleStoreElimPass())
        .RegisterPass(spvtools::CreateScalarReplacementPass(0))
        .RegisterPass(spvtools::CreateLocalSingleStoreElimPass())
        .RegisterPass(spvtools::CreateSSARewritePass());
    return RunPasses(optimizer, spirv);
}

namespace {

// One instruction of a module: where it starts and its words.
struct Instruction {
    size_t at;
    uint32_t opcode;
    uint32_t words;
};

std::vector<Instruction> Instructions(const std::vector<uint32_t>& spirv)
{
    std::vector<Instruction> list;
    for (size_t at = kHeaderWords; at < spirv.size();) {
        const uint32_t words = spirv[at] >> 16;
        if (words == 0 || at + words > spirv.size())
            return {};
        list.push_back({at, spirv[at] & 0xFFFF, words});
        at += words;
    }
    return list;
}

// An OpName string: UTF-8, NUL-terminated, padded to whole words.
std::vector<uint32_t> NameWords(const std::string& name)
{
    std::vector<uint32_t> words((name.size() + 4) / 4, 0);
    for (size_t i = 0; i < name.size(); ++i)
        words[i / 4] |= static_cast<uint32_t>(static_cast<unsigned char>(name[i])) << (8 * (i % 4));
    return words;
}

std::string NameOf(const std::vector<uint32_t>& spirv, const Instruction& name)
{
    std::string text;
    for (size_t w = name.at + 2; w < name.at + name.words; ++w)
        for (int b = 0; b < 4; ++b) {
            const char c = static_cast<char>((spirv[w] >> (8 * b)) & 0xFF);
            if (c == 0)
                return text;
            text += c;
        }
    return text;
}

} // namespace

int SplitSamplerArrays(std::vector<uint32_t>& spirv)
{
    const std::vector<Instruction> list = Instructions(spirv);
    if (list.empty())
        return 0;
    std::unordered_set<uint32_t> samplerTypes;
    std::unordered_map<uint32_t, uint32_t> arrayLength; // sampler array type -> length id
    std::unordered_map<uint32_t, uint32_t> pointee;     // UniformConstant pointer type -> type
    std::unordered_map<uint32_t, uint32_t> constants;   // 32-bit constant id -> value
    for (const Instruction& i : list) {
        const uint32_t* w = &spirv[i.at];
        if (i.opcode == kOpTypeSampler && i.words >= 2)
            samplerTypes.insert(w[1]);
        else if (i.opcode == kOpTypeArray && i.words >= 4 && samplerTypes.count(w[2]))
            arrayLength[w[1]] = w[3];
        else if (i.opcode == kOpTypePointer && i.words >= 4 && w[2] == kStorageUniformConstant)
            pointee[w[1]] = w[3];
        else if (i.opcode == kOpConstant && i.words == 4)
            constants[w[2]] = w[3];
    }
    for (const Instruction& variable : list) {
        const uint32_t* v = &spirv[variable.at];
        if (variable.opcode != kOpVariable || variable.words < 4 || v[3] != kStorageUniformConstant)
            continue;
        auto type = pointee.find(v[1]);
        if (type == pointee.end() || !arrayLength.count(type->second))
            continue;
        auto length = constants.find(arrayLength[type->second]);
        if (length == constants.end() || length->second == 0 || length->second > 64)
            continue;
        const uint32_t id = v[2];
        // Every use must be an element taken with a constant index and then loaded.
        std::unordered_map<uint32_t, uint32_t> elementOf; // access chain result -> index
        uint32_t elementPointer = 0;
        bool splittable = true;
        for (const Instruction& use : list) {
            const uint32_t* u = &spirv[use.at];
            if (&use == &variable || ((use.opcode == kOpName || use.opcode == kOpDecorate) && u[1] == id))
                continue;
            if ((use.opcode == kOpAccessChain || use.opcode == kOpInBoundsAccessChain) && use.words >= 4 &&
                u[3] == id) {
                auto index = use.words == 5 ? constants.find(u[4]) : constants.end();
                if (index == constants.end() || index->second >= length->second) {
                    splittable = false;
                    break;
                }
                elementOf[u[2]] = index->second;
                elementPointer = u[1];
                continue;
            }
            for (uint32_t k = 1; k < use.words && splittable; ++k)
                splittable = u[k] != id;
        }
        if (!splittable || elementOf.empty())
            continue;
        for (const Instruction& use : list) {
            const uint32_t* u = &spirv[use.at];
            if (use.words >= 3 && elementOf.count(u[2]) && (use.opcode == kOpAccessChain || use.opcode == kOpInBoundsAccessChain))
                continue;
            for (uint32_t k = 1; k < use.words && splittable; ++k)
                if (elementOf.count(u[k]) && !(use.opcode == kOpLoad && k == 3))
                    splittable = false;
        }
        if (!splittable)
            continue;

        // New variables, one per element, in place of the array: ids past the bound, the
        // element's binding, the array's descriptor set and name with the index.
        std::vector<uint32_t> elements;
        for (uint32_t k = 0; k < length->second; ++k)
            elements.push_back(spirv[3]++);
        std::vector<uint32_t> out(spirv.begin(), spirv.begin() + kHeaderWords);
        for (const Instruction& i : list) {
            const uint32_t* w = &spirv[i.at];
            if (i.opcode == kOpName && w[1] == id) {
                const std::string name = NameOf(spirv, i);
                for (uint32_t k = 0; k < elements.size(); ++k) {
                    const std::vector<uint32_t> text = NameWords(name + "_" + std::to_string(k));
                    out.push_back(static_cast<uint32_t>(2 + text.size()) << 16 | kOpName);
                    out.push_back(elements[k]);
                    out.insert(out.end(), text.begin(), text.end());
                }
                continue;
            }
            if (i.opcode == kOpDecorate && w[1] == id) {
                for (uint32_t k = 0; k < elements.size(); ++k) {
                    out.insert(out.end(), w, w + i.words);
                    out[out.size() - i.words + 1] = elements[k];
                    if (i.words >= 4 && w[2] == kDecorationBinding)
                        out.back() = w[3] + k;
                }
                continue;
            }
            if (&i == &variable) {
                for (uint32_t element : elements)
                    out.insert(out.end(), {4u << 16 | kOpVariable, elementPointer, element, kStorageUniformConstant});
                continue;
            }
            if ((i.opcode == kOpAccessChain || i.opcode == kOpInBoundsAccessChain) && i.words >= 4 && w[3] == id)
                continue;
            const size_t start = out.size();
            out.insert(out.end(), w, w + i.words);
            if (i.opcode == kOpLoad && i.words >= 4) {
                auto element = elementOf.find(w[3]);
                if (element != elementOf.end())
                    out[start + 3] = elements[element->second];
            }
        }
        spirv.swap(out);
        // Offsets have moved: split the next array on a fresh reading.
        return 1 + SplitSamplerArrays(spirv);
    }
    return 0;
}

