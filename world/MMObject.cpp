#include "world/MMObject.h"

#include "world/LightWare.h"

#include "foundation/ErrorLog.h"
#include "foundation/FrameTimer.h"
#include "foundation/Graphic.h"
#include "foundation/MemStream.h"
#include "graphics/ComplexObject.h"
#include "graphics/Model.h"
#include "graphics/ModelManager.h"
#include "sound/SoundManager.h"
#include "world/LocObjectRecord.h"
#include "world/NetDescriptor.h"
#include "world/ObjectList.h"
#include "world/ObjectScene.h"
#include "world/ObjectTypeRecord.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

using namespace plat::d3d;

namespace
{

bool Moved(const CVector& a, const CVector& b)
{
    return a.x != b.x || a.y != b.y || a.z != b.z;
}

CComplexObject* TypeModel(std::int32_t modelId)
{
    if (modelId < 0 || !g_pModelManager) return nullptr;
    return dynamic_cast<CComplexObject*>(g_pModelManager->GetModel(modelId));
}

} // namespace

void ReadStreamBytes(CMemStream& stream, void* out, std::uint32_t size, const char* what)
{
    const std::uint32_t left =
        stream.m_nPosition < stream.m_nCapacity ? stream.m_nCapacity - stream.m_nPosition : 0;
    if (left < size)
        throw CObjectStreamError(std::string(what) + ": " + std::to_string(size) +
                                 " bytes needed at offset " + std::to_string(stream.m_nPosition) + ", " +
                                 std::to_string(left) + " left");
    stream.Read(out, size);
}

CMMObject::CMMObject() = default;

CMMObject::~CMMObject()
{
    // The release may fail inside the sound manager; a destructor must not
    // let that escape (it would end the program), so it is traced and logged.
    try
    {
        ReleaseSound();
    }
    catch (...)
    {
        g_ErrorLog.AppendTrace("CMMObject::~CMMObject");
        g_ErrorLog.FlushTrace();
    }
}

std::int32_t CMMObject::GetModelId() const
{
    return m_pType ? m_pType->GetModelId() : -1;
}

std::int32_t CMMObject::GetSoundIndex() const
{
    return m_pType ? m_pType->GetSoundIndex() : -1;
}

void CMMObject::SetPosition(CVector v)
{
    XTRACE("CMMObject::SetPosition(CVector v)");
    const CVector old = m_Frame.m_vPosition;
    m_Frame.SetPosition(v);
    if (Moved(old, v) && g_pObjectCells) g_pObjectCells->MoveCellObject(old, v, this);
}

void CMMObject::SetMatrix(const CMatrix& m)
{
    m_Frame.SetMatrix(m, true);
}

void CMMObject::ReleaseSound()
{
    if (m_iSoundSource == -1) return;
    if (g_pSoundManager) g_pSoundManager->DeleteSndSrc(&m_iSoundSource, false);
    m_iSoundSource = -1;
}

void CMMObject::Run()
{
    XTRACE("CMMObject::Run");
    const std::int32_t sound = GetSoundIndex();
    if (sound != -1 && g_pSoundManager && m_bAlive)
    {
        if (!m_bAudibleKnown)
        {
            const float d = g_pSoundManager->GetMaxDistance(sound);
            m_fAudibleDistSq = d < std::sqrt(FLT_MAX) ? d * d : FLT_MAX;
            m_bAudibleKnown = true;
        }
        const CVector p = GetPosition();
        if ((p - GetViewerPosition()).LengthSq() <= m_fAudibleDistSq)
        {
            const float at[3] = {p.x, p.y, p.z};
            g_pSoundManager->KeepLoopSndSrc(&m_iSoundSource, sound, at);
            return;
        }
    }
    ReleaseSound();
}

void CMMObject::Pause(bool pause)
{
    XTRACE("CMMObject::Pause");
    if (pause) ReleaseSound();
}

void CMMObject::Draw()
{
    XTRACE("CMMObject::Draw");
    DrawTypeModel(false);
}

void CMMObject::DrawTypeModel(bool terrainTint)
{
    g_ModelWorldMatrix = m_Frame.m_Matrix;
    if (graph.m_lpDevice)
        graph.m_lpDevice->SetTransform(D3DTS_WORLD, reinterpret_cast<const SMatrix*>(&m_Frame.m_Matrix));
    CComplexObject* model = TypeModel(GetModelId());
    if (!model) return; // still loading: next frame
    const CVector p = GetPosition();
    g_LightWare.SetLights(p, m_fRadius);
    if (g_pObjectView) g_pObjectView->SetLights(p, m_fRadius);
    float level = 1.0f;
    if (g_pObjectCells)
    {
        level = g_pObjectCells->GetBrightnessAt(p);
        // A large object takes the brightest of its centre and four points
        // at its rim, so that a shaded centre does not darken all of it.
        if (m_fRadius >= 50.0f)
        {
            const float r = m_fRadius;
            const CVector rim[4] = {
                {p.x + r, p.y, p.z}, {p.x - r, p.y, p.z}, {p.x, p.y + r, p.z}, {p.x, p.y - r, p.z}};
            for (const CVector& q : rim)
                level = std::max(level, g_pObjectCells->GetBrightnessAt(q));
        }
    }
    if (terrainTint && g_pObjectCells)
    {
        // The ground's colour, doubled so that a mid grey leaves the level
        // as it is.
        const std::uint32_t k = g_pObjectCells->GetColor(p.x, p.y);
        const auto channel = [&](int shift) { return 2.0f * float((k >> shift) & 0xFF) * level / 255.0f; };
        model->SetColor(channel(16), channel(8), channel(0), level);
    }
    else
        model->SetColor(level, level, level, level);
    if (model->m_bSorted && g_pObjectView)
    {
        // The view direction in object space, negated.
        const CVector dir = g_pObjectView->GetViewDirection();
        CVector local;
        CMatrix inverse = m_Frame.m_Matrix;
        InvertMatrix(m_Frame.m_Matrix, inverse);
        VectorTransformNormal(&local, &inverse, &dir);
        model->SetSortingByView(-local, false);
    }
    model->Render(nullptr, 0, -1);
    model->ResetColor();
}

