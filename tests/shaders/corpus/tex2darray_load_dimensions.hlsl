Texture2DArray Layers : register(t1);
float4 PSMain(float4 pos : SV_Position, float4 col : COLOR0, float2 uv : TEXCOORD0) : SV_Target
{
    uint w, h, n;
    Layers.GetDimensions(w, h, n);
    float4 second = Layers.Load(int4(0, 0, 1, 0));
    bool ok = w == 1 && h == 1 && n == 2 && second.r == 1;
    return ok ? float4(0, 1, 0, 1) : float4(1, 0, 0, 1);
}
