#include "units/GliderObject.h"

#include "foundation/ErrorLog.h"
#include "foundation/FrameTimer.h"
#include "foundation/MemStream.h"
#include "foundation/StreamReader.h"
#include "graphics/ModelManager.h"
#include "units/EquipmentManager.h"
#include "units/ExploObject.h"
#include "units/Mechanoid.h"
#include "units/MechRegistry.h"
#include "world/Mech.h"
#include "world/MMEngine.h"
#include "world/NetDescriptor.h"
#include "world/ObjectList.h"
#include "world/TypeManagers.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace
{
constexpr float kDegToRad = 0.017453292f;

// The scale kept with the type's model (its size): 1.0 without a type or
// for a model the model list does not hold.
float ModelScale(const SGliderParameters* t)
{
    return t && g_pModelManager ? g_pModelManager->GetModelScale(t->GetModelId()) : 1.0f;
}

// The engine flame's effect model: the fitted engine's (the second
// engine's without one), else the common one.
std::int32_t EngineFireModel(const CMechanoid* m)
{
    if (m)
    {
        const CEquipment& engine = m->m_Engine.HasRecord() ? m->m_Engine : m->m_Engine2;
        if (const SEquipmentParameters* e = engine.GetParams())
            if (const std::int32_t id = FieldId(e->m_FxModel); id != -1) return id;
    }
    return g_pModelManager ? g_pModelManager->FindName("MOD_FX_ENGINE_FIRE") : -1;
}

float FirstRowLength(const CMatrix& m)
{
    return std::sqrt(m.m[0][0] * m.m[0][0] + m.m[0][1] * m.m[0][1] + m.m[0][2] * m.m[0][2]);
}
} // namespace

CGliderObject::CGliderObject()
{
    m_nType = OBJ_GLIDER;
    m_bShown = 1;
    m_bMoving = 1;
    m_bPhysics = 1;
    m_bCollidable = 1;
    m_bAlive = 1;
    m_bDamageable = 1;
    // Told of its contacts by the collision pass: the knock, collision
    // damage, its AI's and the player's collision events.
    m_bCollisionReport = 1;
    m_fMass = 1.0f;
    // It keeps pointers to other objects (its target, a linked object):
    // told of every deletion, it lets go of them.
    m_bDeleteNotify = 1;
    // PreDraw renders the shadow's picture before the scene (and places
    // the player's headlights).
    m_bPreDrawVisible = 1;
    for (CGun& g : m_Guns)
        g.m_pOwner = this;
    m_ShieldView.SetOwner(this);
}

CGliderObject::~CGliderObject()
{
    // The guns release their own sources; the others are released here. A
    // destructor lets no failure of the sound manager escape.
    try
    {
        for (std::int32_t* s : {&m_iChargeSound, &m_iCollisionSound, &m_iWaterSound, &m_iEngineSounds[0],
                                &m_iEngineSounds[1], &m_iEngineSounds[2]})
            ReleaseSource(s);
    }
    catch (...)
    {
        g_ErrorLog.AppendTrace("CGliderObject::~CGliderObject");
        g_ErrorLog.FlushTrace();
    }
}

bool CGliderObject::IsPlayer() const
{
    return m_pMechanoid && m_pMechanoid->m_bPlayer;
}

const SGliderParameters* CGliderObject::GetParams() const
{
    return static_cast<const SGliderParameters*>(m_pType);
}

CVector CGliderObject::SideAxis() const
{
    return CVector{m_Frame.m_Matrix.m[0][0], m_Frame.m_Matrix.m[1][0], m_Frame.m_Matrix.m[2][0]};
}
CVector CGliderObject::UpAxis() const
{
    return CVector{m_Frame.m_Matrix.m[0][1], m_Frame.m_Matrix.m[1][1], m_Frame.m_Matrix.m[2][1]};
}
CVector CGliderObject::ForwardAxis() const
{
    return CVector{m_Frame.m_Matrix.m[0][2], m_Frame.m_Matrix.m[1][2], m_Frame.m_Matrix.m[2][2]};
}

