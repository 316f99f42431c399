Texture2D Tex : register(t0);
SamplerState Point : register(s0);
float4 PSMain(float4 pos : SV_Position, float4 col : COLOR0, float2 uv : TEXCOORD0) : SV_Target
{
    float4 g = Tex.SampleGrad(Point, float2(0.75, 0.25), float2(0.01, 0), float2(0, 0.01));
    bool ok = g.g == 1 && g.r == 0;
    return ok ? float4(0, 1, 0, 1) : float4(1, 0, 0, 1);
}
