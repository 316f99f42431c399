static const float Kernel[5] = { 0.0625, 0.25, 0.375, 0.25, 0.0625 };
static const int2 Taps[2] = { int2(1, 0), int2(0, 1) };
static const float3x3 Identity = { 1, 0, 0, 0, 1, 0, 0, 0, 1 };
cbuffer C { int Mode; };
float4 PSMain(float4 pos : SV_Position, float4 col : COLOR0, float2 uv : TEXCOORD0) : SV_Target
{
    float sum = 0;
    for (int i = 0; i < 5; ++i)
        sum += Kernel[i];
    int pick = -Mode - 6; // 1
    bool ok = sum == 1 && Kernel[pick + 2] == 0.25 && Taps[pick].y == 1 && Identity[2][2] == 1;
    return ok ? float4(0, 1, 0, 1) : float4(1, 0, 0, 1);
}
