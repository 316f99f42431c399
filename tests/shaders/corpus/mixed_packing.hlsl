cbuffer Mixed { float Time; float2 Offset; int Mode; uint Count; bool Enabled; float Scale; };
float4 PSMain(float4 pos : SV_Position, float4 col : COLOR0, float2 uv : TEXCOORD0) : SV_Target
{
    bool ok = Time == 0.5 && Offset.y == 0.75 && Mode == -7 && Count == 5u && Enabled && Scale == 2;
    return ok ? float4(0, 1, 0, 1) : float4(1, 0, 0, 1);
}
