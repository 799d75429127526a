// CResourceEngine: creates, initialises, runs and frees the graphics
// resource singletons (texture, technique, model, surface and land-type
// managers and the "small" and "big" fonts). Its one instance is
// g_ResourceEngine.
//
// Start-up: PreInit on the main thread once the device exists (the managers
// the loading screen draws with), then GlobalInit(false) on the start-up
// loader thread while the main thread draws the loading screen; GlobalRun
// and NewFrame once per frame; GlobalDone at shutdown (safe to repeat).
// Device loss: InvalidateDeviceObjects before the reset, RestoreDeviceObjects
// after it.
//
// Ownership: the engine owns every singleton it creates and clears each
// global when it frees it. Threads: PreInit, GlobalRun, NewFrame, the device
// loss pair and GlobalDone on the main thread; GlobalInit on one loader
// thread at a time, during which the main thread only reads the stage and
// runs the device work GlobalInit hands it (RunOnMainThread): the technique
// manager's set-up and the device's render states.
#pragma once

#include "platform/d3d8/D3D8Types.h"

#include <atomic>
#include <cstdint>

class CFont;

class CResourceEngine
{
public:
    // Stages GlobalInit has passed.
    enum EStage : std::int32_t
    {
        kStageStart = 0,
        kStageTextures = 1,
        kStageModels = 2,
        kStageImages = 3,
        kStageSmallFont = 4,
        kStageBigFont = 5,
        kStageDone = 6,
    };

    // Main thread: texture manager with its device objects, techniques,
    // surface manager with the image list, model manager's render buffers.
    void PreInit();
    // The texture, model, image and land lists and the fonts, in that
    // order; with create, the PreInit managers are created here too.
    // Throws (with the failed step in the call-path trace) when a step fails.
    void GlobalInit(bool create);
    // Advances the engine clock and runs the models by the frame time.
    void GlobalRun(float frameTime);
    // Per-frame counters: the engine's own, the texture manager's, and the
    // age of the model manager's render-buffer slots.
    void NewFrame();
    // Before a device reset: the texture manager's device objects, the
    // surface manager's tile cache, the model manager's device objects, then
    // the technique manager's blocks and programs.
    void InvalidateDeviceObjects();
    // After a reset: the techniques again (no new specular probe), the
    // texture and model managers' device objects, the surface manager's work
    // textures, and the default render states.
    void RestoreDeviceObjects();
    // Frees every singleton present; a second call finds nothing to free.
    void GlobalDone();
    void Done() { GlobalDone(); }

    std::int32_t GetStage() const { return m_nStage.load(std::memory_order_acquire); }
    // Seconds the last technique manager took to record its techniques and
    // compile their programs (the part of a load that reads no file).
    double GetTechniqueSeconds() const { return m_dTechniqueSeconds; }
    double GetEngineTime() const { return m_dEngineTime; }
    // The play recorder's replay sets the clock a frame was recorded at.
    void SetEngineTime(double t) { m_dEngineTime = t; }

    // The TextureQuality the device's largest texture width allows.
    static std::int32_t AdjustTextureQuality(std::int32_t maxTextureWidth, std::int32_t quality);

    std::uint32_t m_nFrameCounters[2] = {};

private:
    void CreateTextureManager();
    void CreateTechniqueManager();
    void CreateSurfaceManager();
    void CreateModelManager();

    double m_dEngineTime = 0.0;
    double m_dTechniqueSeconds = 0.0;
    std::atomic<std::int32_t> m_nStage{kStageStart};
};

extern CResourceEngine g_ResourceEngine;
extern CFont* g_pFontSmall;
extern CFont* g_pFontBig;
// The material renderers start from.
extern plat::d3d::SMaterial g_DefaultMaterial;

// The engine module's factory classes, "IGUID_IGraphicInterface" and
// "IGUID_IBinkPlayer", and every hook the engine gives the libraries below
// it: the "TM" image-file reader of the texture loader and the shell's
// cursor painter.
void RegisterEngineClasses();
