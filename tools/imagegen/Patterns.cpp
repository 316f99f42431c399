// Procedural images: each pattern is a function from a point to a premultiplied
// colour, sampled 4 x 4 times per pixel, so hard shapes come out anti-aliased.
#include "Patterns.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace {

struct Colour {
    float r = 0, g = 0, b = 0, a = 0; // premultiplied

    static Colour Opaque(float r, float g, float b) { return {r, g, b, 1.0f}; }
    static Colour Hex(uint32_t rgb, float alpha = 1.0f)
    {
        return {((rgb >> 16) & 0xff) / 255.0f * alpha, ((rgb >> 8) & 0xff) / 255.0f * alpha,
                (rgb & 0xff) / 255.0f * alpha, alpha};
    }
};

Colour Mix(const Colour& a, const Colour& b, float t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}

// Paints `top` over `under` (both premultiplied).
Colour Over(const Colour& top, const Colour& under)
{
    const float k = 1.0f - top.a;
    return {top.r + under.r * k, top.g + under.g * k, top.b + under.b * k, top.a + under.a * k};
}

Colour Scaled(const Colour& c, float k)
{
    return {c.r * k, c.g * k, c.b * k, c.a * k};
}

float Clamp01(float x)
{
    return std::clamp(x, 0.0f, 1.0f);
}

float Fract(float x)
{
    return x - std::floor(x);
}

using Shader = std::function<Colour(float x, float y)>;

void Render(RgbaImage& image, const Shader& shade)
{
    constexpr int kSamples = 4;
    image.rgba.assign(static_cast<size_t>(image.width) * static_cast<size_t>(image.height) * 4, 0);
    for (int py = 0; py < image.height; ++py) {
        for (int px = 0; px < image.width; ++px) {
            Colour sum;
            for (int sy = 0; sy < kSamples; ++sy)
                for (int sx = 0; sx < kSamples; ++sx) {
                    const Colour c = shade(px + (sx + 0.5f) / kSamples, py + (sy + 0.5f) / kSamples);
                    sum = {sum.r + c.r, sum.g + c.g, sum.b + c.b, sum.a + c.a};
                }
            sum = Scaled(sum, 1.0f / (kSamples * kSamples));
            // PNG holds straight alpha.
            const float a = Clamp01(sum.a);
            const float un = a > 0.0f ? 1.0f / a : 0.0f;
            uint8_t* out = &image.rgba[(static_cast<size_t>(py) * static_cast<size_t>(image.width) + px) * 4];
            out[0] = static_cast<uint8_t>(std::lround(Clamp01(sum.r * un) * 255.0f));
            out[1] = static_cast<uint8_t>(std::lround(Clamp01(sum.g * un) * 255.0f));
            out[2] = static_cast<uint8_t>(std::lround(Clamp01(sum.b * un) * 255.0f));
            out[3] = static_cast<uint8_t>(std::lround(a * 255.0f));
        }
    }
}

