Texture2D Tex : register(t0);
SamplerState Point : register(s0);
float4 PSMain(float4 pos : SV_Position, float4 col : COLOR0, float2 uv : TEXCOORD0) : SV_Target
{
    // 2x2: red, green / blue, white.
    float4 a = Tex.Sample(Point, float2(0.25, 0.25));
    float4 b = Tex.Sample(Point, float2(0.75, 0.25));
    float4 c = Tex.Sample(Point, float2(0.25, 0.75));
    bool ok = all(a == float4(1, 0, 0, 1)) && all(b == float4(0, 1, 0, 1)) && all(c.rgb == float3(0, 0, 1));
    return ok ? float4(0, 1, 0, 1) : float4(1, 0, 0, 1);
}
