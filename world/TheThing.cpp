#include "world/TheThing.h"
#include "world/ModelDraw.h"

#include "world/DynamicObject.h"
#include "world/GameWorldState.h"
#include "foundation/ErrorLog.h"
#include "foundation/FrameTimer.h"
#include "foundation/Graphic.h"
#include "foundation/MemStream.h"
#include "foundation/Name32.h"
#include "foundation/Random.h"
#include "foundation/StreamReader.h"
#include "graphics/ComplexObject.h"
#include "graphics/ModelManager.h"
#include "graphics/Shaders.h"
#include "graphics/TexShaderManager.h"
#include "graphics/TextureManager.h"
#include "sound/SoundManager.h"
#include "world/EffectQueue.h"
#include "world/KindManagers.h"
#include "world/LightWare.h"
#include "world/MMEngine.h"
#include "world/Mech.h"
#include "world/NetDescriptor.h"
#include "world/ObjectList.h"
#include "world/ObjectScene.h"
#include "world/SceneryObjects.h"
#include "world/TypeManagers.h"
#include "world/World.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

using namespace plat::d3d;

namespace
{
constexpr int kTechniqueGlow = 19;
constexpr std::uint32_t kGlowFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX2;
constexpr int kGlowVertices = 512;
constexpr int kGlowIndices = 1152;
// The pick-up sound and the pick-up effect model among the engine's ids.
constexpr int kPickupSound = 3;
constexpr int kPickupEffect = 18;
constexpr std::uint32_t kOldVersion = 2457;
constexpr float kTwoPi = 6.2831853f;

std::int32_t ModelByName(const char* name)
{
    const DefaultManager* models = g_pModelManager;
    return models ? models->FindName(name) : -1;
}

} // namespace

CTheThing::CTheThing()
{
    m_nType = OBJ_THING;
    m_bMoving = 1;
    m_bShown = 1;
    m_bCollidable = 0;
    m_fScale = 3.0f;
    m_bQueueOnDelete = 1;
    m_bSave = 1;
    m_bKindByte1 = 1;
}

CTheThing::~CTheThing()
{
    if (g_pLastDroppedThing == this) g_pLastDroppedThing = nullptr;
}

void CTheThing::Init(const CMatrix* placement, const char* typeName, const char* gameId)
{
    XTRACE("CTheThing::Init");
    if (placement) SetMatrix(*placement);
    std::memset(m_szGameId, 0, sizeof m_szGameId);
    if (gameId) CopyName(m_szGameId, gameId);
    std::memset(m_TypeRef, 0, sizeof m_TypeRef);
    if (typeName) CopyName(m_TypeRef, typeName);
    m_nTypeIndex = m_TypeRef[0] ? g_ThingManager.FindName(m_TypeRef) : -1;
    const SThingType* type = m_nTypeIndex >= 0 ? g_ThingManager.GetKind(m_nTypeIndex) : nullptr;
    m_pType = type;
    m_nKind = type ? std::uint32_t(type->m_nKind) : kKindMechmind;
    ReInitFromType();
    CComplexObject* model = GetComplexModel(m_nModel);
    m_fRadius = SceneryRadius(m_Frame.m_Matrix, model ? m_nModel : -1);
    m_bLying = 1;
    m_fPickupTime = 0.0f;
    m_bGlowBuilt = 0;
}

void CTheThing::ReInitFromType()
{
    const auto* type = static_cast<const SThingType*>(m_pType);
    m_dwTint = 0;
    if (m_nKind == kKindMechmind)
    {
        m_nModel = -1;
        const CMech* mech = g_pWorld && m_szGameId[0] ? g_pWorld->FindMech(m_szGameId) : nullptr;
        if (mech) mech->GetMechmindModel(&m_nModel, &m_dwTint);
        if (m_nModel < 0) m_nModel = ModelByName("MOD_TOV_MECHMIND");
    }
    else if (m_nKind == kKindWreck)
    {
        g_Random.Next();
        char name[32];
        std::snprintf(name, sizeof name, "MOD_CRASH_BIG_0%u", WreckNumber(g_Random.GetState()));
        m_nModel = ModelByName(name);
    }
    else
    {
        m_nModel = type ? type->GetModelId() : -1;
    }
    if (!type && m_nKind != kKindMechmind) m_nModel = ModelByName("MOD_CONT_001");
    m_nGlowTexture =
        type && m_nKind != kKindMechmind ? type->m_nFlare : FindTextureId("TEX_FX_THING_GLOW_MECH");
}

