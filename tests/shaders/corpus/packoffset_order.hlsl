cbuffer Placed
{
    float4 Tint : packoffset(c1);
    float2 Offset : packoffset(c0.z);
    float Time : packoffset(c0.x);
};
float4 PSMain(float4 pos : SV_Position, float4 col : COLOR0, float2 uv : TEXCOORD0) : SV_Target
{
    bool ok = Time == 0.5 && all(Offset == float2(0.25, 0.75)) && Tint.w == 0.4f;
    return ok ? float4(0, 1, 0, 1) : float4(1, 0, 0, 1);
}
