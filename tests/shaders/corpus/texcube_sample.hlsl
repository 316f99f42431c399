TextureCube Sky : register(t2);
SamplerState Point : register(s0);
float4 PSMain(float4 pos : SV_Position, float4 col : COLOR0, float2 uv : TEXCOORD0) : SV_Target
{
    // Face k holds (k / 5, 1 - k / 5, 0.5): +X, -X, +Y, -Y, +Z, -Z.
    float4 px = Sky.Sample(Point, float3(1, 0, 0));
    float4 nz = Sky.SampleLevel(Point, float3(0, 0, -1), 0);
    bool ok = abs(px.r) < 0.01 && abs(px.g - 1) < 0.01 && abs(nz.r - 1) < 0.01 && abs(nz.b - 0.5) < 0.01;
    return ok ? float4(0, 1, 0, 1) : float4(1, 0, 0, 1);
}
