Texture2D<float> Depth : register(t4);
SamplerComparisonState Shadow : register(s1);
float4 PSMain(float4 pos : SV_Position, float4 col : COLOR0, float2 uv : TEXCOORD0) : SV_Target
{
    // Depths 0.25 (left) and 0.75 (right), compared less-or-equal.
    float left = Depth.SampleCmpLevelZero(Shadow, float2(0.25, 0.5), 0.5);
    float right = Depth.SampleCmp(Shadow, float2(0.75, 0.5), 0.5);
    bool ok = left == 0 && right == 1;
    return ok ? float4(0, 1, 0, 1) : float4(1, 0, 0, 1);
}
