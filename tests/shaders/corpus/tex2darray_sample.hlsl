Texture2DArray Layers : register(t1);
SamplerState Point : register(s0);
float4 PSMain(float4 pos : SV_Position, float4 col : COLOR0, float2 uv : TEXCOORD0) : SV_Target
{
    float4 first = Layers.Sample(Point, float3(0.5, 0.5, 0));
    float4 second = Layers.SampleLevel(Point, float3(0.5, 0.5, 1), 0);
    bool ok = all(first == float4(0.25, 0.5, 0.75, 1)) && all(second == float4(1, 0.5, 0, 1));
    return ok ? float4(0, 1, 0, 1) : float4(1, 0, 0, 1);
}
