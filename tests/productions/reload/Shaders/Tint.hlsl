// The picture as it is; the test swaps this for other versions.
Texture2D Frame : register(t0);
SamplerState Linear : register(s0);

struct VSOut
{
    float4 pos : SV_Position;
    float2 uv : TEXCOORD0;
};

float4 PSTint(VSOut i) : SV_Target
{
    return Frame.Sample(Linear, i.uv);
}
