// A loop unrolled for its texture offsets keeps no branch its counter rules out: here
// one would read element -1 of a constant array, which GL refuses even where it never runs.
Texture2D Tex : register(t0);
SamplerState Point : register(s0);
static const float Weights[3] = {1, 2, 3};
float4 PSMain(float4 pos : SV_Position, float4 col : COLOR0, float2 uv : TEXCOORD0) : SV_Target
{
    float viaLoop = 0;
    for (int x = -1; x <= 1; ++x) {
        viaLoop += Tex.GatherRed(Point, uv, int2(x, 0)).x * Weights[x + 1];
        if (x > -1)
            viaLoop += Weights[x];
    }
    float byHand = Tex.GatherRed(Point, uv, int2(-1, 0)).x + Tex.GatherRed(Point, uv, int2(0, 0)).x * 2 +
                   Tex.GatherRed(Point, uv, int2(1, 0)).x * 3 + 1 + 2;
    return abs(viaLoop - byHand) < 1e-4 ? float4(0, 1, 0, 1) : float4(1, 0, 0, 1);
}
