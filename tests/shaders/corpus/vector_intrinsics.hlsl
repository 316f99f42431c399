cbuffer C { float4 Tint; float2 Offset; };
float4 PSMain(float4 pos : SV_Position, float4 col : COLOR0, float2 uv : TEXCOORD0) : SV_Target
{
    float4 l = lerp(Tint, 1, 0.5);
    float3 n = normalize(float3(3, 0, 4));
    bool ok = all(saturate(Tint * 4) == float4(0.4, 0.8, 1, 1)) && any(Tint > 0.35) && !all(Tint > 0.35) &&
              abs(l.x - 0.55) < 1e-6 && abs(dot(Offset, Offset) - 0.625) < 1e-6 && n.z == 0.8 &&
              all(max(Offset, 0.5) == float2(0.5, 0.75)) && length(float2(3, 4)) == 5 &&
              all(frac(float2(1.25, -0.25)) == float2(0.25, 0.75)) && rsqrt(4.0) == 0.5 &&
              all(cross(float3(1, 0, 0), float3(0, 1, 0)) == float3(0, 0, 1));
    return ok ? float4(0, 1, 0, 1) : float4(1, 0, 0, 1);
}
