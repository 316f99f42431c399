struct VSIn { float3 pos : POSITION; float4 col : COLOR; float2 uv : TEXCOORD; };
struct VSOut { float4 pos : SV_Position; float4 col : COLOR0; };
Texture2D Tex : register(t0);
SamplerState Point : register(s0);
VSOut VSMain(VSIn i)
{
    VSOut o;
    o.pos = float4(i.pos, 1);
    float4 t = Tex.SampleLevel(Point, float2(0.75, 0.25), 0);
    float4 l = Tex.Load(int3(1, 1, 0));
    bool ok = t.g == 1 && all(l == 1);
    o.col = ok ? float4(0, 1, 0, 1) : float4(1, 0, 0, 1);
    return o;
}
