// The backdrop: a drifting nebula with twinkling stars, drawn on a quad that
// covers the whole screen at the far end of the depth range, behind everything.
cbuffer Sky : register(b0)
{
    float4 AmbientColour;
    float global_time;
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
};

VSOut VSSky(VSIn i)
{
    VSOut o;
    o.pos = float4(i.pos.xy, 0.9999, 1.0);
    o.uv = i.uv;
    return o;
}

float Hash(float2 p)
{
    return frac(sin(dot(p, float2(12.9898, 78.233))) * 43758.5453);
}

float4 PSSky(VSOut i) : SV_Target
{
    float t = global_time;
    float3 c = lerp(float3(0.015, 0.01, 0.05), float3(0.09, 0.03, 0.14), i.uv.y);
    float2 p = i.uv * float2(3.2, 1.8);
    float cloud = sin(p.x * 1.7 + t * 0.13) * sin(p.y * 2.3 - t * 0.09) + 0.5 * sin((p.x + p.y) * 3.1 + t * 0.21);
    c += AmbientColour.rgb * (0.1 + 0.07 * cloud);
    float2 g = i.uv * float2(160.0, 90.0) + float2(t * 1.5, 0.0);
    float2 cell = floor(g);
    float h = Hash(cell);
    float star = step(0.982, h) * saturate(1.0 - length(frac(g) - 0.5) * 3.0);
    c += star * (0.55 + 0.45 * sin(t * 3.0 + h * 50.0));
    return float4(c, 1.0);
}
