cbuffer C { int Mode; uint Count; };
float4 PSMain(float4 pos : SV_Position, float4 col : COLOR0, float2 uv : TEXCOORD0) : SV_Target
{
    int3 v = int3(Mode, 2, 3);
    uint2 u = uint2(Count, Count * 2u);
    int3 m = v % 2;
    bool ok = all(v * 2 == int3(-14, 4, 6)) && all(m == int3(-1, 0, 1)) && all(u >> 1 == uint2(2, 5)) &&
              all(abs(v) == int3(7, 2, 3)) && min(Mode, 0) == -7 && max(u.x, 9u) == 9u && all((float3)v / 2 == float3(-3.5, 1, 1.5));
    return ok ? float4(0, 1, 0, 1) : float4(1, 0, 0, 1);
}
