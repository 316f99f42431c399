// The showcase's post-process effects. Each samples the previous stage through
// the texture its material names "rendertarget". The quad is drawn at depth
// 0.5, in front of nothing but behind the fader's quad at depth 0, so the fade
// pass is never rejected by the depth test.
cbuffer Effect : register(b0)
{
    float4 AmbientColour;
    float global_time;
};

Texture2D Frame : register(t0);
SamplerState Linear : register(s0);

struct VSIn
{
    float3 pos : POSITION;
    float4 col : COLOR;
    float2 uv : TEXCOORD;
};

struct VSOut
{
    float4 pos : SV_Position;
    float2 uv : TEXCOORD0;
};

VSOut VSEffect(VSIn i)
{
    VSOut o;
    o.pos = float4(i.pos.xy, 0.5, 1.0);
    o.uv = i.uv;
    return o;
}

// Colour grade: a soft S-curve, a vignette and a little film grain.
float4 PSGrade(VSOut i) : SV_Target
{
    float3 c = saturate(Frame.Sample(Linear, i.uv).rgb);
    c = lerp(c, c * c * (3.0 - 2.0 * c), 0.35);
    float2 d = i.uv - 0.5;
    c *= saturate(1.0 - dot(d, d) * 1.5);
    float2 pixel = i.uv / float2(abs(ddx(i.uv.x)), abs(ddy(i.uv.y)));
    float grain = frac(sin(dot(floor(pixel) + frac(global_time * 7.0) * 97.0, float2(12.9898, 78.233))) * 43758.5453);
    return float4(c + (grain - 0.5) * 0.035, 1.0);
}

// Chromatic split: red and blue pushed apart from the centre.
float4 PSSplit(VSOut i) : SV_Target
{
    float2 offset = (i.uv - 0.5) * 0.03;
    float r = Frame.Sample(Linear, i.uv + offset).r;
    float g = Frame.Sample(Linear, i.uv).g;
    float b = Frame.Sample(Linear, i.uv - offset).b;
    return float4(r, g, b, 1.0);
}

// A flash towards the material's colour.
float4 PSFlash(VSOut i) : SV_Target
{
    float3 c = Frame.Sample(Linear, i.uv).rgb;
    return float4(lerp(c, AmbientColour.rgb, 0.6) + 0.1, 1.0);
}

// Big square pixels, 48 rows of them whatever the output size.
float4 PSPixelate(VSOut i) : SV_Target
{
    float aspect = abs(ddy(i.uv.y)) / abs(ddx(i.uv.x));
    float2 cells = float2(48.0 * aspect, 48.0);
    return float4(Frame.Sample(Linear, (floor(i.uv * cells) + 0.5) / cells).rgb, 1.0);
}

// A slowly turning six-fold kaleidoscope, looking at a wandering spot off the
// centre of the picture, so even a symmetric scene breaks into a new pattern.
float4 PSKaleido(VSOut i) : SV_Target
{
    float aspect = abs(ddy(i.uv.y)) / abs(ddx(i.uv.x));
    float2 p = (i.uv - 0.5) * float2(aspect, 1.0);
    float segment = 6.2831853 / 6.0;
    float a = atan2(p.y, p.x) + global_time * 0.4;
    a = abs(a - segment * floor(a / segment) - segment * 0.5);
    float2 q = float2(cos(a), sin(a)) * length(p) * 0.8;
    float2 spot = float2(0.22 * cos(global_time * 0.7), 0.16 * sin(global_time * 0.5));
    return float4(Frame.Sample(Linear, (q + spot) / float2(aspect, 1.0) + 0.5).rgb, 1.0);
}
