#include "graphics/ResourceEngine.h"

#include "foundation/ErrorLog.h"
#include "foundation/GameTime.h"
#include "foundation/Graphic.h"
#include "foundation/LoaderThread.h"
#include "foundation/Settings.h"
#include "graphics/Font.h"
#include "graphics/GraphicInterface.h"
#include "graphics/LandTypes.h"
#include "graphics/ComplexObject.h"
#include "graphics/ModelManager.h"
#include "graphics/SurfaceManager.h"
#include "graphics/TexShaderManager.h"
#include "graphics/TextureFile.h"
#include "graphics/TextureManager.h"
#include "graphics/VideoPlayer.h"
#include "platform/d3d8/D3D8.h"

#include <chrono>

CResourceEngine g_ResourceEngine;
CFont* g_pFontSmall = nullptr;
CFont* g_pFontBig = nullptr;
plat::d3d::SMaterial g_DefaultMaterial{};

namespace
{
// The database sections, as code page 1251 bytes.
constexpr const char* kTextureSection = "\xD2\xE5\xEA\xF1\xF2\xF3\xF0\xFB";           // Текстуры
constexpr const char* kModelSection = "\xCC\xEE\xE4\xE5\xEB\xE8";                     // Модели
constexpr const char* kImageSection = "\xC8\xE7\xEE\xE1\xF0\xE0\xE6\xE5\xED\xE8\xFF"; // Изображения
constexpr const char* kLandSection = "\xCF\xEE\xE2\xE5\xF0\xF5\xED\xEE\xF1\xF2\xE8"; // Поверхности

// Runs one step of GlobalInit; a failure leaves the step's name in the
// call-path trace on its way out.
template <typename F> void Step(const char* name, F&& body)
{
    XTRACE(name);
    body();
}

template <typename T> void DeleteGlobal(T*& global)
{
    T* object = global;
    global = nullptr;
    delete object;
}
} // namespace

std::int32_t CResourceEngine::AdjustTextureQuality(std::int32_t maxTextureWidth, std::int32_t quality)
{
    // Small texture limits drop the top mip levels rather than fail to load.
    if (maxTextureWidth < 512) return 2;
    if (maxTextureWidth < 1024 && quality < 1) return 1;
    return quality;
}

void CResourceEngine::CreateTextureManager()
{
    g_pTextureManager = new TextureManager();
    g_pTextureManager->RestoreDeviceObjects();
}

