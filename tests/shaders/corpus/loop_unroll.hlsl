cbuffer C { float4 Weights[3]; };
float4 PSMain(float4 pos : SV_Position, float4 col : COLOR0, float2 uv : TEXCOORD0) : SV_Target
{
    float sum = 0;
    [unroll] for (int i = 0; i < 3; ++i)
        [unroll(4)] for (int j = 0; j < 4; ++j)
            sum += Weights[i][j];
    bool ok = sum == 78;
    return ok ? float4(0, 1, 0, 1) : float4(1, 0, 0, 1);
}
