BlendState NoBlend { BlendEnable[0] = FALSE; RenderTargetWriteMask[0] = 0x0F; };
DepthStencilState DepthOn { DepthEnable = TRUE; DepthWriteMask = ALL; DepthFunc = LESS_EQUAL; };
RasterizerState Solid { FillMode = SOLID; CullMode = NONE; };
SamplerState Point : register(s0) { Filter = MIN_MAG_MIP_POINT; AddressU = Wrap; AddressV = Wrap; };
Texture2D Tex : register(t0);
cbuffer PerFrame { float Time; float4 Tint; };
struct VSIn { float3 pos : POSITION; float4 col : COLOR; float2 uv : TEXCOORD; };
struct PSIn { float4 pos : SV_Position; float2 uv : TEXCOORD0; };
PSIn VSMain(VSIn i) { PSIn o; o.pos = float4(i.pos, 1); o.uv = i.uv; return o; }
float4 PSMain(PSIn i) : SV_Target
{
    bool ok = Time == 0.5 && Tint.y == 0.2f && Tex.Sample(Point, float2(0.75, 0.25)).g == 1;
    return ok ? float4(0, 1, 0, 1) : float4(1, 0, 0, 1);
}

technique11 Main
{
    pass P0
    {
        SetVertexShader(CompileShader(vs_5_0, VSMain()));
        SetGeometryShader(NULL);
        SetPixelShader(CompileShader(ps_5_0, PSMain()));
        SetBlendState(NoBlend, float4(0.0f, 0.0f, 0.0f, 0.0f), 0xFFFFFFFF);
        SetDepthStencilState(DepthOn, 0);
        SetRasterizerState(Solid);
    }
}
