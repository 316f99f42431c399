float Scale; float2 Offset; uniform float4 Tint;
float4 PSMain(float4 pos : SV_Position, float4 col : COLOR0, float2 uv : TEXCOORD0) : SV_Target
{
    bool ok = Scale == 2 && Offset.x == 0.25 && abs(Tint.z - 0.3) < 1e-6;
    return ok ? float4(0, 1, 0, 1) : float4(1, 0, 0, 1);
}
