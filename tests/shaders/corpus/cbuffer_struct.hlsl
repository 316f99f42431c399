struct LightInfo { float3 Direction; float Intensity; float4 Colour; };
cbuffer Lighting : register(b0) { LightInfo Light; };
float4 PSMain(float4 pos : SV_Position, float4 col : COLOR0, float2 uv : TEXCOORD0) : SV_Target
{
    bool ok = all(Light.Direction == float3(0, 0, 1)) && Light.Intensity == 0.5 &&
              all(Light.Colour == float4(1, 0.5, 0.25, 1));
    return ok ? float4(0, 1, 0, 1) : float4(1, 0, 0, 1);
}
