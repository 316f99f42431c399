// A pass pixel shader that writes the camera matrices into colours.
struct VSOut
{
    float4 pos : SV_Position;
    float2 uv : TEXCOORD0;
};

cbuffer Camera : register(b0)
{
    float4x4 WorldMatrix;
    float4x4 ViewMatrix;
    float4x4 ProjectionMatrix;
};

// Three bands (World, View, Projection) of 16 cells, one per element in row
// order; red = (v + 1) / 4, green = frac(100 v).
float4 PSMatrices(VSOut i) : SV_Target
{
    int cell = min((int)(i.uv.x * 16.0), 15);
    int band = min((int)(i.uv.y * 3.0), 2);
    float4x4 m = WorldMatrix;
    if (band == 1)
        m = ViewMatrix;
    if (band == 2)
        m = ProjectionMatrix;
    float v = m[cell / 4][cell % 4];
    return float4((v + 1.0) * 0.25, frac(v * 100.0), 0.0, 1.0);
}
