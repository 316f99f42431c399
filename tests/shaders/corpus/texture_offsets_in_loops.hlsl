Texture2D Tex : register(t0);
SamplerState Point : register(s0);
float4 PSMain(float4 pos : SV_Position, float4 col : COLOR0, float2 uv : TEXCOORD0) : SV_Target
{
    float4 sum = 0;
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x)
            sum += Tex.Sample(Point, float2(0.25, 0.25), int2(x, y));
    int2 o = int2(1, 1);
    float4 w = Tex.Load(int3(0, 0, 0), o);
    bool ok = all(sum == float4(2, 2, 2, 4)) && all(w == 1);
    return ok ? float4(0, 1, 0, 1) : float4(1, 0, 0, 1);
}
