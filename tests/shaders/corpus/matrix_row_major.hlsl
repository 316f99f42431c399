cbuffer Matrices { row_major float4x4 Transform; };
float4 PSMain(float4 pos : SV_Position, float4 col : COLOR0, float2 uv : TEXCOORD0) : SV_Target
{
    float4 r = mul(Transform, float4(0, 1, 0, 0));
    bool ok = Transform[0][1] == 1 && Transform[2][3] == 11 && all(r == float4(1, 5, 9, 13));
    return ok ? float4(0, 1, 0, 1) : float4(1, 0, 0, 1);
}
