// Tests never write the shader cache into the user's home: off unless a test chooses a
// directory of its own. Players the tests start inherit the setting.
#include <cstdlib>

namespace {
const int kNoShaderCache = ::setenv("MARROWLIGHT_SHADER_CACHE", "off", 0);
} // namespace
