// Does not compile: an undeclared name.
float4 PSBroken(float4 pos : SV_Position) : SV_Target
{
    return undeclaredColour;
}
