// An array of samplers indexed in an unrolled loop: each element is a sampler of its own.
Texture2D Tex : register(t0);
SamplerState Samplers[2] : register(s0);

float4 PSMain(float4 pos : SV_Position, float4 col : COLOR0, float2 uv : TEXCOORD0) : SV_Target
{
    float4 sum = 0;
    [unroll] for (int i = 0; i < 2; ++i)
        sum += Tex.Sample(Samplers[i], float2(0.25 + 0.5 * i, 0.25));
    bool ok = all(sum == float4(1, 1, 0, 2));
    return ok ? float4(0, 1, 0, 1) : float4(1, 0, 0, 1);
}
