// Pass pixel shaders of the test productions; each changes colour in a way the
// tests can tell apart.
cbuffer Colour : register(b0)
{
    float4 AmbientColour;
};

Texture2D Frame : register(t0);
SamplerState Linear : register(s0);

struct VSOut
{
    float4 pos : SV_Position;
    float2 uv : TEXCOORD0;
};

// The material's colour, whatever came before.
float4 PSSolid(VSOut i) : SV_Target
{
    return AmbientColour;
}

float4 PSHalfRed(VSOut i) : SV_Target
{
    float4 s = Frame.Sample(Linear, i.uv);
    return float4(s.r * 0.5, s.g, s.b, 1.0);
}

float4 PSSwapRedBlue(VSOut i) : SV_Target
{
    float4 s = Frame.Sample(Linear, i.uv);
    return float4(s.b, s.g, s.r, 1.0);
}

// Keeps what it read and marks transparent input: (0, 0, 0, 0) gives red 0.25.
float4 PSAlphaProbe(VSOut i) : SV_Target
{
    float4 s = Frame.Sample(Linear, i.uv);
    return float4(0.5 * s.r + 0.25 * (1.0 - s.a), s.g, s.b, 1.0);
}

// Texture coordinates as colour: (0, 0) is the top-left corner.
float4 PSGradient(VSOut i) : SV_Target
{
    return float4(i.uv.x, i.uv.y, 0.0, 1.0);
}
