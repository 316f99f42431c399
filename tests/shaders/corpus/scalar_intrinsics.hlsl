cbuffer C { float Time; float Scale; };
float4 PSMain(float4 pos : SV_Position, float4 col : COLOR0, float2 uv : TEXCOORD0) : SV_Target
{
    bool ok = all(Time) && any(Scale) && !any(Time - 0.5) && lerp(0.0, Scale, Time) == 1 &&
              saturate(Scale) == 1 && saturate(-Time) == 0 && clamp(Scale, 0, 1.5) == 1.5 &&
              abs(smoothstep(0, 1, Time) - 0.5) < 1e-6 && step(Time, Scale) == 1 && sign(-Scale) == -1;
    return ok ? float4(0, 1, 0, 1) : float4(1, 0, 0, 1);
}