void CGliderObject::Init(const CMatrix& placement, const STypeKey& key)
{
    XTRACE("CGliderObject::Init");
    SetMatrix(placement);
    STypeKey k = key;
    std::int32_t type = key.Index();
    if (type > 4096)
    {
        // The key holds a name.
        char name[33] = {};
        std::memcpy(name, key.m_Bytes, 32);
        type = g_GliderManager.FindName(name);
        if (type < 0)
        {
            g_ErrorLog.LogError("Unknown glider %s", name);
            type = 0;
        }
    }
    k.SetIndex(type);
    m_Key = k;
    SetFieldId(m_TypeRef, type);
    m_pType = m_pMechanoid ? m_pMechanoid->m_GliderData.GetParams() : nullptr;
    m_fGliderRadius = ModelScale(GetParams()) * FirstRowLength(placement) * 4.0f;
    m_fRadius = m_fGliderRadius;
    m_fScale = 2.0f;
    const CVector at = GetPosition();
    m_Dust.Init(1, 300, &at, 1.0f, 0.5f, 7.5f, 3.0f);
    m_fHoverHeight = m_fGliderRadius * 0.05f + 0.75f;
    m_bDustRestart = 1;
    m_vSight = CVector{placement.m[0][2], placement.m[1][2], placement.m[2][2]};
    // The world's physics drives the glider from these.
    m_bGravity = 1;
    m_bGroundFollowing = 1;
    m_bSteering = 1;
    m_bLevelling = 1;
    // The brake value is the physics' grip: it damps the speed and turns
    // the nose after the motion.
    m_bGrip = 1;
    m_fProbe1 = m_fProbe2 = std::max(m_fGliderRadius * 0.5f, 1.0f);
}

void CGliderObject::ChangeID(const STypeKey& key)
{
    XTRACE("CGliderObject::ChangeID");
    m_pType = m_pMechanoid ? m_pMechanoid->m_GliderData.GetParams() : nullptr;
    m_Key = key;
    SetFieldId(m_TypeRef, key.Index());
    const SGliderParameters* t = GetParams();
    m_fGliderRadius = ModelScale(t) * FirstRowLength(m_Frame.m_Matrix) * 3.0f;
    m_fRadius = m_fGliderRadius;
    if (t)
    {
        m_fResFront = t->m_fResFront;
        m_fResTop[0] = m_fResTop[1] = t->m_fResTop;
        m_fResSide = t->m_fResSide;
        m_fTurbulence = t->m_fTurbulence;
        m_fStabFront = 1.0f / (t->m_fStabFront + 0.0001f);
        m_fStabSide = 1.0f / (t->m_fStabSide + 0.0001f);
        m_fTurnRate = t->m_fRotateSpeed * kDegToRad;
        m_fCareen = t->m_fCareen;
        m_fTimeFactor = t->m_fDeltaT;
    }
    m_dwBrokenParts = 0;
    m_dwLostFirePoints = 0;
    m_fHoverHeight = m_fGliderRadius * 0.03f + 0.9f;
    // The physics reads the coefficients through the dynamic object.
    m_fForwardFriction = m_fResFront;
    m_fForwardFrictionScale = m_fTurbulence;
    m_fSideFriction = m_fResSide;
    m_fRisingFriction = m_fResTop[0];
    m_fFallingFriction = m_fResTop[1];
    m_fSteeringResponse = m_fTurnRate;
    m_fPitchStiffness = m_fStabFront;
    m_fRollStiffness = m_fStabSide;
    m_fProbe1 = m_fProbe2 = std::max(m_fGliderRadius * 0.5f, 1.0f);
    const std::int32_t fire = EngineFireModel(m_pMechanoid);
    if (fire != -1) m_EngineFire.Init(fire, nullptr);
}

