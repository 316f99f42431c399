// A pass pixel shader that shows the published inputs in four columns.
struct VSOut
{
    float4 pos : SV_Position;
    float2 uv : TEXCOORD0;
};

cbuffer Inputs : register(b0)
{
    float4 Resolution;
    float Music_Time;
    float LOCAL_TIME;
    float global_time;
};

Texture2D<float> Music : register(t0);

float4 PSInputs(VSOut i) : SV_Target
{
    int column = min((int)(i.uv.x * 4.0), 3);
    // Width and height, then 1/width and 1/height scaled back to 0.5.
    if (column == 0)
        return float4(Resolution.x / 255.0, Resolution.y / 255.0, Resolution.z * Resolution.x * 0.5, 1.0);
    if (column == 1)
        return float4(Resolution.w * Resolution.y * 0.25, frac(LOCAL_TIME), frac(Music_Time), 1.0);
    if (column == 2) {
        // The loudest band of row 0: its index, and its level.
        int peak = 0;
        float level = 0.0;
        [loop] for (int k = 0; k < 512; ++k) {
            float v = Music.Load(int3(k, 0, 0));
            if (v > level) {
                level = v;
                peak = k;
            }
        }
        return float4((peak % 256) / 255.0, (peak / 256) / 255.0, level, 1.0);
    }
    // The newest sample of the waveform row, and the oldest.
    return float4(Music.Load(int3(511, 1, 0)), Music.Load(int3(0, 1, 0)), frac(global_time), 1.0);
}
