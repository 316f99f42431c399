Texture2D Tex : register(t0);
SamplerState Point : register(s0);
float4 Fetch(Texture2D t, SamplerState s, float2 at) { return t.Sample(s, at); }
float4 Either(bool second, Texture2D t) { Texture2D chosen = t; return chosen.Load(int3(second ? 1 : 0, 0, 0)); }
float4 PSMain(float4 pos : SV_Position, float4 col : COLOR0, float2 uv : TEXCOORD0) : SV_Target
{
    float4 a = Fetch(Tex, Point, float2(0.75, 0.25));
    float4 b = Either(false, Tex);
    bool ok = a.g == 1 && b.r == 1;
    return ok ? float4(0, 1, 0, 1) : float4(1, 0, 0, 1);
}