void CGliderObject::AssignMechanoid(CMech* mech, CMechanoid* mechanoid, bool loadAmmo)
{
    XTRACE("CGliderObject::AssignMechanoid");
    m_pMech = mech;
    m_pMechanoid = mechanoid;
    if (mech) mech->m_pObject = this;
    if (!mechanoid)
    {
        for (int i = 0; i < 3; ++i)
            m_Guns[i].Assign(STypeKey(-1), 0);
        return;
    }
    // The ammunition of the glider the mechanoid flew before.
    float kept[2] = {-1.0f, -1.0f};
    if (CGliderObject* before = mechanoid->m_lpObject; before && before != this)
        for (int i = 0; i < 2; ++i)
            if (before->m_Guns[i].m_Key.Index() >= 0) kept[i] = before->m_Guns[i].m_fAmmo;
    mechanoid->m_lpObject = this;

    const SMechanoidEquipment config = mechanoid->m_gEqp;
    ChangeID(config.m_Config[CFG_GLIDER].m_Key);
    m_Guns[0].Assign(config.m_Config[CFG_LIGHTGUN].m_Key, config.m_Config[CFG_LIGHTGUN].m_dwModif);
    m_Guns[1].Assign(config.m_Config[CFG_HEAVYGUN].m_Key, config.m_Config[CFG_HEAVYGUN].m_dwModif);
    for (int i = 0; i < 2; ++i)
        if (kept[i] > 0.0f) m_Guns[i].m_fAmmo = kept[i];

    // The launchers keep what they hold: a launcher mounted anew comes
    // empty (its type's spare would be rockets from nothing, handed to the
    // stock by the next unloading), and its ammunition is the stock's.
    const float rockets = m_Guns[2].m_fAmmo;
    const std::int32_t rocketType = m_Guns[2].m_iMissile;
    const float bombs = m_Guns[3].m_fAmmo;
    const std::int32_t bombType = m_Guns[3].m_iMissile;
    m_Guns[2].Assign(STypeKey(g_MMEngine.m_nSingleIds[1]), 0);
    m_Guns[3].Assign(STypeKey(g_MMEngine.m_nSingleIds[0]), 0);
    m_Guns[2].m_fAmmo = rockets;
    if (rocketType >= 0) m_Guns[2].m_iMissile = rocketType;
    m_Guns[3].m_fAmmo = bombs;
    if (bombType >= 0) m_Guns[3].m_iMissile = bombType;

    mechanoid->UpdateEquipment();
    m_fMass = std::max(mechanoid->GetSumWeight(), 1.0f);
    if (loadAmmo) UpdateAmmo(true, false);
    for (CGun& g : m_Guns)
        g.m_pOwner = this;
    if (mech && !mech->m_bAlive) m_bActive = 0;
}

void CGliderObject::UpdateGliderConfig()
{
    XTRACE("CGliderObject::UpdateGliderConfig");
    if (!m_pMechanoid || !GetParams()) return;
    const SMechanoidEquipment& config = m_pMechanoid->m_gEqp;
    const SMechConfig& glider = config.m_Config[CFG_GLIDER];
    if (glider.m_Key.Index() != m_Key.Index()) ChangeID(glider.m_Key);
    for (int i = 0; i < 2; ++i)
    {
        const SMechConfig& c = config.m_Config[CFG_LIGHTGUN + i];
        if (c.m_Key.Index() != m_Guns[i].m_Key.Index() || c.m_dwModif != m_Guns[i].m_dwModif)
            m_Guns[i].Assign(c.m_Key, c.m_dwModif);
    }
    const SGliderParameters* t = GetParams();
    if (!t) return;
    m_fMass = std::max(m_pMechanoid->GetSumWeight(), 1.0f);
    m_fTurnRate = t->m_fRotateSpeed * kDegToRad;
    if (IsPlayer() && m_pMechanoid->IsOn(EQP_CONTROL_BUSTER)) m_fTurnRate *= 1.5f;
    m_fSteeringResponse = m_fTurnRate;
    const float maxWeight = m_pMechanoid->GetMaxWeight();
    const float load = maxWeight > 0.0f ? m_fMass / maxWeight : 0.0f;
    if (load > 0.9f)
    {
        const float f = (load - 0.9f) * 9.0f + 1.0f;
        m_fResFront = (t->m_fResFront - 1.0f) * f + 1.0f;
        m_fResSide = (t->m_fResSide - 1.0f) * f + 1.0f;
        m_fForwardFriction = m_fResFront;
        m_fSideFriction = m_fResSide;
    }
}

