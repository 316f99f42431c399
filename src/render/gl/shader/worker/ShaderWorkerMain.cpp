// ml-shader-worker: the process the player translates HLSL in (see TranslationWorker.h).
//   ml-shader-worker --serve              answer requests on standard input (a socket)
//   ml-shader-worker FILE ENTRY vs|ps     translate one entry point, print the GLSL body
// It keeps no state between requests but glslang's one-time start-up.
#include "render/gl/shader/HlslTranslator.h"
#include "render/gl/shader/MessageChannel.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <sys/resource.h>

namespace {

// A crash here is expected now and then: no core file for it.
void LimitResources()
{
    rlimit none{0, 0};
    ::setrlimit(RLIMIT_CORE, &none);
#if !defined(__SANITIZE_ADDRESS__)
    // A runaway translation fails to allocate rather than eat the machine.
    rlimit memory{2ull << 30, 2ull << 30};
    ::setrlimit(RLIMIT_AS, &memory);
#endif
}

int Serve()
{
    LimitResources();
    std::string message;
    while (channel::Receive(0, message, std::chrono::steady_clock::time_point::max()) == channel::ReadResult::Ok) {
        TranslationRequest request;
        if (!codec::Decode(message, request))
            return 2;
        if (!channel::Send(0, codec::Encode(TranslateHlsl(request))))
            return 0;
    }
    return 0; // the player closed the socket
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--serve") == 0)
        return Serve();
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("%s\n", TranslatorVersion().c_str());
        return 0;
    }
    if (argc != 4 || (std::strcmp(argv[3], "vs") != 0 && std::strcmp(argv[3], "ps") != 0)) {
        std::fprintf(stderr, "usage: ml-shader-worker --serve | --version | FILE ENTRY vs|ps\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "%s: cannot read the file\n", argv[1]);
        return 1;
    }
    std::ostringstream text;
    text << in.rdbuf();
    TranslationRequest request{std::strcmp(argv[3], "vs") == 0 ? ShaderStage::Vertex : ShaderStage::Pixel, argv[1],
                               argv[2], text.str()};
    const StageTranslation result = TranslateHlsl(request);
    std::cerr << result.log;
    if (!result.Ok())
        return 1;
    std::cout << result.header << result.body;
    return 0;
}
