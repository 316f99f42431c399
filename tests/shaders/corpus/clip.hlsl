cbuffer C { float Time; };
float4 PSMain(float4 pos : SV_Position, float4 col : COLOR0, float2 uv : TEXCOORD0) : SV_Target
{
    clip(Time - 0.25);      // kept: 0.25 is left
    clip(float2(1, Time));  // kept: no component below 0
    bool ok = true;
    return ok ? float4(0, 1, 0, 1) : float4(1, 0, 0, 1);
}