bool CTheThing::AddContent(std::uint32_t kind, const char* name, std::uint32_t amount)
{
    if (m_nContents >= kMaxContents)
    {
        g_ErrorLog.LogError("CTheThing::AddContent: thing '%s' already holds %d entries; '%s' is refused",
                            m_szGameId, kMaxContents, name ? name : "");
        return false;
    }
    SThingContent& c = m_Contents[m_nContents++];
    c = SThingContent{};
    c.kind = kind;
    if (name) CopyName(c.name, name);
    c.amount = amount;
    m_bChanged = 1;
    return true;
}

bool CTheThing::IsCollectedAt(float speedSquared, float horizontalSquared)
{
    constexpr float kSpeed2 = 80.0f * 80.0f;
    constexpr float kNear2 = 8.0f * 8.0f;
    return speedSquared < kSpeed2 && horizontalSquared <= 4.0f * kNear2 &&
           (horizontalSquared <= kNear2 || speedSquared <= kSpeed2 * 0.05f);
}

void CTheThing::Run()
{
    const float dt = g_FrameTimer.GetFrameTime();
    m_fAge += dt + g_Random.Random(0.001f);
    if (!m_bShown) return;
    if (!m_bLying)
    {
        m_fPickupTime += dt;
        CVector p = GetPosition();
        p.z += dt / kRiseTime * 5.0f;
        SetPosition(p);
        if (m_fPickupTime >= kRiseTime) g_ObjectList.DeleteObject(this);
        return;
    }
    const CVector d = GetPosition() - GetViewerPosition();
    const float far = GetViewRange() * 0.9f;
    if (d.x * d.x + d.y * d.y + d.z * d.z > far * far)
    {
        if (m_fAge > kExpiry && m_nKind != kKindMechmind && !m_bPlayerOnly) g_ObjectList.DeleteObject(this);
        return;
    }
    Collect();
}

void CTheThing::Collect()
{
    XTRACE("PICK UP");
    if (!g_pThingCollector) return;
    CMMObject* player = g_pPlayerGlider.Object();
    SRadiusResult found;
    if (m_bPlayerOnly)
    {
        if (player) found.objects[found.count++] = player;
    }
    else
    {
        // Four looks a second are enough for a slow glider.
        const float dt = g_FrameTimer.GetFrameTime();
        if (int(4.0f * (m_fAge - dt)) == int(4.0f * m_fAge)) return;
        const CVector above = GetPosition() + CVector{0.0f, 0.0f, 15.0f};
        CObjectList::GetObjectsInRadius(&above, 50.0f, OBJ_GLIDER, &found);
    }
    for (int i = 0; i < found.count; ++i)
    {
        // The type code, not the class: the world does not link the units.
        CMMObject* o = found.objects[i];
        auto* glider = o && o->m_nType == OBJ_GLIDER ? static_cast<CDynamicObject*>(o) : nullptr;
        if (!glider || !g_pThingCollector->CanCollect(glider)) continue;
        const bool isPlayer = glider == player;
        if (isPlayer && (PlayerBarred() || g_pLastDroppedThing == this)) continue;
        const CVector v = glider->m_vVelocity;
        const CVector d = glider->GetPosition() - GetPosition();
        if (!IsCollectedAt(v.x * v.x + v.y * v.y + v.z * v.z, d.x * d.x + d.y * d.y)) continue;
        if (!Transfer(glider, isPlayer)) return;
        if (isPlayer && g_pAppEvent) g_pAppEvent->OnPickUp(this);
        m_bLying = 0;
        m_fPickupTime = 0.0f;
        if (g_pSoundManager && g_MMEngine.m_nSingleIds[kPickupSound] != -1)
        {
            const CVector p = GetPosition();
            const CVector l = GetViewerPosition();
            const float at[3] = {p.x, p.y, p.z};
            const float listener[3] = {l.x, l.y, l.z};
            g_pSoundManager->Play3DMotionlessById(g_MMEngine.m_nSingleIds[kPickupSound], at, listener, true);
        }
        return;
    }
}

bool CTheThing::Transfer(CMMObject* glider, bool player)
{
    while (m_nContents > 0)
    {
        if (player && m_nKind != kKindMoney && g_pThingCollector->IsHoldFull(glider))
        {
            if (g_pSoundManager)
            {
                const std::int32_t full = g_pSoundManager->FindName("SND_C_HOLD_FULL");
                if (full != -1 && !g_pSoundManager->IsPlaying(full)) g_pSoundManager->Play2DById(full, false);
            }
            return false;
        }
        const SThingContent c = m_Contents[0];
        const std::int32_t missile = g_MissileManager.FindName(c.name);
        if (missile >= 0)
        {
            XTRACE("Missile");
            g_pThingCollector->AddMissiles(glider, missile, c.amount);
        }
        else
        {
            g_pThingCollector->AddGoods(glider, c.kind, c.name, c.amount);
        }
        g_pThingCollector->UpdateWeight(glider);
        std::memmove(m_Contents, m_Contents + 1, (m_nContents - 1) * sizeof(SThingContent));
        --m_nContents;
        m_bChanged = 1;
    }
    return true;
}

