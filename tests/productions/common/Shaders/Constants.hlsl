// A pass pixel shader that writes constants of awkward names and sizes into colours.
struct VSOut
{
    float4 pos : SV_Position;
    float2 uv : TEXCOORD0;
};

cbuffer Mixed : register(b0)
{
    float3 AmbientColour;   // the table's colour is 16 bytes: never written
    float Fade_Value;       // written whatever the case
    float4 Unregistered;    // no such parameter: zero
    float4x4 worldMATRIX;
};

// Four columns: the short colour (+0.25), the fade value, the unknown (+0.5), the world diagonal.
float4 PSConstants(VSOut i) : SV_Target
{
    int column = min((int)(i.uv.x * 4.0), 3);
    if (column == 0)
        return float4(AmbientColour + 0.25, 1.0);
    if (column == 1)
        return float4(Fade_Value, 0.0, 0.0, 1.0);
    if (column == 2)
        return Unregistered + float4(0.5, 0.5, 0.5, 1.0);
    return float4(worldMATRIX[0][0], worldMATRIX[1][1] * 0.5, worldMATRIX[3][3] * 0.25, 1.0);
}
