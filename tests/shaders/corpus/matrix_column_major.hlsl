cbuffer Matrices { float4x4 Transform; };
float4 PSMain(float4 pos : SV_Position, float4 col : COLOR0, float2 uv : TEXCOORD0) : SV_Target
{
    // Column-major by default: register k holds column k.
    float4 r = mul(float4(1, 0, 0, 0), Transform);
    bool ok = Transform[0][1] == 4 && Transform[1][0] == 1 && all(r == float4(0, 4, 8, 12));
    return ok ? float4(0, 1, 0, 1) : float4(1, 0, 0, 1);
}
