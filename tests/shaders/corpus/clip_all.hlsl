// expect: 0 0 0
cbuffer C { float Time; };
float4 PSMain(float4 pos : SV_Position, float4 col : COLOR0, float2 uv : TEXCOORD0) : SV_Target
{
    clip(0.25 - Time);
    bool ok = true;
    return ok ? float4(0, 1, 0, 1) : float4(1, 0, 0, 1);
}
