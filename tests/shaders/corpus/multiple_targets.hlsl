struct Targets { float4 colour : SV_Target0; float4 extra : SV_Target1; };
cbuffer C { float Time; };
Targets PSMain(float4 pos : SV_Position) { Targets t; t.colour = float4(0, Time * 2, 0, 1); t.extra = 1; return t; }
