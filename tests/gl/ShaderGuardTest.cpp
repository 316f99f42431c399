// Translation runs in a worker process: a worker that crashes, hangs or is missing costs
// one shader, with a clear message, and the next shader gets a fresh worker. Results are
// shared within a process and kept on disk between runs; a message is said once. The
// productions whose shaders crashed the translator play through ReproTest.
#include "ShaderHarness.h"

#include "render/gl/shader/ShaderCache.h"
#include "render/gl/shader/ShaderTranslator.h"
#include "render/gl/shader/TranslationWorker.h"

#include <regex>
#include <sys/stat.h>

namespace {

const TranslationRequest kGood{ShaderStage::Pixel, "good.hlsl", "PSMain",
                               "float4 PSMain() : SV_Target { return float4(0, 1, 0, 1); }"};

// A stand-in worker: a shell script doing what a broken worker would.
std::string FakeWorker(const TempDir& dir, const std::string& body)
{
    const std::string path = dir.Write("fake-worker", "#!/bin/sh\n" + body + "\n");
    ::chmod(path.c_str(), 0755);
    return path;
}

TEST(ShaderGuard, CrashHangAndAbsenceAreCompileErrors)
{
    TempDir dir;
    CTranslationWorker crashing(FakeWorker(dir, "head -c 4 >/dev/null; kill -SEGV $$"), std::chrono::milliseconds(5000));
    StageTranslation result = crashing.Translate(kGood);
    EXPECT_EQ(result.outcome, StageTranslation::Outcome::Crashed);
    EXPECT_NE(result.log.find("good.hlsl: error: the HLSL translator crashed on this shader (Segmentation fault)"),
              std::string::npos)
        << result.log;
    // The next request starts a fresh worker.
    result = crashing.Translate(kGood);
    EXPECT_EQ(crashing.Starts(), 2);

    CTranslationWorker hanging(FakeWorker(dir, "exec sleep 30"), std::chrono::milliseconds(300));
    result = hanging.Translate(kGood);
    EXPECT_EQ(result.outcome, StageTranslation::Outcome::Crashed);
    EXPECT_NE(result.log.find("took longer than 0.3 s on this shader and was stopped"), std::string::npos)
        << result.log;

    CTranslationWorker missing("", std::chrono::milliseconds(1000));
    result = missing.Translate(kGood);
    EXPECT_NE(result.log.find("MARROWLIGHT_SHADER_WORKER"), std::string::npos) << result.log;

    // The real worker, found the way the player finds it, survives a crash on one shader.
    CTranslationWorker real(FindShaderWorker(), std::chrono::milliseconds(8000));
    ASSERT_TRUE(real.Translate(kGood).Ok());
    std::ifstream repro(std::string(ML_REPRO_DIR) + "/hlsl-9/Data/Shaders/repro.hlsl");
    if (repro) {
        std::stringstream text;
        text << repro.rdbuf();
        EXPECT_EQ(real.Translate({ShaderStage::Vertex, "repro.hlsl", "VSPass", text.str()}).outcome,
                  StageTranslation::Outcome::Crashed);
        EXPECT_TRUE(real.Translate(kGood).Ok());
        EXPECT_EQ(real.Starts(), 2);
    }
}

TEST(ShaderGuard, OneTranslationPerProcessAndADiskCache)
{
    TempDir dir;
    const std::string cache = (dir.Path() / "cache").string();
    CShaderTranslator& translator = CShaderTranslator::Get();
    translator.Reset(cache, FindShaderWorker(), CShaderTranslator::kDefaultLimit);
    auto first = translator.Translate("a.hlsl", kGood.source, "PSMain", ShaderStage::Pixel);
    auto again = translator.Translate("b.hlsl", kGood.source, "PSMain", ShaderStage::Pixel);
    ASSERT_TRUE(first->Ok()) << first->log;
    EXPECT_EQ(first->body, again->body);
    EXPECT_EQ(translator.GetCounts().translated, 1);
    EXPECT_EQ(translator.GetCounts().fromMemory, 1);
    // Messages name the file asked for, even from a shared or cached result.
    auto broken = translator.Translate("x.hlsl", "float4 PSMain() : SV_Target { return y; }", "PSMain",
                                       ShaderStage::Pixel);
    EXPECT_NE(broken->log.find("x.hlsl:1:"), std::string::npos) << broken->log;

    // A later run: from disk, the worker is not asked; failures are cached too.
    translator.ForgetTranslations();
    translator.Translate("a.hlsl", kGood.source, "PSMain", ShaderStage::Pixel);
    auto brokenAgain = translator.Translate("z.hlsl", "float4 PSMain() : SV_Target { return y; }", "PSMain",
                                            ShaderStage::Pixel);
    EXPECT_NE(brokenAgain->log.find("z.hlsl:1:"), std::string::npos) << brokenAgain->log;
    EXPECT_EQ(translator.GetCounts().translated, 2);
    EXPECT_EQ(translator.GetCounts().fromDisk, 2);

    // A damaged cache file is a miss, not a wrong shader.
    for (const auto& entry : std::filesystem::directory_iterator(cache))
        std::ofstream(entry.path(), std::ios::binary | std::ios::app) << "x";
    translator.ForgetTranslations();
    EXPECT_TRUE(translator.Translate("a.hlsl", kGood.source, "PSMain", ShaderStage::Pixel)->Ok());
    EXPECT_EQ(translator.GetCounts().translated, 3);
    translator.Reset(CShaderCache::DefaultDirectory(), FindShaderWorker(), CShaderTranslator::kDefaultLimit);
}

// A production whose material file names both stages of one shader file, twice over.
std::string SharedShaderProduction(const TempDir& dir, const std::string& pixelBody)
{
    dir.Write("production/Data/Shaders/Partners.hlsl", kHarnessPartners);
    dir.Write("production/Data/Mats/FaderMaterial.txt", "loadvertexshader Data\\Shaders\\Partners.hlsl PassVS\n"
                                                        "loadpixelshader Data\\Shaders\\Partners.hlsl FadePS\n"
                                                        "textureslot rendertarget Frame\n");
    dir.Write("production/Data/Shaders/Both.hlsl",
              "float4 VSMain(float3 p : POSITION) : SV_Position { return float4(p, 1); }\n"
              "float4 PSMain() : SV_Target\n{\n    " + pixelBody + "\n}\n");
    for (const char* name : {"One", "Two"})
        dir.Write(std::string("production/Data/Mats/") + name + ".txt",
                  "loadvertexshader Data\\Shaders\\Both.hlsl VSMain\nloadpixelshader Data\\Shaders\\Both.hlsl PSMain\n");
    dir.Write("production/DemoScript.txt", "creatematerial one Data\\Mats\\One.txt\ncreatematerial two Data\\Mats\\Two.txt\n"
                                           "createpostprocess fill two\naddpostprocess fill\nfadeup 0\n");
    return "'" + (dir.Path() / "production").string() + "'";
}

TEST(ShaderGuard, AnErrorIsSaidOnceAtItsColumn)
{
    TempDir dir;
    const std::string production = SharedShaderProduction(dir, "return missingColour;");
    std::string errors;
    EXPECT_EQ(RunPlayerBinary("--check " + production, &errors), 1);
    // Two materials name the file for both stages: four compiles, one message.
    const std::regex message("Both\\.hlsl:4:\\d+: error: 'missingColour' : unknown variable");
    EXPECT_EQ(std::distance(std::sregex_iterator(errors.begin(), errors.end(), message), std::sregex_iterator()), 1)
        << errors;
}

TEST(ShaderGuard, ALaterRunNeedsNoTranslator)
{
    TempDir dir;
    const std::string production = SharedShaderProduction(dir, "return float4(0, 1, 0, 1);");
    const std::string cache = (dir.Path() / "cache").string();
    const std::string png = (dir.Path() / "out.png").string();
    const std::string arguments = "--headless --size 16x16 --frames 2 --capture 1:'" + png + "' " + production;
    std::string errors;
    ASSERT_EQ(RunPlayerBinary(arguments, &errors, "MARROWLIGHT_SHADER_CACHE='" + cache + "'"), 0) << errors;
    EXPECT_TRUE(Uniform(ReadPng(png), {0, 255, 0}));
    std::error_code ec;
    EXPECT_FALSE(std::filesystem::is_empty(cache, ec) || ec) << "nothing kept in " << cache;
    std::filesystem::remove(png);
    EXPECT_EQ(RunPlayerBinary(arguments, &errors,
                              "MARROWLIGHT_SHADER_CACHE='" + cache + "' MARROWLIGHT_SHADER_WORKER=/nonexistent"),
              0);
    EXPECT_EQ(errors, "");
    EXPECT_TRUE(Uniform(ReadPng(png), {0, 255, 0}));
}

} // namespace
