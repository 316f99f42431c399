struct VSIn { float3 pos : POSITION; float4 col : COLOR; float2 uv : TEXCOORD; };
struct VSOut { float4 pos : SV_Position; float4 col : COLOR0; };
cbuffer Matrices { float4x4 Transform; row_major float4x4 Rows; };
VSOut VSMain(VSIn i)
{
    VSOut o;
    o.pos = float4(i.pos, 1);
    // Both hold 0..15 in memory: one read as columns, the other as rows.
    float4 a = mul(float4(0, 0, 0, 1), Transform);
    float4 b = mul(float4(0, 0, 0, 1), Rows);
    bool ok = all(a == float4(3, 7, 11, 15)) && all(b == float4(12, 13, 14, 15));
    o.col = ok ? float4(0, 1, 0, 1) : float4(1, 0, 0, 1);
    return o;
}