const void* CMMObject::GetShapeData()
{
    CComplexObject* model = TypeModel(GetModelId());
    if (!model) return nullptr;
    if (model->m_Shape.empty()) model->CreateShape(true);
    return &model->m_Shape;
}

void CMMObject::PlayPickupSound()
{
    const std::int32_t sound = GetSoundIndex();
    if (sound == -1 || !g_pSoundManager) return;
    const CVector p = GetPosition();
    const CVector l = GetViewerPosition();
    const float at[3] = {p.x, p.y, p.z};
    const float listener[3] = {l.x, l.y, l.z};
    g_pSoundManager->Play3DMotionlessById(sound, at, listener, true);
}

void CMMObject::WriteNetDescriptor(void* buffer, int* size)
{
    SNetDescriptor d{};
    d.netId = m_nNetId;
    std::memcpy(&d.typeRef, m_TypeRef, sizeof d.typeRef);
    d.kind = m_bAlive ? kNetKindAlive : kNetKindDead;
    d.type = m_nType;
    d.time = g_FrameTimer.GetElapsed();
    d.baseSize = kNetDescriptorSize;
    d.position[0] = m_Frame.m_vPosition.x;
    d.position[1] = m_Frame.m_vPosition.y;
    d.position[2] = m_Frame.m_vPosition.z;
    std::memcpy(buffer, &d, sizeof d);
    m_dLastNetUpdate = d.time;
    m_bChanged = 0;
    *size = kNetDescriptorSize;
}

void CMMObject::ReadNetDescriptor(const void* buffer, int* size)
{
    SNetDescriptor d;
    std::memcpy(&d, buffer, sizeof d);
    SetPosition(CVector{d.position[0], d.position[1], d.position[2]});
    m_dLastNetUpdate = g_FrameTimer.GetElapsed();
    m_dSenderTime = d.time;
    *size = kNetDescriptorSize;
    if (d.kind == kNetKindDead) g_ObjectList.DeleteObject(this);
}

void CMMObject::SaveToStream(CMemStream& stream, int* size, bool stateOnly)
{
    if (stateOnly)
    {
        stream.Advance(kStreamRecordSize - 1);
    }
    else
    {
        m_Frame.m_Matrix.SetTranslation(m_Frame.m_vPosition);
        stream.Write(&m_Frame.m_Matrix, sizeof(CMatrix));
        stream.Write(&m_bAlive, 1);
        stream.Write(&m_bMoving, 1);
        stream.Write(&m_bPhysics, 1);
    }
    stream.Write(&m_bShown, 1);
    *size += kStreamRecordSize;
}

void CMMObject::LoadFromStream(CMemStream& stream, int* size, bool stateOnly)
{
    std::uint8_t record[kStreamRecordSize];
    ReadStreamBytes(stream, record, kStreamRecordSize, "object record");
    CMatrix m;
    std::memcpy(&m, record, sizeof m);
    m_Frame.SetMatrix(m, true);
    m_bAlive = record[64];
    m_bMoving = record[65];
    m_bPhysics = record[66];
    // The state-only form leaves the shown flag as the object has it.
    if (!stateOnly) m_bShown = record[67];
    *size += kStreamRecordSize;
}

void CMMObject::SaveGame(CMemStream& stream)
{
    stream.Write(&m_bShown, 1);
    stream.Write(&m_Frame.m_vPosition, sizeof(CVector));
}

void CMMObject::LoadGame(CMemStream& stream)
{
    std::uint8_t record[kSaveGameSize];
    ReadStreamBytes(stream, record, kSaveGameSize, "object state");
    CVector p;
    std::memcpy(&p, record + 1, sizeof p);
    // A damaged record must not reach the cell arithmetic.
    for (float v : {p.x, p.y, p.z})
        if (!std::isfinite(v) || std::fabs(v) > kMaxRecordCoordinate)
        {
            char text[160];
            std::snprintf(text, sizeof text, "object state: position (%g, %g, %g) lies outside any world",
                          double(p.x), double(p.y), double(p.z));
            throw CObjectStreamError(text);
        }
    m_bShown = record[0];
    m_Frame.SetPosition(p);
}
