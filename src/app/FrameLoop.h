// One frame of a production: run the script batch if its resume time has come,
// update the scene and clocks, draw. Window messages, clocks and pacing belong
// to the caller (the platform loop), so this runs the same under tests.
#pragma once

class CDemoSystem;

struct FrameResult {
    bool updated = false; // false when an unknown keyword skipped the update
    bool ended = false;   // the production asked to stop ("exitdemo")
};

FrameResult RunFrame(CDemoSystem& demo, float dt);
