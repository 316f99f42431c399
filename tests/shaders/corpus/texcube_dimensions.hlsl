TextureCube Sky : register(t2);
float4 PSMain(float4 pos : SV_Position, float4 col : COLOR0, float2 uv : TEXCOORD0) : SV_Target
{
    uint w, h;
    Sky.GetDimensions(w, h);
    bool ok = w == 1 && h == 1;
    return ok ? float4(0, 1, 0, 1) : float4(1, 0, 0, 1);
}
