// Scene shaders of the showcase: the logo quad, the textured torus, the gem
// coloured per vertex, and the tunnel. One vertex shader serves them all.
// Lighting is flat: each pixel takes the normal of its triangle from the
// screen-space derivatives of its world position (the vertex format has no normals).
cbuffer Scene : register(b0)
{
    float4x4 WorldMatrix;
    float4x4 ViewMatrix;
    float4x4 ProjectionMatrix;
    float4 AmbientColour;
    float global_time;
};

Texture2D Surface : register(t0);
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
    float4 col : COLOR;
    float2 uv : TEXCOORD0;
    float3 world : TEXCOORD1;
};

VSOut VSScene(VSIn i)
{
    VSOut o;
    float4 world = mul(float4(i.pos, 1.0), WorldMatrix);
    o.world = world.xyz;
    o.pos = mul(mul(world, ViewMatrix), ProjectionMatrix);
    o.col = i.col;
    o.uv = i.uv;
    return o;
}

static const float3 kEye = float3(0.0, 0.0, -1.0);
static const float3 kLight = float3(-0.45, 0.75, -0.5);

// The triangle's normal, turned towards the eye.
float3 FlatNormal(float3 world)
{
    float3 n = normalize(cross(ddx(world), ddy(world)));
    return dot(n, kEye - world) < 0.0 ? -n : n;
}

float3 Shade(float3 albedo, float3 world, float shininess, float gloss)
{
    float3 n = FlatNormal(world);
    float3 l = normalize(kLight);
    float3 v = normalize(kEye - world);
    float diffuse = saturate(dot(n, l));
    float specular = pow(saturate(dot(n, normalize(l + v))), shininess) * gloss;
    float rim = pow(1.0 - saturate(dot(n, v)), 3.0);
    return albedo * (0.22 + 0.85 * diffuse) + specular + rim * AmbientColour.rgb * 0.5;
}

// The logo image, tinted; fully transparent texels are not drawn at all, so
// they leave the depth buffer alone.
float4 PSLogo(VSOut i) : SV_Target
{
    float4 c = Surface.Sample(Linear, i.uv) * AmbientColour * i.col;
    clip(c.a - 0.004);
    return c;
}

// Glowing panels around the ring, tinted by the material's colour.
float4 PSTorus(VSOut i) : SV_Target
{
    float3 albedo = Surface.Sample(Linear, frac(i.uv * float2(8.0, 2.0))).rgb * AmbientColour.rgb * 1.6;
    return float4(Shade(albedo, i.world, 40.0, 0.6), 1.0);
}

float3 Hue(float h)
{
    return saturate(abs(frac(h + float3(0.0, 2.0 / 3.0, 1.0 / 3.0)) * 6.0 - 3.0) - 1.0);
}

// The gem's colour comes with its corners: the model's texture coordinates
// carry a hue (u) and a brightness (v, 0 at the top), blended across each facet.
float4 PSGem(VSOut i) : SV_Target
{
    float3 tint = lerp(float3(1.0, 1.0, 1.0), Hue(i.uv.x + global_time * 0.05), 0.8);
    float3 albedo = tint * (1.0 - 0.65 * i.uv.y) * i.col.rgb * AmbientColour.rgb;
    float sparkle = pow(saturate(sin(global_time * 6.0 + i.uv.x * 40.0)), 24.0) * 0.4;
    return float4(Shade(albedo, i.world, 60.0, 1.2) + sparkle, 1.0);
}

// The tunnel's panels stream towards the eye and fade into the dark.
float4 PSTunnel(VSOut i) : SV_Target
{
    float2 uv = frac(float2(i.uv.x * 4.0, i.uv.y * 20.0 - global_time * 0.8));
    float3 c = Surface.Sample(Linear, uv).rgb * AmbientColour.rgb * 1.5;
    float distance = i.world.z - kEye.z;
    return float4(c * exp(-max(distance, 0.0) * 0.085), 1.0);
}

// A band of the material's colour and alpha with soft edges, fading out
// towards its left and right ends.
float4 PSBanner(VSOut i) : SV_Target
{
    float ends = smoothstep(0.0, 0.2, i.uv.x) * smoothstep(1.0, 0.8, i.uv.x);
    float edges = smoothstep(0.0, 0.2, i.uv.y) * smoothstep(1.0, 0.8, i.uv.y);
    return float4(AmbientColour.rgb, AmbientColour.a * ends * edges);
}
