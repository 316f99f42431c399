
float4 PSMain(float4 pos : SV_Position, float4 col : COLOR0, float2 uv : TEXCOORD0) : SV_Target
{
    float dx = ddx(uv.x);
    float dy = ddy(uv.y);
    float2 w = fwidth(uv);
    // An 8x8 target: one pixel is an eighth of the quad; v grows downwards.
    bool ok = abs(dx - 0.125) < 0.01 && abs(abs(dy) - 0.125) < 0.01 && abs(w.x - 0.125) < 0.01 &&
              ddx_coarse(uv.y) == 0;
    return ok ? float4(0, 1, 0, 1) : float4(1, 0, 0, 1);
}
