// The sample operator reads what Load reads, with the sample index first.
Texture2DMS<float4, 4> Samples : register(t6);
float4 Resolve(Texture2DMS<float4, 4> t, int2 xy)
{
    float4 sum = 0;
    [unroll] for (uint i = 0; i < 4; ++i)
        sum += t.sample[i][xy];
    return sum * 0.25;
}
float4 PSMain(float4 pos : SV_Position, float4 col : COLOR0, float2 uv : TEXCOORD0) : SV_Target
{
    int2 xy = int2(pos.xy);
    float4 viaLoad = (Samples.Load(xy, 0) + Samples.Load(xy, 1) + Samples.Load(xy, 2) + Samples.Load(xy, 3)) * 0.25;
    bool ok = all(Resolve(Samples, xy) == viaLoad) && all(Samples.sample[2][uv] == Samples.Load(uv, 2));
    return ok ? float4(0, 1, 0, 1) : float4(1, 0, 0, 1);
}
