// Scene shaders of the model tests: geometry through the fixed camera, or
// world space laid flat on the screen, coloured by texture, material colour,
// texture coordinate or depth.
cbuffer Camera : register(b0)
{
    float4x4 WorldMatrix;
    float4x4 ViewMatrix;
    float4x4 ProjectionMatrix;
};

cbuffer Colour : register(b1)
{
    float4 AmbientColour;
};

Texture2D Diffuse : register(t0);
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
    float4 col : COLOR;
    float2 uv : TEXCOORD0;
};

// As scene geometry is drawn: world, then the camera's view and projection.
VSOut VSCamera(VSIn i)
{
    VSOut o;
    o.pos = mul(mul(mul(float4(i.pos, 1.0), WorldMatrix), ViewMatrix), ProjectionMatrix);
    o.col = i.col;
    o.uv = i.uv;
    return o;
}

// World x and y at a quarter scale straight to clip space; red tells world z:
// 0.5 at z = 0, 1 at z = 1.
VSOut VSFlat(VSIn i)
{
    float4 w = mul(float4(i.pos, 1.0), WorldMatrix);
    VSOut o;
    o.pos = float4(w.xy * 0.25, 0.5, 1.0);
    o.col = float4(0.5 + 0.5 * w.z, 1.0, 0.0, 1.0);
    o.uv = i.uv;
    return o;
}

// World x and y are clip space.
VSOut VSClip(VSIn i)
{
    float4 w = mul(float4(i.pos, 1.0), WorldMatrix);
    VSOut o;
    o.pos = float4(w.xy, 0.5, 1.0);
    o.col = i.col;
    o.uv = i.uv;
    return o;
}

float4 PSTexture(VSOut i) : SV_Target
{
    return Diffuse.Sample(Linear, i.uv);
}

float4 PSAmbient(VSOut i) : SV_Target
{
    return AmbientColour;
}

float4 PSVertexColour(VSOut i) : SV_Target
{
    return i.col;
}

float4 PSTexcoord(VSOut i) : SV_Target
{
    return float4(i.uv, 0.0, 1.0);
}

// Two texels of a 3x2 texture, read exactly: the top row of the quad shows
// texel (0, 0), the bottom row texel (2, 1); the left half their colour, the
// right half their alpha as gray. Always opaque, so nothing blends.
float4 PSTexels(VSOut i) : SV_Target
{
    int2 texel = i.uv.y < 0.5 ? int2(0, 0) : int2(2, 1);
    float4 s = Diffuse.Load(int3(texel, 0));
    return i.uv.x < 0.5 ? float4(s.rgb, 1.0) : float4(s.aaa, 1.0);
}
