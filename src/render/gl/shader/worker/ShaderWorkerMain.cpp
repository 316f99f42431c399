// ml-shader-worker: the process the player translates HLSL in (see TranslationWorker.h).
//   ml-shader-worker --serve              answer requests on standard input (a socket)
//   ml-shader-worker FILE ENTRY vs|ps     translate one entry point, print the GLSL body
// It keeps no state between requests but glslang's one-time start-up.
#include "render/gl/shader/HlslTranslator.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

namespace {

constexpr uint32_t kMaxMessage = 64u << 20;

bool ReadAll(int fd, char* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::read(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool WriteAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

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
    while (true) {
        unsigned char header[4];
        if (!ReadAll(0, reinterpret_cast<char*>(header), 4))
            return 0; // the player closed the socket
        const uint32_t size = header[0] | header[1] << 8 | header[2] << 16 | static_cast<uint32_t>(header[3]) << 24;
        if (size > kMaxMessage)
            return 2;
        std::string message(size, '\0');
        TranslationRequest request;
        if (!ReadAll(0, message.data(), size) || !codec::Decode(message, request))
            return 2;
        const std::string answer = codec::Encode(TranslateHlsl(request));
        char length[4];
        for (int i = 0; i < 4; ++i)
            length[i] = static_cast<char>((answer.size() >> (8 * i)) & 0xFF);
        if (!WriteAll(0, length, 4) || !WriteAll(0, answer.data(), answer.size()))
            return 0;
    }
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
