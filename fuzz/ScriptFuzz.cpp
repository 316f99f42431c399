// The demo script as the player reads it: the reader and the demo commands on
// the null demo system, frame after frame, with up to three files to include.
// The input is the script, then the included files, separated by NUL bytes.
#include "FuzzTarget.h"

#include "app/DemoSystem.h"
#include "app/Diagnostics.h"
#include "app/FrameLoop.h"

const char* const kFuzzReproPatterns[] = {"script-*/*.txt", "filepath-*/DemoScript.txt", "*/DemoScript.txt", nullptr};

std::vector<FuzzSeed> FuzzSeeds()
{
    const std::string scene = "createnode ship root\n"
                              "createnode Mast ship\n"
                              "createvariable bob linear 3\n"
                              "setvariablekeyframe bob 0 0 0 0\n"
                              "setvariablekeyframe bob 2 1 2 3\n"
                              "setposition \\ship bob\n"
                              "setrotation \\ship\\mast 0 90 0\n"
                              "setscale \\ship 1 2 3\n"
                              "enablenode \\ship\\mast 0\n"
                              "createquad q\n"
                              "creatematerial m mat.txt\n"
                              "createtexture t img.png\n"
                              "bindtexture m diffuse t\n"
                              "addproperty modelrenderer r \\ship q\n"
                              "bindmaterial r material m\n"
                              "addproperty camera cam \\ship\n"
                              "createfont f font.spritefont\n"
                              "addproperty textrenderer label \\ship f \"Hello there\"\n"
                              "setcolour m ambient 1 0.5 0.25\n"
                              "createvariable tint linear 4\n"
                              "setcolour m ambient tint\n"
                              "createpostprocess blur m\n"
                              "addpostprocess blur\n"
                              "removepostprocess blur\n"
                              "clearpostprocess\n"
                              "fadeup 0.5\n";
    const std::string timeline = "include a.txt\n"
                                 "delayuntil delay 0.25\n"
                                 "resetlocaltime\n"
                                 "delayuntil local 0.5\n"
                                 "loadaudiotrack music song.ogg\n"
                                 "playaudiotrack music\n"
                                 "setmusictime 1.5\n"
                                 "delayuntil music 2\n"
                                 "fadedown 1\n"
                                 "delayuntil global 3\n"
                                 "exitdemo\n";
    return {
        {"scene", scene + "delayuntil global 1\nexitdemo\n"},
        {"timeline", fuzz::Join({timeline, "include b.txt\ncreatenode inner root\n", scene})},
        {"quotes-and-comments", "  CreateNode\t\"a b\" root # comment\naddproperty \"textrenderer\"\"x\" \\a f \"un"
                                "terminated\n\xEF\xBB\xBF" "bogus line\r\ninclude\ninclude a b\n"},
    };
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<std::string_view> files = fuzz::Split(data, size, 4);
    const char* const names[] = {"DemoScript.txt", "a.txt", "b.txt", "c.txt"};
    for (size_t i = 0; i < 4; ++i)
        fuzz::WriteScratch(names[i], i < files.size() ? files[i] : std::string_view());
    // Files the commands load exist (the null renderer loads what exists).
    for (const char* asset : {"mat.txt", "img.png", "font.spritefont", "model.x3d", "song.ogg"})
        fuzz::WriteScratch(asset, "");

    diag::SetEnabled(true);
    diag::SetSink([](const std::string&) {});
    {
        CNullDemoSystem demo;
        if (demo.Init("DemoScript.txt", 64, 36))
            for (int frame = 0; frame < 200 && !RunFrame(demo, 1.0f / 32.0f).ended; ++frame) {
            }
    }
    diag::SetSink({});
    diag::SetEnabled(false);
    return 0;
}
