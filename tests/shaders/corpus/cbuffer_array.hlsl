cbuffer Arrays { float4 Weights[3]; };
float4 PSMain(float4 pos : SV_Position, float4 col : COLOR0, float2 uv : TEXCOORD0) : SV_Target
{
    float4 sum = 0;
    for (int i = 0; i < 3; ++i)
        sum += Weights[i];
    bool ok = all(sum == float4(15, 18, 21, 24)) && Weights[1].y == 6;
    return ok ? float4(0, 1, 0, 1) : float4(1, 0, 0, 1);
}
