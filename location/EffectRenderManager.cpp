#include "location/EffectRenderManager.h"

#include "foundation/ErrorLog.h"
#include "foundation/Graphic.h"
#include "foundation/Settings.h"
#include "foundation/Texture.h"
#include "graphics/ComplexObject.h"
#include "graphics/Model.h"
#include "graphics/ModelManager.h"
#include "graphics/TexShaderManager.h"
#include "location/Environment.h"
#include "location/Location.h"
#include "location/ViewCamera.h"
#include "world/MMObject.h"
#include "world/ObjectList.h"
#include "world/Smoke.h"

using namespace plat::d3d;

CEffectRenderManager g_EffectRenderManager;

namespace
{

template <class T>
void ReleaseInto(T*& p)
{
    if (p) p->Release();
    p = nullptr;
}

// Runs a device step; on an exception the step's name joins the trace.
template <class F>
void Traced(const char* name, F&& step)
{
    try
    {
        step();
    }
    catch (...)
    {
        g_ErrorLog.AppendTrace(name);
        throw;
    }
}

} // namespace

CEffectRenderManager::CEffectRenderManager() = default;

CEffectRenderManager::~CEffectRenderManager()
{
    if (g_pEffectQueue == this) g_pEffectQueue = nullptr;
    // The lent object never owns the slot's texture.
    if (m_pLent) m_pLent->m_lpTexture = nullptr;
    // The device is gone at program exit: only the array is ours to free.
    delete[] m_pSlots;
    m_pSlots = nullptr;
    m_nSlots = 0;
}

void CEffectRenderManager::Init(int slotCount)
{
    delete[] m_pSlots;
    m_pSlots = nullptr;
    m_nSlots = slotCount > 0 ? slotCount : 0;
    if (m_nSlots) m_pSlots = new Texture*[std::size_t(m_nSlots)]();
    ResetResources();
    EffectBuffer().Allocate(kEffectFvf, 4000, 12000);
    g_pEffectQueue = this;
    g_pBuildEffectSphere = &CEffectRenderManager::CreateSphereEx;
}

void CEffectRenderManager::Done()
{
    InvalidateResources();
    EffectBuffer().Free();
    if (g_pEffectQueue == this) g_pEffectQueue = nullptr;
    g_pBuildEffectSphere = nullptr;
}

void CEffectRenderManager::ResetResources()
{
    Traced("CEffectRenderManager::ResetResources", [&] {
        Device* device = graph.m_lpDevice;
        if (!device) return;
        device->CreateTexture(kScannerWidth, kScannerHeight, 1, 0, D3DFMT_A4R4G4B4, D3DPOOL_DEFAULT, &m_pScanner[0]);
        device->CreateTexture(kScannerWidth, kScannerHeight, 1, 0, D3DFMT_A4R4G4B4, D3DPOOL_SYSTEMMEM,
                              &m_pScanner[1]);
        device->CreateTexture(kModelTextureSize, kModelTextureSize, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                              D3DPOOL_DEFAULT, &m_pModelTexture);
        device->CreateTexture(kSlotSize, kSlotSize, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT,
                              &m_pBlurTexture);
        for (int i = 0; i < m_nSlots; ++i)
            device->CreateTexture(kSlotSize, kSlotSize, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                                  D3DPOOL_DEFAULT, &m_pSlots[i]);
        const Format depth = graph.m_DepthFormat != D3DFMT_UNKNOWN ? graph.m_DepthFormat : D3DFMT_D16;
        device->CreateDepthStencilSurface(kSlotSize, kSlotSize, depth, 0, &m_pDepth);
    });
}

CTexture* CEffectRenderManager::LendSlotTexture(int slot)
{
    Texture* texture = GetSlotTexture(slot);
    if (!texture) return nullptr;
    if (!m_pLent) m_pLent = std::make_unique<CTexture>();
    m_pLent->m_lpTexture = texture;
    return m_pLent.get();
}

void CEffectRenderManager::InvalidateResources()
{
    Traced("CEffectRenderManager::InvalidateResources", [&] {
        m_Shadows.InvalidateResources();
        if (m_pLent)
        {
            for (CTexture*& cached : g_TextureStageCache)
                if (cached == m_pLent.get()) cached = nullptr;
            m_pLent->m_lpTexture = nullptr;
        }
        ReleaseInto(m_pScanner[0]);
        ReleaseInto(m_pScanner[1]);
        ReleaseInto(m_pModelTexture);
        ReleaseInto(m_pBlurTexture);
        for (int i = 0; i < m_nSlots; ++i)
            ReleaseInto(m_pSlots[i]);
        ReleaseInto(m_pDepth);
    });
}

