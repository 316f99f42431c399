// Maps[1] is t1, which holds no 2D texture here: it reads (0, 0, 0, 0).
Texture2D Maps[2] : register(t0);
SamplerState Point : register(s0);

float4 PSMain(float4 pos : SV_Position, float4 col : COLOR0, float2 uv : TEXCOORD0) : SV_Target
{
    float4 sum = 0;
    [unroll] for (int i = 0; i < 2; ++i)
        sum += Maps[i].Sample(Point, float2(0.75, 0.25));
    bool ok = all(sum == float4(0, 1, 0, 1));
    return ok ? float4(0, 1, 0, 1) : float4(1, 0, 0, 1);
}
