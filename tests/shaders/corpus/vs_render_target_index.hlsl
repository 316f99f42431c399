// Stereo instancing picks the view with SV_RenderTargetArrayIndex in the vertex shader; on
// one plain target the index changes nothing, and the shader must still draw.
struct VSIn { float3 pos : POSITION; float4 col : COLOR; float2 uv : TEXCOORD; uint instance : SV_InstanceID; };
struct VSOut { float4 pos : SV_Position; float4 col : COLOR0; uint view : SV_RenderTargetArrayIndex; };

VSOut VSMain(VSIn i)
{
    VSOut o;
    o.pos = float4(i.pos, 1);
    o.col = float4(0, 1, 0, 1);
    o.view = i.instance % 2;
    return o;
}
