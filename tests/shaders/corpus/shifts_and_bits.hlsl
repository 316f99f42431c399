cbuffer C { int Mode; uint Count; };
float4 PSMain(float4 pos : SV_Position, float4 col : COLOR0, float2 uv : TEXCOORD0) : SV_Target
{
    uint a = Count << 3, b = Count >> 1, c = Count & 4u, d = Count | 2u, e = Count ^ 1u, f = ~Count;
    int g = Mode >> 1; // arithmetic: -7 >> 1 is -4
    bool ok = a == 40u && b == 2u && c == 4u && d == 7u && e == 4u && f == 0xFFFFFFFAu && g == -4 &&
              countbits(Count) == 2u && firstbithigh(Count) == 2 && reversebits(1u) == 0x80000000u;
    return ok ? float4(0, 1, 0, 1) : float4(1, 0, 0, 1);
}
