// The files of a new production, and the font and music made for it.
#include "app/starter/StarterProduction.h"

#include "app/starter/StarterMusic.h"

#include "CharacterSet.h"
#include "GlyphRasterizer.h"
#include "SpriteFontWriter.h"

#include <filesystem>
#include <fstream>
#include <system_error>

namespace fs = std::filesystem;

namespace {

struct TextFile {
    const char* path;
    const char* text;
};

// Written as they are; paths use '\' as productions made on Windows do.
constexpr TextFile kFiles[] = {
    {"DemoScript.txt", R"(# Your first production. Lines run from the top; "delayuntil" waits until a
# moment comes. Play it:   marrowlight --windowed .
# Check it:                marrowlight --check .
# Render it:               marrowlight --render first.mp4 --size 1280x720 --fps 30 .
include Scenes\Setup.txt
delayuntil delay 0.01
playaudiotrack tune
fadeup 1
delayuntil music 4
setcolour waves ambient 1 0.6 0.2
delayuntil music 7
fadedown 1
delayuntil music 8
exitdemo
)"},
    {"Scenes/Setup.txt", R"(# Everything the timeline uses: music, font, model, materials, the scene and
# the effect. Runs on the first frame, before anything is drawn.
loadaudiotrack tune Data\Music\Tune.wav
createfont title Data\Fonts\Title.spritefont
createmodel cube Data\Models\Cube.x3d
creatematerial cubemat Data\Mats\Cube.txt
creatematerial waves Data\Mats\Waves.txt

# The effect reads the scene (its "rendertarget" slot) and the music, which the
# player publishes as the texture music_spectrum.
bindtexture waves music music_spectrum
setcolour waves ambient 0.2 0.6 1
createpostprocess waves waves
addpostprocess waves

# A cube that turns, its colour keyframed: orange, blue, orange over 8 seconds.
createvariable spin linear 3
setvariablekeyframe spin 0 20 0 0
setvariablekeyframe spin 8 80 360 0
createvariable glow linear 4
setvariablekeyframe glow 0 1 0.45 0.2 1
setvariablekeyframe glow 4 0.3 0.6 1 1
setvariablekeyframe glow 8 1 0.45 0.2 1
setcolour cubemat ambient glow
createnode spinner root
setrotation \spinner spin
addproperty modelrenderer cuberenderer \spinner cube
bindmaterial cuberenderer material cubemat

# The title, centred on a point near the top of the screen (y runs -1 top to 1 bottom).
createnode caption root
setposition \caption 0 -0.75 0
addproperty textrenderer captiontext \caption title "Hello from Marrowlight"
)"},
    {"Data/Mats/FaderMaterial.txt", R"(# The fader: every production needs this file. It draws the finished frame,
# times the fade value, to the screen.
loadvertexshader Data\Shaders\Passes.hlsl VSPass
loadpixelshader Data\Shaders\Passes.hlsl PSFader
textureslot rendertarget Frame
)"},
    {"Data/Mats/Cube.txt", R"(# The cube: lit flat, tinted by the material's colour.
loadvertexshader Data\Shaders\Cube.hlsl VSCube
loadpixelshader Data\Shaders\Cube.hlsl PSCube
)"},
    {"Data/Mats/Waves.txt", R"(# The full-screen effect: the scene over moving bands, with the music's
# spectrum as bars and its waveform as a line.
loadvertexshader Data\Shaders\Passes.hlsl VSPass
loadpixelshader Data\Shaders\Passes.hlsl PSWaves
textureslot rendertarget Frame
textureslot music Music
)"},
    {"Data/Shaders/Cube.hlsl", R"(// The cube. Constants are filled by name: the three matrices and the
// material's colour (set by "setcolour", here from a keyframed variable).
cbuffer Scene : register(b0)
{
    float4x4 WorldMatrix;
    float4x4 ViewMatrix;
    float4x4 ProjectionMatrix;
    float4 AmbientColour;
};

struct VSIn
{
    float3 pos : POSITION;
    float4 col : COLOR;
    float2 uv : TEXCOORD;
};

struct VSOut
{
    float4 pos : SV_Position;
    float2 uv : TEXCOORD0;
    float3 world : TEXCOORD1;
};

VSOut VSCube(VSIn i)
{
    VSOut o;
    float4 world = mul(float4(i.pos, 1.0), WorldMatrix);
    o.world = world.xyz;
    o.pos = mul(mul(world, ViewMatrix), ProjectionMatrix);
    o.uv = i.uv;
    return o;
}

float4 PSCube(VSOut i) : SV_Target
{
    // The face's normal from screen-space derivatives (models carry no normals).
    float3 n = normalize(cross(ddx(i.world), ddy(i.world)));
    float3 toEye = float3(0.0, 0.0, -1.0) - i.world;
    if (dot(n, toEye) < 0.0)
        n = -n;
    float light = 0.3 + 0.7 * saturate(dot(n, normalize(float3(-0.4, 0.7, -0.6))));
    // Darker edges from the face's texture coordinates.
    float2 edge = min(i.uv, 1.0 - i.uv);
    float frame = smoothstep(0.0, 0.08, min(edge.x, edge.y));
    return float4(AmbientColour.rgb * light * (0.4 + 0.6 * frame), 1.0);
}
)"},
    {"Data/Shaders/Passes.hlsl", R"(// The full-screen passes: the effect and the fader. They share one vertex
// shader and one constant buffer, which the player fills by name:
//   resolution     output width, height, 1/width, 1/height
//   global_time    seconds since the start
//   AmbientColour  the material's colour ("setcolour waves ...")
//   fade_value     the global fade, 0 to 1 ("fadeup", "fadedown")
// The script binds music_spectrum to the effect's "music" slot: 512 x 2 floats,
// row 0 the spectrum (0 = -100 dB, 1 = full scale; low notes on the left),
// row 1 the waveform (0.5 = silence).
cbuffer Inputs : register(b0)
{
    float4 resolution;
    float global_time;
    float fade_value;
    float4 AmbientColour;
};

Texture2D Frame : register(t0);
Texture2D Music : register(t1);
SamplerState Linear : register(s0);

struct VSIn
{
    float3 pos : POSITION;
    float4 col : COLOR;
    float2 uv : TEXCOORD;
};

struct VSOut
{
    float4 pos : SV_Position;
    float2 uv : TEXCOORD0;
};

// The quad's corners are already in clip space.
VSOut VSPass(VSIn i)
{
    VSOut o;
    o.pos = float4(i.pos.xy, 0.0, 1.0);
    o.uv = i.uv;
    return o;
}

// The effect: moving bands, the spectrum as bars, the waveform as a line, and
// the scene on top.
float4 PSWaves(VSOut i) : SV_Target
{
    float4 scene = Frame.Sample(Linear, i.uv);
    // Pixel coordinates, so the bands keep their size at any resolution.
    float2 pixel = i.uv * resolution.xy;
    float bands = 0.5 + 0.5 * sin(pixel.y / resolution.y * 18.0 - global_time * 2.0);
    float3 colour = AmbientColour.rgb * (0.05 + 0.1 * bands);
    // Bars: the lower quarter of the spectrum, where music has most of its energy.
    float level = Music.Sample(Linear, float2(i.uv.x * 0.25, 0.25)).r;
    float bar = step(1.0 - i.uv.y, level * level * 0.5);
    colour += AmbientColour.rgb * bar * 0.6;
    // The waveform as a line two pixels wide across the middle.
    float wave = Music.Sample(Linear, float2(i.uv.x, 0.75)).r;
    float distance = abs(i.uv.y - (1.0 - wave)) * resolution.y;
    colour += saturate(1.0 - distance * 0.5) * 0.8;
    // The scene where something was drawn (its background is black).
    float covered = saturate(dot(scene.rgb, float3(1.0, 1.0, 1.0)) * 4.0);
    return float4(lerp(colour, scene.rgb, covered), 1.0);
}

// The fader, the last pass of every frame: the finished frame times the fade.
float4 PSFader(VSOut i) : SV_Target
{
    return float4(Frame.Sample(Linear, i.uv).rgb * fade_value, 1.0);
}
)"},
};

// A cube of side 0.5 at the origin, six quads seen clockwise from outside.
std::string CubeX3D()
{
    // Each face: outward normal, then the "right" and "up" of a viewer facing it.
    static const int faces[6][9] = {
        {0, 0, -1, 1, 0, 0, 0, 1, 0},  {0, 0, 1, -1, 0, 0, 0, 1, 0}, {1, 0, 0, 0, 0, 1, 0, 1, 0},
        {-1, 0, 0, 0, 0, -1, 0, 1, 0}, {0, 1, 0, 1, 0, 0, 0, 0, 1},  {0, -1, 0, -1, 0, 0, 0, 0, 1},
    };
    static const int corners[4][2] = {{-1, 1}, {1, 1}, {1, -1}, {-1, -1}};
    std::string points, coordIndex, texIndex;
    int index = 0;
    for (const auto& f : faces) {
        for (const auto& c : corners) {
            for (int axis = 0; axis < 3; ++axis) {
                const int v = f[axis] + c[0] * f[3 + axis] + c[1] * f[6 + axis];
                points += (v > 0 ? "0.25 " : v < 0 ? "-0.25 " : "0 ");
            }
            coordIndex += std::to_string(index++) + " ";
        }
        coordIndex += "-1 ";
        texIndex += "0 1 2 3 -1 ";
    }
    points.pop_back();
    coordIndex.pop_back();
    texIndex.pop_back();
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<!-- A cube of side 0.5 around the origin; faces run clockwise seen from outside. -->\n"
           "<X3D profile=\"Immersive\" version=\"3.0\">\n"
           "  <Scene><Transform><Transform><Group><Shape>\n"
           "    <IndexedFaceSet coordIndex=\"" + coordIndex + "\" texCoordIndex=\"" + texIndex + "\">\n"
           "      <Coordinate point=\"" + points + "\"/>\n"
           "      <TextureCoordinate point=\"0 1 1 1 1 0 0 0\"/>\n"
           "    </IndexedFaceSet>\n"
           "  </Shape></Group></Transform></Transform></Scene>\n"
           "</X3D>\n";
}

bool WriteText(const fs::path& path, const std::string& text, std::string& error)
{
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    std::ofstream out(path, std::ios::binary);
    out << text;
    out.close();
    if (!out) {
        error = "cannot write '" + path.string() + "'";
        return false;
    }
    return true;
}

bool BakeTitleFont(const fs::path& path, std::string& error)
{
    BakeOptions options;
    for (const char* candidate : kStarterFontPaths) {
        std::error_code ec;
        if (fs::is_regular_file(candidate, ec)) {
            options.fontPath = candidate;
            break;
        }
    }
    if (options.fontPath.empty()) {
        error = "DejaVu Sans was not found (Debian package fonts-dejavu-core); it is needed for the title font";
        return false;
    }
    options.pixelSize = 48;
    AddCharacterRanges("32-126", options.characters);
    options.defaultCharacter = u'?';
    try {
        const BakeResult result = BakeGlyphs(options);
        if (!WriteSpriteFont(result.font, path.string())) {
            error = "cannot write '" + path.string() + "'";
            return false;
        }
    } catch (const std::exception& e) {
        error = std::string("cannot bake the title font: ") + e.what();
        return false;
    }
    return true;
}

} // namespace

bool WriteStarterProduction(const std::string& dir, std::string& error)
{
    const fs::path root(dir);
    std::error_code ec;
    if (fs::exists(root, ec) && !(fs::is_directory(root, ec) && fs::is_empty(root, ec))) {
        error = "'" + dir + "' exists and is not an empty folder; --new writes only into a new or empty one";
        return false;
    }
    fs::create_directories(root, ec);
    if (ec) {
        error = "cannot create '" + dir + "': " + ec.message();
        return false;
    }
    for (const TextFile& file : kFiles)
        if (!WriteText(root / file.path, file.text, error))
            return false;
    if (!WriteText(root / "Data/Models/Cube.x3d", CubeX3D(), error))
        return false;
    fs::create_directories(root / "Data/Fonts", ec);
    fs::create_directories(root / "Data/Music", ec);
    if (!BakeTitleFont(root / "Data/Fonts/Title.spritefont", error))
        return false;
    std::string why;
    if (!WriteStarterMusic((root / "Data/Music/Tune.wav").string(), why)) {
        error = "cannot write the music '" + (root / "Data/Music/Tune.wav").string() + "': " + why;
        return false;
    }
    return true;
}
