cbuffer C { float4 Tint; int Mode; };
float4 PSMain(float4 pos : SV_Position, float4 col : COLOR0, float2 uv : TEXCOORD0) : SV_Target
{
    float4 s = Tint.wzyx;
    float3 m = Mode < 0 ? Tint.xxx : Tint.yyy;
    float4 w = 0;
    w.yw = Tint.xz;
    bool2 b = bool2(Mode < 0, Mode > 0);
    bool ok = s.x == 0.4f && m.z == 0.1f && w.w == 0.3f && w.x == 0 && b.x && !b.y && (b.x ? 1 : 2) == 1;
    return ok ? float4(0, 1, 0, 1) : float4(1, 0, 0, 1);
}
