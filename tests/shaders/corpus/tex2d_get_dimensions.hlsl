Texture2D Tex : register(t0);
float4 PSMain(float4 pos : SV_Position, float4 col : COLOR0, float2 uv : TEXCOORD0) : SV_Target
{
    uint w, h, levels;
    Tex.GetDimensions(0, w, h, levels);
    float fw, fh;
    Tex.GetDimensions(fw, fh);
    bool ok = w == 2 && h == 2 && levels == 1 && fw == 2.0 && fh == 2.0;
    return ok ? float4(0, 1, 0, 1) : float4(1, 0, 0, 1);
}
