// The fader: the finished frame scaled by the global fade.
cbuffer Fade : register(b0)
{
    float fade_value;
};

Texture2D Frame : register(t0);
SamplerState Linear : register(s0);

struct VSOut
{
    float4 pos : SV_Position;
    float2 uv : TEXCOORD0;
};

float4 PSFade(VSOut i) : SV_Target
{
    return float4(Frame.Sample(Linear, i.uv).rgb * fade_value, 1.0);
}
