cbuffer C { int Mode; uint Count; };
float4 PSMain(float4 pos : SV_Position, float4 col : COLOR0, float2 uv : TEXCOORD0) : SV_Target
{
    // Mode is -7: HLSL truncates towards zero and % takes the dividend's sign.
    int q = Mode / 2, r = Mode % 2, s = 7 % (Mode + 5);
    uint u = Count / 2u, v = Count % 3u;
    bool ok = q == -3 && r == -1 && s == 1 && u == 2u && v == 2u && (-Mode) / 2 == 3;
    return ok ? float4(0, 1, 0, 1) : float4(1, 0, 0, 1);
}
