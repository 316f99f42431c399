// The passes are SPIRV-Tools' legalisation list (it holds scalar replacement, store/load
// elimination, constant propagation and full unrolling of loops marked Unroll), run once.
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
    spvtools::OptimizerOptions options;
    options.set_run_validator(false);
    std::vector<uint32_t> optimized;
    if (!optimizer.Run(spirv.data(), spirv.size(), &optimized, options)) {
        log += path + ": error: the shader could not be legalised for this back end\n";
        return false;
    }
    spirv.swap(optimized);
    return true;
}
