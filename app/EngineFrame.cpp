#include "app/EngineFrame.h"

#include "foundation/ErrorLog.h"
#include "foundation/FrameTimer.h"
#include "foundation/Graphic.h"
#include "foundation/Input.h"
#include "graphics/Mesh.h"
#include "graphics/ResourceEngine.h"
#include "sound/SoundManager.h"

float BeginEngineFrame(bool readInput)
{
    XTRACE("BeginEngineFrame");
    if (readInput && g_pInput) g_pInput->Update();
    const float frameTime = g_FrameTimer.Update();
    g_ResourceEngine.NewFrame();
    g_ResourceEngine.GlobalRun(frameTime);
    // The device's stream may have changed since the last frame's draws.
    CMesh::ResetCurrent();
    return frameTime;
}

void EndEngineFrame()
{
    XTRACE("EndEngineFrame");
    graph.Present();
    if (g_pSoundManager) g_pSoundManager->ApplySettings();
}