void CResourceEngine::CreateTechniqueManager()
{
    const auto start = std::chrono::steady_clock::now();
    g_pTexShaderManager = new TexShaderManager();
    g_pTexShaderManager->Init(true);
    // While the loading screen shows, not at the first frame that needs them.
    g_pTexShaderManager->WarmUpPrograms();
    m_dTechniqueSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void CResourceEngine::CreateSurfaceManager()
{
    g_pSurfaceManager = new CSurfaceManager();
    g_pSurfaceManager->Init(kImageSection);
    // The images are drawn tile by tile through the texture manager's two
    // work textures.
    if (g_pTextureManager)
        g_pSurfaceManager->SetWorkTextures(g_pTextureManager->GetWorkTexture(0),
                                           g_pTextureManager->GetWorkTexture(1));
}

void CResourceEngine::CreateModelManager()
{
    g_pModelManager = new CModelManager();
    g_pModelManager->Init();
}

void CResourceEngine::PreInit()
{
    XTRACE("CResourceEngine::PreInit");
    // From a loader thread (GlobalInit with create) these run on the main
    // thread: the technique manager records state blocks on the device.
    RunOnMainThread([this] { CreateTextureManager(); });
    RunOnMainThread([this] { CreateTechniqueManager(); });
    RunOnMainThread([this] { CreateSurfaceManager(); });
    RunOnMainThread([this] { CreateModelManager(); });
}

void CResourceEngine::GlobalInit(bool create)
{
    XTRACE("CResourceEngine::GlobalInit");
    m_nStage.store(kStageStart, std::memory_order_release);
    m_nFrameCounters[0] = m_nFrameCounters[1] = 0;
    // Before any texture loads: the quality decides the levels each load keeps.
    g_Settings.TextureQuality = AdjustTextureQuality(graph.m_nMaxTextureWidth, g_Settings.TextureQuality);

    Step("Init Textures",
         [&]
         {
             if (create) RunOnMainThread([this] { CreateTextureManager(); });
             g_pTextureManager->Init(kTextureSection);
         });
    m_nStage.store(kStageTextures, std::memory_order_release);

    Step("Init Shaders",
         [&]
         {
             if (create) RunOnMainThread([this] { CreateTechniqueManager(); });
         });
    Step("Init Models",
         [&]
         {
             if (create) RunOnMainThread([this] { CreateModelManager(); });
             g_pModelManager->Init(kModelSection);
         });
    m_nStage.store(kStageModels, std::memory_order_release);

    Step("Init Images",
         [&]
         {
             if (create) RunOnMainThread([this] { CreateSurfaceManager(); });
         });
    Step("Init Land",
         [&]
         {
             g_pLandTypeManager = new CLandTypeManager();
             g_pLandTypeManager->Init(kLandSection);
         });
    m_nStage.store(kStageImages, std::memory_order_release);

    Step("Init Font",
         [&]
         {
             g_pFontSmall = new CFont();
             g_pFontSmall->Init("small");
             m_nStage.store(kStageSmallFont, std::memory_order_release);
             g_pFontBig = new CFont();
             g_pFontBig->Init("big");
             m_nStage.store(kStageBigFont, std::memory_order_release);
         });
    m_nStage.store(kStageDone, std::memory_order_release);
    // Programs compiled from here on stall a frame: the device counts them.
    if (graph.m_lpDevice) graph.m_lpDevice->MarkLoadingFinished();

    g_DefaultMaterial = {};
    g_DefaultMaterial.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    g_DefaultMaterial.Ambient = {1.0f, 1.0f, 1.0f, 1.0f};
    g_DefaultMaterial.Power = 15.0f;
    RunOnMainThread(
        []
        {
            if (graph.m_lpDevice)
                graph.m_lpDevice->SetRenderState(plat::d3d::D3DRS_ALPHAFUNC, plat::d3d::D3DCMP_GREATER);
        });
}

void CResourceEngine::GlobalRun(float frameTime)
{
    XTRACE("CResourceEngine::GlobalRun");
    m_dEngineTime += frameTime;
    g_GameTime += frameTime;
    // Load times and cache ages are read from this clock during the run.
    g_fEngineTime = static_cast<float>(m_dEngineTime);
    if (g_pModelManager) g_pModelManager->Run(frameTime);
}

void CResourceEngine::NewFrame()
{
    m_nFrameCounters[0] = m_nFrameCounters[1] = 0;
    if (g_pTextureManager) g_pTextureManager->ResetFrameStats();
    if (g_pModelManager) g_pModelManager->NewFrame();
}

void CResourceEngine::InvalidateDeviceObjects()
{
    XTRACE("CResourceEngine::InvalidateDeviceObjects");
    if (g_pTextureManager) g_pTextureManager->InvalidateDeviceObjects();
    // The tile cache names work textures that are about to go.
    if (g_pSurfaceManager) g_pSurfaceManager->ClearCache();
    if (g_pModelManager) g_pModelManager->InvalidateDeviceObjects();
    if (g_pTexShaderManager) g_pTexShaderManager->Purge();
}

void CResourceEngine::RestoreDeviceObjects()
{
    XTRACE("CResourceEngine::RestoreDeviceObjects");
    if (g_pTexShaderManager) g_pTexShaderManager->Init(false);
    if (g_pTextureManager) g_pTextureManager->RestoreDeviceObjects();
    if (g_pSurfaceManager && g_pTextureManager)
        g_pSurfaceManager->SetWorkTextures(g_pTextureManager->GetWorkTexture(0),
                                           g_pTextureManager->GetWorkTexture(1));
    if (g_pModelManager) g_pModelManager->RestoreDeviceObjects();
    SetDefaultStates();
}

void CResourceEngine::GlobalDone()
{
    if (g_pFontSmall) g_pFontSmall->Done();
    DeleteGlobal(g_pFontSmall);
    if (g_pFontBig) g_pFontBig->Done();
    DeleteGlobal(g_pFontBig);
    DeleteGlobal(g_pLandTypeManager);
    if (g_pTexShaderManager) g_pTexShaderManager->Purge();
    DeleteGlobal(g_pTexShaderManager);
    DeleteGlobal(g_pModelManager);
    DeleteGlobal(g_pSurfaceManager);
    DeleteGlobal(g_pTextureManager);
}

void RegisterEngineClasses()
{
    RegisterGraphicInterface();
    RegisterBinkPlayer();
    RegisterTextureFileReader();
    SetCursorPainter(GetEngineCursorPainter());
}
