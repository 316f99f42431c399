cbuffer C { float Scale; };
float4 PSMain(float4 pos : SV_Position, float4 col : COLOR0, float2 uv : TEXCOORD0) : SV_Target
{
    half h = (half)Scale;
    min16float m = (min16float)0.5;
    double d = 0.25;
    bool ok = h * m == 1 && (float)d == 0.25;
    return ok ? float4(0, 1, 0, 1) : float4(1, 0, 0, 1);
}
