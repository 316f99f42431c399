cbuffer C { float Scale; };
void SplitScale(float s, out float whole, inout float acc) { whole = s; acc += s; }
void Twice(inout float2 v) { v *= 2; }
float4 PSMain(float4 pos : SV_Position, float4 col : COLOR0, float2 uv : TEXCOORD0) : SV_Target
{
    float a, b = 1;
    SplitScale(Scale, a, b);
    float2 c = 3;
    Twice(c);
    bool ok = a == 2 && b == 3 && all(c == 6);
    return ok ? float4(0, 1, 0, 1) : float4(1, 0, 0, 1);
}