void CEffectRenderManager::AddObject(float key, CMMObject* object, std::uint32_t pass)
{
    if (!m_bDeferred)
    {
        CallDrawEffect(object, pass);
        return;
    }
    // A full queue refuses the entry rather than write past its end.
    if (m_nCount >= kMaxEntries)
    {
        ++m_nDropped;
        return;
    }
    m_Queue[m_nCount++] = SEntry{key, object, pass};
}

void CEffectRenderManager::CallDrawEffect(CMMObject* object, std::uint32_t pass)
{
    if (object) object->DrawEffect(int(pass));
}

void CEffectRenderManager::RenderEffects()
{
    Traced("CEffectRenderManager::RenderEffects", [&] {
        const int n = m_nCount;
        for (int i = 0; i < n; ++i)
            m_Sort[i] = i;
        for (int gap = n / 2; gap > 0; gap /= 2)
            for (int i = gap; i < n; ++i)
            {
                const int v = m_Sort[i];
                int j = i;
                for (; j >= gap && m_Queue[m_Sort[j - gap]].key > m_Queue[v].key; j -= gap)
                    m_Sort[j] = m_Sort[j - gap];
                m_Sort[j] = v;
            }
        if (g_pTexShaderManager) g_pTexShaderManager->InvalidateState();
        for (int i = n - 1; i >= 0; --i)
        {
            const SEntry& e = m_Queue[m_Sort[i]];
            // Detail entries carry a detail index, not an object.
            if (e.pass == kDetailPass)
            {
                if (m_pDetailLocation) m_pDetailLocation->DrawDetailObject(int(reinterpret_cast<std::intptr_t>(e.object)));
                continue;
            }
            CallDrawEffect(e.object, e.pass);
        }
        if (g_pTexShaderManager) g_pTexShaderManager->RestoreState();
    });
}

int CEffectRenderManager::CreateReflection(float h)
{
    int result = 0;
    Traced("CEffectRenderManager::CreateReflection", [&] {
        Device* device = graph.m_lpDevice;
        if (!device || m_nSlotsUsed >= m_nSlots || !m_pSlots[m_nSlotsUsed] || !m_pDepth) return;
        const int k = m_nSlotsUsed++;
        Surface* surface = nullptr;
        if (m_pSlots[k]->GetSurfaceLevel(0, &surface) != D3D_OK || !surface) return;
        const bool pushed = graph.PushRenderTarget(surface, m_pDepth);
        surface->Release();
        if (!pushed) return;
        device->BeginScene();
        m_bDeferred = false;
        g_Environment.ClearScreen();
        g_Environment.RenderEnv();
        const float plane[4] = {0.0f, 0.0f, 1.0f, -h};
        device->SetClipPlane(0, plane);
        device->SetRenderState(D3DRS_CLIPPLANEENABLE, 1);
        if (g_Settings.FullReflection) g_Location.RenderForWater();
        g_Location.RenderDetailObjects();
        if (g_Settings.FullReflection) g_ObjectList.RenderForWater();
        g_Environment.RenderFX(true);
        m_bDeferred = true;
        device->EndScene();
        device->SetRenderState(D3DRS_CLIPPLANEENABLE, 0);
        graph.PopRenderTarget();
        result = k + 1;
    });
    return result;
}

namespace
{
// A device texture lent to a technique for one draw (the technique binds
// CTexture objects).
class CLentTexture : public CTexture
{
public:
    explicit CLentTexture(Texture* texture)
    {
        m_lpTexture = texture;
        if (texture) texture->AddRef();
    }
};

// Target = level 0 of texture without a depth surface, cleared transparent.
bool PushTextureTarget(Texture* texture)
{
    Surface* surface = nullptr;
    if (!texture || texture->GetSurfaceLevel(0, &surface) != D3D_OK || !surface) return false;
    const bool pushed = graph.PushRenderTarget(surface, nullptr);
    surface->Release();
    if (pushed) graph.m_lpDevice->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
    return pushed;
}

void DrawTextureQuad(Texture* texture, const int screen[4], const int* textureRect, int technique)
{
    if (!g_pModelManager || !g_pTexShaderManager) return;
    CGeometryBuffer* quad = g_pModelManager->SetScreenQuad(screen, textureRect, false);
    CMesh* mesh = quad ? g_pModelManager->GetRenderSingleBufMesh(g_pModelManager->m_iScreenSlot, quad) : nullptr;
    if (!mesh) return;
    CLentTexture lent(texture);
    g_pTexShaderManager->ApplyStateBlock(technique, mesh, &lent);
    // The stage cache must not keep naming the lent texture.
    for (CTexture*& cached : g_TextureStageCache)
        if (cached == &lent) cached = nullptr;
}

void DrawWholeTexture(Texture* texture, int size)
{
    const int screen[4] = {0, 0, size, size};
    DrawTextureQuad(texture, screen, nullptr, 11);
}
} // namespace

