// The vertex shader writes more than the pixel shader reads, in another letter case.
struct VSOut { float4 pos : SV_Position; float4 a : texcoord3; float4 b : Color1; uint4 flags : FLAGS; };
VSOut VSMain(float3 p : POSITION)
{
    VSOut o;
    o.pos = float4(p, 1);
    o.a = float4(0.5, 0.25, 1, 1);
    o.b = 0.75;
    o.flags = uint4(7, 8, 9, 10);
    return o;
}
float4 PSMain(float4 pos : SV_Position, float2 a : TEXCOORD3, float b : COLOR1, nointerpolation uint2 flags : FLAGS, float4 unwritten : TEXCOORD7) : SV_Target
{
    bool ok = all(a == float2(0.5, 0.25)) && b == 0.75 && all(flags == uint2(7, 8)) && all(unwritten == 0);
    return ok ? float4(0, 1, 0, 1) : float4(1, 0, 0, 1);
}
