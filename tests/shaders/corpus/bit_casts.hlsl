cbuffer C { float Time; int Mode; };
float4 PSMain(float4 pos : SV_Position, float4 col : COLOR0, float2 uv : TEXCOORD0) : SV_Target
{
    uint bits = asuint(Time);
    float two = asfloat(0x40000000u);
    int neg = asint(-1.0f);
    float back = asfloat(asuint(Mode));
    bool ok = bits == 0x3F000000u && two == 2 && neg == (int)0xBF800000 && asint(back) == -7 && f32tof16(1.0) == 0x3C00u;
    return ok ? float4(0, 1, 0, 1) : float4(1, 0, 0, 1);
}
