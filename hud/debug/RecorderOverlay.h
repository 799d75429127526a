// What the recorder overlay (CRenderer::DrawRecorderInfo) shows of the play
// recorder, the camera and the glider the recorder follows.
//
// The play recorder (CVideoStudio) belongs to the application, which fills
// this record and draws the overlay in its replay mode.
#pragma once

#include <cstdint>
#include <string>

struct SRecorderStatus
{
    std::int32_t state = 9; // 0 to 9; 9 shows nothing
    float currentTime = 0.0f;
    float totalTime = 0.0f;
    std::int32_t bufferSize = 0;
    std::int32_t bytesUsed = 0;
    std::string recording; // the current recording's name, empty when none
    bool paused = false;   // the application's pause flag
    float cameraSpeed = 1.0f;
    std::string mechName;  // the followed glider's mech record name
    std::string gliderKey; // its glider-type key ("_DEFAULT_" when out of range)
};

// The four recorder lines (each empty or a text) for the status at the
// frame timer's running time (blinking: on while truncate(4 t) is even).
void RecorderLines(const SRecorderStatus& status, double runningTime, std::string lines[4]);
