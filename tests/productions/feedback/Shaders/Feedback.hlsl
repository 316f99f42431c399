// Half of what the "rendertarget" slot's texture holds, half a colour that moves
// with the global time; and a plain copy.
cbuffer Constants : register(b0)
{
    float4 AmbientColour;
    float global_time;
};

Texture2D Frame : register(t0);
SamplerState Linear : register(s0);

struct VSOut
{
    float4 pos : SV_Position;
    float2 uv : TEXCOORD0;
};

float4 PSFeedback(VSOut i) : SV_Target
{
    float4 s = Frame.Sample(Linear, i.uv);
    float3 c = float3(frac(global_time * 1.7), i.uv.x, 1.0 - frac(global_time * 0.9));
    return float4(0.5 * s.rgb + 0.5 * c, 1.0);
}

float4 PSCopy(VSOut i) : SV_Target
{
    return Frame.Sample(Linear, i.uv);
}