CVector* CGliderObject::GetDestination(CVector* out)
{
    // Without the groups and the AI the glider goes where it is.
    *out = GetPosition();
    return out;
}

void CGliderObject::ChargeReserve(float k)
{
    if (!m_pMechanoid) return;
    const float dt = g_FrameTimer.GetFrameTime();
    if (dt * k * 1000.0f > m_pMechanoid->m_fEnergy) return;
    m_pMechanoid->m_fEnergy -= dt * k * 1000.0f;
    m_fReserve += dt * k * 10.0f;
}

int CGliderObject::ResetBrokenParts()
{
    int count = 0;
    for (float& d : m_PartDamage)
    {
        if (d != 0.0f) ++count;
        d = 0.0f;
    }
    m_dwBrokenParts = 0;
    return count;
}

bool CGliderObject::IsGroupMate(const CMMObject* other) const
{
    if (!other || other == this || other->m_nType != OBJ_GLIDER) return false;
    const auto* g = static_cast<const CGliderObject*>(other);
    return m_pMech && g->m_pMech && m_pMech->m_pGroup && g->m_pMech->m_pGroup == m_pMech->m_pGroup;
}

float CGliderObject::GetSpeedFactor(float k) const
{
    if (!m_pMechanoid) return 0.0f;
    float v = (m_pMechanoid->m_Engine.GetValue1() + m_pMechanoid->m_Engine2.GetValue1()) * k;
    if (m_pMechanoid->IsOn(EQP_ACCELERATOR)) v *= 1.25f;
    return v / m_fMass;
}

float CGliderObject::GetMiddleSpeed(float k, bool closedForm) const
{
    XTRACE("CGliderObject::GetMiddleSpeed()");
    if (!m_pMechanoid) return 0.0f;
    const float f = GetSpeedFactor(k);
    const float r = m_fResFront, t = m_fTurbulence;
    if (closedForm)
    {
        const float b = r / t;
        const float q = r - r * f / t - 1.0f;
        return 0.85f * (std::sqrt(q * q + 4.0f * b * r * f) - q) / (2.0f * b);
    }
    float v = 10.0f;
    for (int i = 0; i < 100; ++i)
        v = v / std::pow((v / t + 1.0f) * r, 0.025f) + 0.025f * f;
    return v;
}

void CGliderObject::ProcessDelete(CMMObject* deleted)
{
    if (m_pLinked == deleted) m_pLinked = nullptr;
    if (m_pTarget == deleted) m_pTarget = nullptr;
    for (CGun& g : m_Guns)
        if (g.m_pOwner == deleted) g.m_pOwner = nullptr;
}

// --- streams -----------------------------------------------------------------

void CGliderObject::SaveToStream(CMemStream& stream, int* size, bool)
{
    XTRACE("CGliderObject::SaveToStream");
    stream.Write(&m_dwBrokenParts, 4);
    stream.Write(m_PartDamage, sizeof m_PartDamage);
    if (size) *size += kSaveRecordSize;
}

void CGliderObject::LoadFromStream(CMemStream& stream, int* size, bool)
{
    XTRACE("CGliderObject::LoadFromStream");
    std::uint8_t record[kSaveRecordSize];
    ReadStreamBytes(stream, record, kSaveRecordSize, "glider record");
    std::memcpy(&m_dwBrokenParts, record, 4);
    std::memcpy(m_PartDamage, record + 4, sizeof m_PartDamage);
    if (size) *size += kSaveRecordSize;
}

