struct VSIn { float3 pos : POSITION; float4 col : COLOR; float2 uv : TEXCOORD; };
struct VSOut { float4 pos : SV_Position; float4 col : COLOR0; };

VSOut VSMain(VSIn i)
{
    VSOut o;
    o.pos = float4(i.pos, 1);
    bool ok = i.pos.z == i.pos.z && all(i.uv >= 0) && all(i.uv <= 1);
    o.col = ok ? float4(0, 1, 0, 1) : float4(1, 0, 0, 1);
    return o;
}
