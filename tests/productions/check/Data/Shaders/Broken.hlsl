// Does not compile: line 7 uses a name never declared.
struct VSOut
{
    float4 pos : SV_Position;
};

float4 PSBroken(VSOut i) : SV_Target { return missingColour; }
