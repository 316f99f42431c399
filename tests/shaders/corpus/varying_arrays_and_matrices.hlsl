struct V
{
    float4 pos : SV_Position;
    float2 uv : TEXCOORD0;
    float4 taps[3] : TEXCOORD1;
    float3x3 basis : TEXCOORD4;
    nointerpolation int id : BLENDINDICES0;
    float weight : PSIZE0;
};
V VSMain(float3 p : POSITION, float2 uv : TEXCOORD)
{
    V o;
    o.pos = float4(p, 1);
    o.uv = uv;
    [unroll] for (int k = 0; k < 3; ++k)
        o.taps[k] = float4(k, k + 1, k + 2, k + 3);
    o.basis = float3x3(1, 2, 3, 4, 5, 6, 7, 8, 9);
    o.id = -42;
    o.weight = 0.5;
    return o;
}
float4 PSMain(V i) : SV_Target
{
    bool ok = all(i.taps[2] == float4(2, 3, 4, 5)) && i.basis[1][2] == 6 && i.basis._m20 == 7 && i.id == -42 &&
              i.weight == 0.5;
    return ok ? float4(0, 1, 0, 1) : float4(1, 0, 0, 1);
}
