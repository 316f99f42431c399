Texture2D Tex : register(t0);
float4 PSMain(float4 pos : SV_Position, float4 col : COLOR0, float2 uv : TEXCOORD0) : SV_Target
{
    float4 a = Tex.Load(int3(1, 0, 0));
    float4 b = Tex[uint2(0, 1)];
    bool ok = all(a == float4(0, 1, 0, 1)) && all(b == float4(0, 0, 1, 1));
    return ok ? float4(0, 1, 0, 1) : float4(1, 0, 0, 1);
}
