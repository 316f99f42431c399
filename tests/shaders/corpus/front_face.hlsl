float4 PSMain(float4 pos : SV_Position, bool front : SV_IsFrontFace) : SV_Target
{
    // The quad is wound clockwise: its front faces the viewer.
    bool ok = front && pos.x > 0 && pos.w > 0;
    return ok ? float4(0, 1, 0, 1) : float4(1, 0, 0, 1);
}
