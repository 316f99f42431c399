// The fader, the last pass of every frame: the finished frame times the global fade.
cbuffer Fade : register(b0)
{
    float fade_value;
};

Texture2D Frame : register(t0);
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

VSOut VSFader(VSIn i)
{
    VSOut o;
    o.pos = float4(i.pos.xy, 0.0, 1.0);
    o.uv = i.uv;
    return o;
}

float4 PSFader(VSOut i) : SV_Target
{
    return float4(Frame.Sample(Linear, i.uv).rgb * fade_value, 1.0);
}
