cbuffer Scalars { float Levels[4]; float Time; };
float4 PSMain(float4 pos : SV_Position, float4 col : COLOR0, float2 uv : TEXCOORD0) : SV_Target
{
    // Each element of a float array takes a whole register; Time follows the last one.
    bool ok = Levels[0] == 1 && Levels[3] == 4 && Levels[1] + Levels[2] == 5 && Time == 0.5;
    return ok ? float4(0, 1, 0, 1) : float4(1, 0, 0, 1);
}