// A synthwave sun over a neon grid, inside a lens (the intersection of two
// circles) outlined in cyan with a soft glow around it.
Colour Logo(float x, float y, float width, float height)
{
    const float s = height / 512.0f;
    const float cx = (x - width * 0.5f) / s;
    const float cy = (y - height * 0.5f) / s;
    const float halfW = 0.44f * width / s;
    const float halfH = 184.0f;
    const float radius = (halfW * halfW + halfH * halfH) / (2.0f * halfH);
    const float offset = radius - halfH;
    const float lens = std::max(std::hypot(cx, cy - offset), std::hypot(cx, cy + offset)) - radius;

    const Colour cyan = Colour::Hex(0x52e8ff);
    if (lens > 0.0f) {
        const float ring = lens < 5.0f ? 1.0f : 0.0f;
        const float glow = 0.6f * std::exp(-lens / 22.0f);
        return Scaled(cyan, std::max(ring, glow));
    }

    const float horizon = 52.0f;
    Colour c;
    if (cy < horizon) {
        // Sky: night blue to magenta at the horizon, with a sun sitting on it.
        const float t = Clamp01((cy + halfH) / (horizon + halfH));
        c = Mix(Colour::Hex(0x0d0830), Colour::Hex(0xa3206a), t * t);
        const float sunY = horizon - 44.0f, sunR = 132.0f;
        if (std::hypot(cx, cy - sunY) < sunR) {
            const float k = Clamp01((cy - (sunY - sunR)) / (2.0f * sunR));
            const Colour sun = Mix(Colour::Hex(0xffe45c), Colour::Hex(0xff3d8b), k);
            // Bands cut into the lower half, wider towards the horizon.
            const float below = (cy - (sunY - 0.15f * sunR)) / (1.15f * sunR);
            const bool gap = below > 0.0f && Fract(cy / 19.0f) < 0.12f + 0.5f * below;
            if (!gap)
                c = sun;
        }
        // Haze over the horizon.
        c = Over(Scaled(Colour::Hex(0xff6ad5), 0.5f * std::exp(-(horizon - cy) / 10.0f)), c);
    } else {
        // Ground: a perspective grid running to the horizon.
        const float depth = 1.0f / std::max(cy - horizon, 0.5f);
        c = Colour::Hex(0x160427);
        const float rows = Fract(depth * 360.0f + 0.0f);
        const float cols = Fract(cx * depth * 2.2f + 0.5f);
        const float lineWidth = std::min(0.5f, 0.09f + 0.6f * depth);
        const bool line = rows < lineWidth * 0.8f || std::fabs(cols - 0.5f) < lineWidth * 0.5f;
        // Lines fade out towards the horizon, where they would crowd into noise.
        if (line)
            c = Mix(c, Mix(Colour::Hex(0xff4fd8), Colour::Hex(0x52e8ff), Clamp01((cy - horizon) / 120.0f)),
                    Clamp01((cy - horizon) / 45.0f));
        c = Over(Scaled(Colour::Hex(0xff6ad5), 0.6f * std::exp(-(cy - horizon) / 6.0f)), c);
    }
    // Darken towards the rim, then the cyan outline.
    c = Over(Scaled(Colour::Hex(0x000000), 0.5f * std::exp(lens / 30.0f)), c);
    if (lens > -5.0f)
        c = cyan;
    return c;
}

uint32_t Hash(uint32_t x)
{
    x ^= x >> 16;
    x *= 0x7feb352du;
    x ^= x >> 15;
    x *= 0x846ca68bu;
    x ^= x >> 16;
    return x;
}

// Dark panels with glowing seams; a few panels carry a warm lamp. Tiles
// seamlessly when the size is a multiple of the cell size.
Colour Tiles(float x, float y, float width)
{
    const float cell = width / 8.0f;
    const int ix = static_cast<int>(x / cell), iy = static_cast<int>(y / cell);
    const float u = Fract(x / cell) - 0.5f, v = Fract(y / cell) - 0.5f;
    // Rounded square: distance to the panel's edge, in cell units.
    const float half = 0.42f, round = 0.12f;
    const float qx = std::fabs(u) - (half - round), qy = std::fabs(v) - (half - round);
    const float panel = std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f)) + std::min(std::max(qx, qy), 0.0f) - round;

    const Colour seam = Colour::Hex(0x3fe0ff);
    if (panel > 0.0f)
        return Mix(Colour::Opaque(0.02f, 0.05f, 0.08f), seam, std::exp(-panel * 30.0f));
    const uint32_t h = Hash(static_cast<uint32_t>(ix * 73 + iy * 9151));
    Colour c = Mix(Colour::Hex(0x2e3f5c), Colour::Hex(0x151c2b), Clamp01(0.5f + u + v));
    if (h % 7 == 0) {
        const Colour lamp = h % 2 ? Colour::Hex(0xff8a3d) : Colour::Hex(0xff4fd8);
        const float r = std::hypot(u, v);
        c = Mix(c, lamp, Clamp01(1.0f - r * 5.0f) + 0.3f * std::exp(-r * 6.0f));
    }
    // A bright inner bevel on the panel's edge.
    return Mix(c, seam, 0.5f * std::exp(panel * 40.0f));
}

} // namespace

bool DrawPattern(const std::string& name, int width, int height, RgbaImage& image)
{
    image.width = width;
    image.height = height;
    const float w = static_cast<float>(width), h = static_cast<float>(height);
    if (name == "logo")
        Render(image, [w, h](float x, float y) { return Logo(x, y, w, h); });
    else if (name == "tiles")
        Render(image, [w](float x, float y) { return Tiles(x, y, w); });
    else
        return false;
    return true;
}