void CTheThing::Draw()
{
    XTRACE("CTheThing::Draw");
    if (g_pLastDroppedThing == this || (PlayerBarred() && Hidden())) return;
    const CVector p = GetPosition();
    const CVector toEye = p - GetViewerPosition();
    const float distance = std::sqrt(toEye.x * toEye.x + toEye.y * toEye.y + toEye.z * toEye.z);
    if (CComplexObject* model = GetComplexModel(m_nModel))
    {
        g_ModelWorldMatrix = m_Frame.m_Matrix;
        SetWorldTransform(m_Frame.m_Matrix);
        g_LightWare.SetLights(p, m_fRadius);
        Device* device = graph.m_lpDevice;
        const bool light = distance < 500.0f && device;
        if (light)
        {
            const float fade = distance < 250.0f ? 1.0f : (500.0f - distance) * 0.004f;
            const float k = fade * (std::sin(m_fAge * kTwoPi) + 1.0f) * 0.5f * 2.0f / 255.0f;
            SLight l{};
            l.Type = D3DLIGHT_POINT;
            l.Diffuse = {115.0f * k, 90.0f * k, 248.0f * k, 1.0f};
            l.Specular = l.Diffuse;
            l.Ambient = l.Diffuse;
            l.Position = {p.x, p.y, p.z - 1.5f * m_fRadius};
            l.Range = 5.0f * m_fRadius;
            l.Attenuation0 = 0.001f;
            l.Attenuation1 = 1.0f;
            l.Attenuation2 = 0.0f;
            device->SetLight(kDeviceLight, &l);
            device->LightEnable(kDeviceLight, true);
        }
        if (m_dwTint && device) device->SetRenderState(D3DRS_TEXTUREFACTOR, m_dwTint);
        model->Render(nullptr, 0, -1);
        if (light) device->LightEnable(kDeviceLight, false);
    }
    if (!m_bLying) QueueEffect(this, 0);
    if (distance < 1000.0f && m_bLying && m_bShown && m_nGlowTexture != -1) DrawGlow(distance);
}

void CTheThing::DrawGlow(float distance)
{
    if (!m_bGlowBuilt && g_pObjectCells)
    {
        if (!m_Glow.m_pVertices) m_Glow.Allocate(kGlowFvf, kGlowVertices, kGlowIndices);
        m_Glow.m_nVertexCount = m_Glow.m_nIndexCount = 0;
        const CVector p = GetPosition();
        // The ground may not be loaded yet: asked again next frame.
        m_bGlowBuilt = g_pObjectCells->GetMapMesh(p.x, p.y, 5.0f * m_fRadius, &m_Glow) ? 1 : 0;
        SetPatchColour(m_Glow, 0xFFFFFFFFu);
    }
    Device* d = graph.m_lpDevice;
    if (!d || m_Glow.m_nIndexCount == 0 || !g_pModelManager || !g_pTexShaderManager || !g_pTextureManager)
        return;
    CTexture* tex = g_pTextureManager->GetTexture(m_nGlowTexture);
    CMesh* mesh =
        tex ? g_pModelManager->GetRenderSingleBufMesh(g_pModelManager->m_iEffectSlot, &m_Glow) : nullptr;
    if (!mesh) return;
    const float fade = distance < 500.0f ? 1.0f : (1000.0f - distance) * 0.002f;
    const float alpha = (std::sin(m_fAge * kTwoPi) * 0.15f + 0.4f) * fade;
    SetWorldTransform(CMatrix(1.0f));
    d->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
    d->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_CLAMP);
    SetTextureFactorAlpha(alpha, 3);
    g_pTexShaderManager->ApplyStateBlock(kTechniqueGlow, mesh, tex);
    d->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_WRAP);
    d->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_WRAP);
}

