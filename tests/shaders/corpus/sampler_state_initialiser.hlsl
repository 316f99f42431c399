Texture2D Tex : register(t0);
SamplerState Clamped : register(s0) { Filter = MIN_MAG_MIP_POINT; AddressU = Clamp; AddressV = Clamp; };
float4 PSMain(float4 pos : SV_Position, float4 col : COLOR0, float2 uv : TEXCOORD0) : SV_Target
{
    bool ok = all(Tex.SampleLevel(Clamped, float2(0.75, 0.75), 0) == 1);
    return ok ? float4(0, 1, 0, 1) : float4(1, 0, 0, 1);
}