void CGliderObject::WriteNetDescriptor(void* buffer, int* size)
{
    XTRACE("CGliderObject::WriteNetDescriptor");
    const std::uint8_t alive = m_bAlive;
    m_bAlive = m_bDestroyed ? 0 : 1;
    CDynamicObject::WriteNetDescriptor(buffer, size);
    m_bAlive = alive;
    auto* base = static_cast<std::uint8_t*>(buffer);
    auto* out = base + *size;
    std::uint32_t flags = 0;
    if (m_Guns[0].IsFiring()) flags |= kNetFiring1;
    if (m_Guns[1].IsFiring()) flags |= kNetFiring2;
    if (m_bDestroyed) flags |= kNetDestroyed;
    const float sight[3] = {m_vSight.x, m_vSight.y, m_vSight.z};
    std::memcpy(out + 4, sight, 12);
    std::memcpy(out + 16, &m_fMass, 4);
    *size += kNetExtensionSize;
    // The full state: the mechanoid's network record follows, and the
    // descriptor counts as alive so that the receiver takes it in.
    if (m_bFullSync && m_pMechanoid)
    {
        std::uint32_t position = std::uint32_t(*size);
        CTraceBoundary boundary;
        try
        {
            m_pMechanoid->PutNetBuffer(base, kMaxNetDescriptorSize, &position);
            flags |= kNetFullSync;
            std::memcpy(base + 8, &kNetKindAlive, 4);
            *size = int(position);
            m_bFullSync = 0;
        }
        catch (const CStreamError& e)
        {
            boundary.Handled("CGliderObject::WriteNetDescriptor: the mechanoid's full state", e.what());
        }
    }
    std::memcpy(out, &flags, 4);
    const std::uint32_t total = std::uint32_t(*size);
    std::memcpy(base + 24, &total, 4);
}

void CGliderObject::ReadNetDescriptor(const void* buffer, int* size)
{
    XTRACE("CGliderObject::ReadNetDescriptor");
    CDynamicObject::ReadNetDescriptor(buffer, size);
    const auto* base = static_cast<const std::uint8_t*>(buffer);
    const auto* in = base + *size;
    std::uint32_t flags;
    float sight[3];
    std::memcpy(&flags, in, 4);
    std::memcpy(sight, in + 4, 12);
    std::memcpy(&m_fMass, in + 16, 4);
    *size += kNetExtensionSize;
    m_vSight = CVector{sight[0], sight[1], sight[2]};
    if (flags & kNetFullSync)
    {
        // The record is read within the descriptor's own size, which the
        // receiver has checked against what arrived.
        std::uint32_t total;
        std::memcpy(&total, base + 24, 4);
        std::uint32_t position = std::uint32_t(*size);
        if (!m_pMechanoid || total > std::uint32_t(kMaxNetDescriptorSize))
        {
            g_ErrorLog.LogError("CGliderObject::ReadNetDescriptor: net object %u: the full state of %u bytes "
                                "is not taken in",
                                m_nNetId, total);
        }
        else
        {
            CTraceBoundary boundary;
            try
            {
                m_pMechanoid->GetNetBuffer(base, total, &position);
                *size = int(position);
                UpdateGliderConfig();
            }
            catch (const CStreamError& e)
            {
                boundary.Handled("CGliderObject::ReadNetDescriptor: the mechanoid's full state", e.what());
            }
        }
    }
    if (flags & kNetFiring1) Fire(0, 1.0f, 0.0f, CVector{});
    if (flags & kNetFiring2) Fire(1, 1.0f, 0.0f, CVector{});
    const bool wasDestroyed = m_bDestroyed != 0;
    m_bDestroyed = (flags & kNetDestroyed) ? 1 : 0;
    if (m_bDestroyed)
    {
        m_bActive = 0;
        // Killed here but not yet blown up: the local step does it once.
        if (m_pMechanoid && m_pMechanoid->IsKilled() && !wasDestroyed) m_bDestroyed = 0;
    }
}

void CGliderObject::Pause(bool pause)
{
    XTRACE("CGliderObject::Pause");
    CMMObject::Pause(pause);
    if (pause)
    {
        for (std::int32_t* s : {&m_iEngineSounds[0], &m_iEngineSounds[1], &m_iEngineSounds[2],
                                &m_iChargeSound, &m_iCollisionSound, &m_iWaterSound})
            ReleaseSource(s);
        XTRACE("Pause for Guns");
        for (CGun& g : m_Guns)
            g.Pause(true);
    }
    m_nEngineState = 3;
    m_fPitchBlend = 0.0f;
}