void CTheThing::DrawEffect(int)
{
    XTRACE("CTheThing::DrawEffect");
    CComplexObject* effect = GetComplexModel(g_MMEngine.m_nResourceIds[kPickupEffect]);
    if (!effect) return;
    g_ModelWorldMatrix = m_Frame.m_Matrix;
    SetWorldTransform(m_Frame.m_Matrix);
    if (effect->m_bSorted && g_pObjectView)
    {
        const CVector dir = g_pObjectView->GetViewDirection();
        CVector local;
        CMatrix inverse = m_Frame.m_Matrix;
        InvertMatrix(m_Frame.m_Matrix, inverse);
        VectorTransformNormal(&local, &inverse, &dir);
        effect->SetSortingByView(-local, false);
    }
    // The first part's atlas: n x n frames below 256, else (n mod 256) x
    // (n div 256); the frame follows the rise.
    float state = 1.0f;
    if (effect->GetPartCount() > 0 && effect->GetPart(0).m_pModel)
    {
        const std::int32_t frames = CModel::FrameCount(effect->GetPart(0).m_pModel->m_iFrameGrid);
        state = std::max(1.0f, float(int(m_fPickupTime / kRiseTime * float(frames))));
    }
    effect->Render(&state, 0, -1);
}

void CTheThing::WriteNetDescriptor(void* buffer, int* size)
{
    CMMObject::WriteNetDescriptor(buffer, size);
    auto* out = static_cast<std::uint8_t*>(buffer) + *size;
    std::memcpy(out, &m_nKind, 4);
    std::memcpy(out + 4, &m_nContents, 4);
    std::memcpy(out + 8, m_Contents, m_nContents * sizeof(SThingContent));
    *size += int(8 + m_nContents * sizeof(SThingContent));
    m_bChanged = 0;
}

void CTheThing::ReadNetDescriptor(const void* buffer, int* size)
{
    CMMObject::ReadNetDescriptor(buffer, size);
    const auto* in = static_cast<const std::uint8_t*>(buffer) + *size;
    std::uint32_t kind = 0, count = 0;
    std::memcpy(&kind, in, 4);
    std::memcpy(&count, in + 4, 4);
    if (count > kMaxContents)
    {
        g_ErrorLog.LogError(
            "CTheThing::ReadNetDescriptor: net object %u: %u entries (at most %d); the contents "
            "are kept as they were",
            m_nNetId, count, kMaxContents);
        *size += 8;
        return;
    }
    m_nKind = kind;
    m_nContents = count;
    std::memcpy(m_Contents, in + 8, count * sizeof(SThingContent));
    *size += int(8 + count * sizeof(SThingContent));
}

void CTheThing::SaveGame(CMemStream& stream)
{
    CMMObject::SaveGame(stream);
    stream.Write(&kSaveVersion, 4);
    char type[32] = {};
    std::snprintf(type, sizeof type, "%.31s", m_nTypeIndex >= 0 ? m_TypeRef : "_DEFAULT_");
    stream.Write(type, sizeof type);
    stream.Write(&m_bPlayerOnly, 1);
    stream.Write(&m_nContents, 4);
    stream.Write(m_Contents, m_nContents * sizeof(SThingContent));
    stream.Write(m_szGameId, sizeof m_szGameId);
    stream.Write(&m_fAge, 4);
}

void CTheThing::LoadGame(CMemStream& stream)
{
    const std::uint32_t start = stream.m_nPosition;
    char type[33] = {}, gameId[33] = {};
    std::uint8_t playerOnly = 0;
    std::uint32_t count = 0;
    SThingContent contents[kMaxContents] = {};
    float age = 0.0f;
    try
    {
        CStreamReader r(stream, "thing save record");
        std::uint8_t base[kSaveGameSize];
        r.Bytes(base, sizeof base);
        std::uint32_t version = r.U32();
        if (version < 4096 || version > 8192)
        {
            // An old record without version word: those bytes begin the type name.
            version = kOldVersion;
            stream.m_nPosition -= 4;
        }
        r.Bytes(type, 32);
        playerOnly = r.U8();
        count = r.Count(sizeof(SThingContent), "entry count");
        if (count > kMaxContents) r.Fail("%u entries (at most %d)", count, kMaxContents);
        r.Bytes(contents, count * sizeof(SThingContent));
        if (version >= 4096) r.Bytes(gameId, 32);
        if (version >= 4097)
        {
            const std::uint32_t bits = r.U32();
            std::memcpy(&age, &bits, 4);
        }
    }
    catch (const CStreamError& e)
    {
        throw CObjectStreamError(e.what());
    }
    const std::uint32_t end = stream.m_nPosition;
    stream.m_nPosition = start;
    CMMObject::LoadGame(stream);
    stream.m_nPosition = end;
    CMatrix m(1.0f);
    m.SetTranslation(GetPosition());
    m_nContents = 0;
    Init(&m, std::strcmp(type, "_DEFAULT_") == 0 ? "" : type, gameId);
    m_bPlayerOnly = playerOnly;
    m_nContents = count;
    std::memcpy(m_Contents, contents, sizeof contents);
    m_fAge = age;
    m_bShown = 1;
}
