cbuffer Matrices { row_major float4x4 Transform; };
float4 PSMain(float4 pos : SV_Position, float4 col : COLOR0, float2 uv : TEXCOORD0) : SV_Target
{
    float3x3 n = (float3x3)Transform;
    float3x3 id = float3x3(1, 0, 0, 0, 1, 0, 0, 0, 1);
    float3 v = mul(float3(1, 1, 1), mul(n, id));
    float3x3 t = transpose(n);
    bool ok = all(v == float3(12, 15, 18)) && t[0][2] == 8 && determinant(id) == 1;
    return ok ? float4(0, 1, 0, 1) : float4(1, 0, 0, 1);
}
