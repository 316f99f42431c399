float4 PSMain(float4 pos : SV_Position) : SV_Target
{
    // Pixel centres: the middle pixel of an 8x8 target is at (4.5, 4.5); w is the clip w (1).
    bool ok = all(pos.xy == float2(4.5, 4.5)) && pos.w == 1 && pos.z >= 0 && pos.z <= 1;
    return ok ? float4(0, 1, 0, 1) : float4(1, 0, 0, 1);
}
