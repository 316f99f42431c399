cbuffer Matrices { column_major float4x4 Transform; };
float4 PSMain(float4 pos : SV_Position, float4 col : COLOR0, float2 uv : TEXCOORD0) : SV_Target
{
    bool ok = Transform._m01 == 4 && Transform._m30 == 3 && Transform._m33 == 15;
    return ok ? float4(0, 1, 0, 1) : float4(1, 0, 0, 1);
}
