// expect: 0 0 0
cbuffer C { int Mode; };
float4 PSMain(float4 pos : SV_Position, float4 col : COLOR0, float2 uv : TEXCOORD0) : SV_Target
{
    if (Mode < 0)
        discard;
    bool ok = true;
    return ok ? float4(0, 1, 0, 1) : float4(1, 0, 0, 1);
}
