Texture3D Volume : register(t3);
SamplerState Point : register(s0);
float4 PSMain(float4 pos : SV_Position, float4 col : COLOR0, float2 uv : TEXCOORD0) : SV_Target
{
    float4 front = Volume.Sample(Point, float3(0.5, 0.5, 0.25));
    float4 back = Volume.Load(int4(0, 0, 1, 0));
    bool ok = all(front == float4(0, 1, 1, 1)) && all(back == float4(1, 1, 0, 1));
    return ok ? float4(0, 1, 0, 1) : float4(1, 0, 0, 1);
}