bool CEffectRenderManager::BeginModelView(std::uint32_t colour)
{
    Device* device = graph.m_lpDevice;
    Texture* slot = GetSlotTexture(0);
    if (!device || !slot || !m_pDepth) return false;
    Surface* surface = nullptr;
    if (slot->GetSurfaceLevel(0, &surface) != D3D_OK || !surface) return false;
    const bool pushed = graph.PushRenderTarget(surface, m_pDepth);
    surface->Release();
    if (pushed) device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, colour, 1.0f, 0);
    return pushed;
}

void CEffectRenderManager::EndModelView()
{
    graph.PopRenderTarget();
}

void CEffectRenderManager::DrawSlot(int slot, const int screen[4], const int textureRect[4], int technique)
{
    if (Texture* texture = GetSlotTexture(slot)) DrawTextureQuad(texture, screen, textureRect, technique);
}

int CEffectRenderManager::RenderModelToTexture(CComplexObject* model, float* instance, int a, std::uint32_t b,
                                               float size, CMatrix matrix, bool blur)
{
    return RenderModelToTarget(m_pModelTexture, model, instance, a, b, size, matrix, blur);
}

int CEffectRenderManager::RenderModelToTarget(Texture* target, CComplexObject* model, float* instance, int a,
                                              std::uint32_t b, float size, CMatrix matrix, bool blur)
{
    Device* device = graph.m_lpDevice;
    if (!model || !device || !target) return 0;
    BeginModelPictures();
    if (PushTextureTarget(target))
    {
        DrawModelPicture(model, instance, a, b, size, matrix);
        if (blur && m_pBlurTexture)
        {
            if (PushTextureTarget(m_pBlurTexture))
            {
                DrawWholeTexture(target, int(kSlotSize));
                graph.PopRenderTarget();
            }
            device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
            DrawWholeTexture(m_pBlurTexture, int(kModelTextureSize));
        }
        graph.PopRenderTarget();
    }
    EndModelPictures();
    return 1;
}

void CEffectRenderManager::BeginModelPictures()
{
    Device* device = graph.m_lpDevice;
    if (!device) return;
    CMatrix view(1.0f);
    view.m[1][1] = -1.0f;
    view.m[3][2] = 1.44f;
    device->SetTransform(D3DTS_VIEW, reinterpret_cast<const SMatrix*>(&view));
    device->SetRenderState(D3DRS_ZENABLE, 0);
    graph.SetProjection(1000.0f, 0.01f, 90.0f, 90.0f, false);
    device->GetTextureStageState(0, D3DTSS_ALPHAOP, &m_nPictureAlpha[0]);
    device->GetTextureStageState(0, D3DTSS_ALPHAARG1, &m_nPictureAlpha[1]);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
}

void CEffectRenderManager::DrawModelPicture(CComplexObject* model, float* instance, int a, std::uint32_t b,
                                            float size, CMatrix matrix)
{
    Device* device = graph.m_lpDevice;
    if (!model || !device) return;
    matrix.ScaleRotation(0.98f / size);
    device->SetTransform(D3DTS_WORLD, reinterpret_cast<const SMatrix*>(&matrix));
    g_ModelWorldMatrix = matrix;
    model->Render(instance, b, a);
}

void CEffectRenderManager::EndModelPictures()
{
    Device* device = graph.m_lpDevice;
    if (!device) return;
    graph.ApplyProjection();
    device->SetRenderState(D3DRS_ZENABLE, 1);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, m_nPictureAlpha[0]);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, m_nPictureAlpha[1]);
    device->SetTransform(D3DTS_VIEW, reinterpret_cast<const SMatrix*>(&g_ViewCamera.m_mView));
}
