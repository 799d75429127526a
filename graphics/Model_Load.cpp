// CModel: reading and writing the model block.

#include "foundation/ErrorLog.h"
#include "foundation/PakFileSystem.h"
#include "graphics/Mesh.h"
#include "graphics/Model.h"
#include "graphics/Model_Internal.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>

namespace
{
// Reading a block: every failure throws with the reason and the offset.
class CBlockReader
{
public:
    explicit CBlockReader(CPakStream& stream) : m_stream(stream), m_start(stream.Tell()) {}

    std::uint32_t Left() const
    {
        const std::uint32_t length = m_stream.GetLength(), position = m_stream.Tell();
        return position <= length ? length - position : 0;
    }
    void Read(void* out, std::size_t bytes, const char* what)
    {
        if (bytes > Left()) Fail(std::string(what) + " past end of block");
        if (bytes && m_stream.ReadBytes(out, std::uint32_t(bytes)) != bytes) Fail(std::string(what) + " truncated");
    }
    [[noreturn]] void Fail(const std::string& why) const
    {
        throw std::runtime_error(why + " at offset " + std::to_string(m_stream.Tell() - m_start));
    }
    CPakStream& Stream() { return m_stream; }

private:
    CPakStream& m_stream;
    std::uint32_t m_start;
};

bool Write(std::FILE* file, const void* data, std::size_t bytes)
{
    return bytes == 0 || std::fwrite(data, bytes, 1, file) == 1;
}
} // namespace

int AnimationSetCount(std::int32_t type)
{
    switch (type)
    {
    case 1: case 9: case 15: return 4;
    case 2: case 4: case 6: case 7: case 10: case 11: return 2;
    case 3: case 5: return 1;
    case 8: case 12: case 13: case 14: return 3;
    default: return 0;
    }
}

bool CModel::Load(CPakStream& stream, bool shared)
{
    XTRACE("CModel::Load");
    try
    {
        return LoadBody(stream, shared);
    }
    catch (const std::exception& e)
    {
        g_ErrorLog.LogError("CModel::Load bad model block in %s: %s", stream.GetEntryName(), e.what());
        Free();
        return false;
    }
}

