// A colour under a misspelt name: nothing fills it, so the pass draws black.
cbuffer Tint : register(b0)
{
    float4 AmbientColor;
    float global_time;
    float3 padding;
};

struct VSOut
{
    float4 pos : SV_Position;
    float2 uv : TEXCOORD0;
};

float4 PSTinted(VSOut i) : SV_Target
{
    return AmbientColor;
}
