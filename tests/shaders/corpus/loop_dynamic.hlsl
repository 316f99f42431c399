cbuffer C { uint Count; int Mode; };
float4 PSMain(float4 pos : SV_Position, float4 col : COLOR0, float2 uv : TEXCOORD0) : SV_Target
{
    uint n = 0;
    [loop] for (uint i = 0; i < Count; ++i)
        n += i;
    int k = 0;
    [loop] while (k > Mode) { --k; if (k == -5) break; }
    int m = 0;
    do { m += 2; } while (m < 7);
    bool ok = n == 10u && k == -5 && m == 8;
    return ok ? float4(0, 1, 0, 1) : float4(1, 0, 0, 1);
}