bool CModel::LoadBody(CPakStream& stream, bool shared)
{
    Free();
    CBlockReader in(stream);
    SModelBlockHeader h{};
    in.Read(&h, sizeof h, "header");
    // Counts bound fixed arrays: check them before anything is made.
    if (h.animationCount < 0 || h.animationCount > kMaxAnimations)
        in.Fail("animation count " + std::to_string(h.animationCount) + " out of 0..4");
    if (h.damageCount < 0 || h.damageCount > kMaxDamages)
        in.Fail("damage count " + std::to_string(h.damageCount) + " out of 0..8");

    m_bShared = shared;
    std::memcpy(&m_Material, h.material, sizeof m_Material);
    m_iTechnique = h.techniqueId;
    m_iFrameGrid = std::max(0, h.frameGrid);
    m_fFrameTime = h.frameTime > 0.0f ? std::min(h.frameTime, 100.0f) : 0.0f;
    m_iMaterial = 0;
    m_bPingPong = h.pingPong != 0;
    m_fPingPongPeriod = h.pingPongPeriod;
    m_iPingPongSlot = h.pingPongSlot;
    if (m_bPingPong && (m_iPingPongSlot < 0 || m_iPingPongSlot >= kMaxAnimations))
        in.Fail("ping-pong slot out of 0..3");
    m_iBlend = h.blendMode;
    m_iBlendProfile = h.blendProfile;
    m_iSorting = h.sortingMode;
    m_iExtraType = h.extraType;
    m_fExtraValue = h.extraValue;
    m_iRotationAxis = h.rotationAxis;
    m_fRotationSpeed = h.rotationSpeed;
    m_vRotationPivot = CVector{h.rotationPivot[0], h.rotationPivot[1], h.rotationPivot[2]};

    m_pMesh = std::make_unique<CMesh>(MESH_MEMORY_HEAP, 0x002, 0, 1, 0);
    if (!m_pMesh->LoadFromStream(&stream, shared ? MESH_MEMORY_STATIC : MESH_MEMORY_HEAP))
        in.Fail("base mesh not read");
    m_nMeshBytes += MeshBytes(m_pMesh.get());
    const std::int32_t vertexCount = m_pMesh->m_nVertexCount;
    const std::int32_t indexCount = m_pMesh->m_nIndexCount;

    for (std::int32_t a = 0; a < h.animationCount; ++a)
    {
        SAnimationFile record{};
        in.Read(&record, sizeof record, "animation record");
        SAnimation& anim = m_Animations[a];
        anim.m_iType = record.type;
        std::memcpy(anim.m_szName, record.name, sizeof anim.m_szName);
        anim.m_szName[sizeof anim.m_szName - 1] = 0;
        for (char& c : anim.m_szName)
            if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
        ++m_nAnimationCount;
        const int sets = AnimationSetCount(record.type);
        if (sets == 0)
        {
            g_ErrorLog.LogError("CModel::Load Запись этого типа анимации не реализована");
            continue;
        }
        for (int s = 0; s < sets; ++s)
        {
            const SAnimationSetFile& f = record.sets[s];
            SAnimationSet& set = anim.m_Sets[s];
            if (f.count < 0 || f.count > vertexCount) in.Fail("animation set count out of range");
            set.m_nCount = f.count;
            set.m_bHasIndices = f.hasIndices != 0;
            set.m_bHasDeltas = f.hasDeltas != 0;
            if (set.m_bHasIndices)
            {
                set.m_Indices.resize(std::size_t(f.count));
                in.Read(set.m_Indices.data(), set.m_Indices.size() * 2, "animation indices");
                for (std::uint16_t v : set.m_Indices)
                    if (v >= vertexCount) in.Fail("animation vertex index past vertex count");
            }
            set.m_Deltas.resize(std::size_t(f.count) * 6);
            in.Read(set.m_Deltas.data(), set.m_Deltas.size() * 4, "animation deltas");
        }
        // Later sets follow set 0's vertex list (set 2's for type 1 below
        // zero): they must be as long as the list they follow.
        const SAnimationSet* sets0 = anim.m_Sets;
        for (int s = 1; s < sets; ++s)
        {
            const int list = (record.type == 1 && s >= 2) ? 2 : 0;
            if (s != list && sets0[s].m_nCount < sets0[list].m_nCount) in.Fail("animation set shorter than its list");
        }
    }
    m_bAnimated = m_nAnimationCount > 0;
    if (m_bAnimated) MakeWorkMesh();

    if (m_iSorting == 1 || m_iSorting == 2)
    {
        m_SortedIndices.resize(std::size_t(indexCount) * 6);
        in.Read(m_SortedIndices.data(), m_SortedIndices.size() * 2, "sorted index lists");
        for (std::uint16_t v : m_SortedIndices)
            if (v >= vertexCount) in.Fail("sorted index past vertex count");
    }

    for (std::int32_t d = 0; d < h.damageCount; ++d)
    {
        SDamageData& damage = m_Damages[d];
        in.Read(&damage.m_Header, sizeof damage.m_Header, "damage header");
        const std::int32_t removed = damage.m_Header.removedCount;
        if (removed < 0 || removed > indexCount / 3) in.Fail("removed-triangle count out of range");
        damage.m_Triangles.resize(std::size_t(removed));
        in.Read(damage.m_Triangles.data(), damage.m_Triangles.size() * 2, "removed triangles");
        for (std::uint16_t t : damage.m_Triangles)
            if (t >= indexCount / 3) in.Fail("removed triangle past the index list");
        damage.m_pMesh = std::make_unique<CMesh>(MESH_MEMORY_HEAP, 0x002, 0, 1, 0);
        ++m_nDamageCount;
        if (!damage.m_pMesh->LoadFromStream(&stream, shared ? MESH_MEMORY_STATIC : MESH_MEMORY_HEAP))
            in.Fail("damage mesh not read");
        m_nMeshBytes += MeshBytes(damage.m_pMesh.get());
    }

    if (m_bShared && m_bAnimated) CopyUndamagedIndices();
    ResetHardwareCache();
    return true;
}

bool CModel::Save(std::FILE* file)
{
    XTRACE("CModel::Save");
    if (!file || !m_pMesh) return false;
    if (m_pMesh->m_nDamageEntry != 0 && m_nHardwareCount > 0)
    {
        m_pMesh->m_pIB = m_Hardware[0].m_pIB;
        m_pMesh->m_nIndexCount = m_Hardware[0].m_nIndexCount;
        m_pMesh->m_nDamageEntry = 0;
    }
    SModelBlockHeader h{};
    h.animationCount = m_nAnimationCount;
    std::memcpy(h.material, &m_Material, sizeof h.material);
    h.techniqueId = m_iTechnique;
    h.frameGrid = m_iFrameGrid;
    h.frameTime = m_fFrameTime;
    h.materialIndex = m_iMaterial;
    h.pingPong = m_bPingPong ? 1 : 0;
    h.pingPongPeriod = m_fPingPongPeriod;
    h.pingPongSlot = m_iPingPongSlot;
    h.blendMode = m_iBlend;
    h.blendProfile = m_iBlendProfile;
    h.sortingMode = m_iSorting;
    h.extraType = m_iExtraType;
    h.extraValue = m_fExtraValue;
    h.damageCount = m_nDamageCount;
    h.rotationAxis = m_iRotationAxis;
    h.rotationSpeed = m_fRotationSpeed;
    h.rotationPivot[0] = m_vRotationPivot.x;
    h.rotationPivot[1] = m_vRotationPivot.y;
    h.rotationPivot[2] = m_vRotationPivot.z;
    bool ok = Write(file, &h, sizeof h) && m_pMesh->SaveToFile(file);

    for (std::int32_t a = 0; ok && a < m_nAnimationCount; ++a)
    {
        const SAnimation& anim = m_Animations[a];
        SAnimationFile record{};
        record.type = anim.m_iType;
        std::memcpy(record.name, anim.m_szName, sizeof record.name);
        const int sets = AnimationSetCount(anim.m_iType);
        for (int s = 0; s < 4; ++s)
        {
            record.sets[s].count = anim.m_Sets[s].m_nCount;
            record.sets[s].hasIndices = anim.m_Sets[s].m_bHasIndices ? 1 : 0;
            record.sets[s].hasDeltas = anim.m_Sets[s].m_bHasDeltas ? 1 : 0;
        }
        ok = Write(file, &record, sizeof record);
        if (sets == 0)
        {
            g_ErrorLog.LogError("CModel::Save Запись этого типа анимации не реализована");
            continue;
        }
        for (int s = 0; ok && s < sets; ++s)
        {
            const SAnimationSet& set = anim.m_Sets[s];
            if (set.m_bHasIndices) ok = Write(file, set.m_Indices.data(), set.m_Indices.size() * 2);
            if (ok) ok = Write(file, set.m_Deltas.data(), set.m_Deltas.size() * 4);
        }
    }
    if (ok && (m_iSorting == 1 || m_iSorting == 2))
    {
        // A model whose lists were never built writes the base order six
        // times, so the block stays readable.
        std::vector<std::uint16_t> lists = m_SortedIndices;
        if (lists.size() != std::size_t(m_pMesh->m_nIndexCount) * 6)
        {
            lists.clear();
            const std::vector<std::uint16_t> base = m_nCopyCount > 0 ? m_Copies[0].m_Indices
                                                                     : CreateDamageIndexes(0, nullptr);
            for (int k = 0; k < 6; ++k) lists.insert(lists.end(), base.begin(), base.end());
        }
        ok = Write(file, lists.data(), lists.size() * 2);
    }
    for (std::int32_t d = 0; ok && d < m_nDamageCount; ++d)
    {
        const SDamageData& damage = m_Damages[d];
        ok = Write(file, &damage.m_Header, sizeof damage.m_Header) &&
             Write(file, damage.m_Triangles.data(), damage.m_Triangles.size() * 2) && damage.m_pMesh &&
             damage.m_pMesh->SaveToFile(file);
    }
    if (!ok) g_ErrorLog.LogError("CModel::Save write failed");
    return ok;
}
