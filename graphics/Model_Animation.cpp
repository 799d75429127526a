// CModel: morph animations: evaluation, building from key meshes, removal.

#include "foundation/ErrorLog.h"
#include "graphics/Mesh.h"
#include "graphics/Model.h"
#include "graphics/Model_Internal.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

namespace
{
constexpr float kPi = 3.14159265358979f;

bool UsesNegatedValue(std::int32_t type)
{
    return type == 4 || type == 5 || type == 7 || type == 11 || type == 13 || type == 14 || type == 15;
}

int KeyCount(std::int32_t type)
{
    switch (type)
    {
    case 3: case 5: return 1;
    case 2: case 4: case 6: case 7: case 10: case 11: return 2;
    case 8: case 14: case 12: case 13: return 3;
    case 1: case 9: case 15: return 4;
    default: return 0;
    }
}
} // namespace

bool AnimationCoefficients(std::int32_t type, float s, float position[4], float normal[4], int* listSet)
{
    std::fill(position, position + 4, 0.0f);
    std::fill(normal, normal + 4, 0.0f);
    *listSet = 0;
    if (UsesNegatedValue(type)) s = -s;
    bool separateNormals = false;
    switch (type)
    {
    case 1:
        if (s > 0)
            position[0] = s, position[1] = s * s;
        else if (s < 0)
            *listSet = 2, position[2] = std::fabs(s), position[3] = s * s;
        break;
    case 2: case 4:
        if (s > 0) position[0] = s, position[1] = s * s;
        break;
    case 3: case 5:
        if (s > 0) position[0] = s;
        break;
    case 6: case 7:
        if (s > 0)
        {
            if (s <= 0.5f)
                position[0] = s;
            else
                position[0] = 0.5f, position[1] = s - 0.5f;
        }
        break;
    case 8: case 14:
        if (s > 0)
        {
            const float third = 1.0f / 3.0f, twoThirds = 2.0f / 3.0f;
            if (s <= third)
                position[0] = s;
            else if (s <= twoThirds)
                position[0] = third, position[1] = s - third;
            else
                position[0] = third, position[1] = third, position[2] = s - twoThirds;
        }
        break;
    case 9: case 15:
        if (s > 0)
        {
            // Each full quarter contributes a quarter of its set.
            int piece = 0;
            while (piece < 3 && s > 0.25f * float(piece + 1)) ++piece;
            for (int k = 0; k < piece; ++k) position[k] = 0.25f;
            position[piece] = s - 0.25f * float(piece);
        }
        break;
    case 10: case 11:
        if (s != 0)
        {
            separateNormals = true;
            position[0] = 1.0f - std::cos(kPi * s);
            position[1] = std::sin(kPi * s);
            if (s > 0)
                normal[0] = s, normal[1] = s * s;
            else
                normal[0] = -s, normal[1] = -2.0f * s - s * s;
        }
        break;
    case 12: case 13:
        if (s > 0) position[0] = s, position[1] = s * s, position[2] = s * s * s;
        break;
    default:
        return false;
    }
    if (!separateNormals) std::copy(position, position + 4, normal);
    for (int k = 0; k < 4; ++k)
        if (position[k] != 0.0f || normal[k] != 0.0f) return true;
    return false;
}

CMesh* CModel::GetAnimatedMesh(const float* state, bool force)
{
    XTRACE("CModel::GetAnimatedMesh");
    if (!m_pMesh || !state) return m_pMesh.get();
    std::copy(state, state + kMaxAnimations, m_fLastState);
    if (m_BaseVertices.empty() || (m_bShared ? !m_pSource : !m_pWorkMesh)) MakeWorkMesh();
    const std::uint32_t stride = m_pMesh->m_nStride;
    const std::size_t bytes = m_BaseVertices.size();
    std::uint8_t* work = nullptr;
    if (m_bShared)
        work = m_pSource ? m_pSource->m_pVertices : nullptr;
    else
    {
        m_AnimatedVertices.resize(bytes);
        work = m_AnimatedVertices.data();
    }
    if (!work) return m_pMesh.get();
    std::memcpy(work, m_BaseVertices.data(), bytes);
    const std::uint32_t normalAt = NormalOffset(m_pMesh->m_nFVF);
    if (normalAt == 0)
    {
        g_ErrorLog.LogError("Error in mesh format");
        return m_pMesh.get();
    }
    const bool hasNormal = (m_pMesh->m_nFVF & 0x010) != 0;
    const std::int32_t vertexCount = m_pMesh->m_nVertexCount;

    bool contributed = false;
    for (std::int32_t a = 0; a < m_nAnimationCount && a < kMaxAnimations; ++a)
    {
        const float s = state[a];
        if (s == 0.0f) continue;
        const SAnimation& anim = m_Animations[a];
        float cp[4], cn[4];
        int listSet = 0;
        if (!AnimationCoefficients(anim.m_iType, s, cp, cn, &listSet)) continue;
        const SAnimationSet& list = anim.m_Sets[listSet];
        // Only sets that hold their deltas for every listed vertex take part.
        const int used = AnimationSetCount(anim.m_iType);
        for (std::int32_t k = 0; k < list.m_nCount; ++k)
        {
            const std::int32_t v = list.m_Indices.empty() ? k : list.m_Indices[std::size_t(k)];
            if (v < 0 || v >= vertexCount) continue;
            float* p = reinterpret_cast<float*>(work + std::size_t(v) * stride);
            float* n = reinterpret_cast<float*>(work + std::size_t(v) * stride + normalAt);
            for (int set = 0; set < used; ++set)
            {
                if (cp[set] == 0.0f && cn[set] == 0.0f) continue;
                const std::vector<float>& d = anim.m_Sets[set].m_Deltas;
                if (d.size() < std::size_t(k + 1) * 6) continue;
                const float* delta = &d[std::size_t(k) * 6];
                float pos[3], nor[3];
                std::memcpy(pos, p, 12);
                for (int c = 0; c < 3; ++c) pos[c] += cp[set] * delta[c];
                std::memcpy(p, pos, 12);
                if (hasNormal)
                {
                    std::memcpy(nor, n, 12);
                    for (int c = 0; c < 3; ++c) nor[c] += cn[set] * delta[3 + c];
                    std::memcpy(n, nor, 12);
                }
            }
            contributed = true;
        }
    }
    if (!contributed && !force) return m_pMesh.get();
    if (m_bShared) return GetRenderMesh();
    StoreMeshVertices(*m_pWorkMesh, m_AnimatedVertices);
    return m_pWorkMesh.get();
}

std::int32_t CModel::FindAnimation(const char* name) const
{
    if (!name) return -1;
    for (std::int32_t a = 0; a < m_nAnimationCount; ++a)
        if (std::strncmp(m_Animations[a].m_szName, name, sizeof m_Animations[a].m_szName) == 0 &&
            std::strlen(name) < sizeof m_Animations[a].m_szName)
            return a;
    return -1;
}

void CModel::DeleteAnimation(const char* name)
{
    const std::int32_t index = FindAnimation(name);
    if (index < 0)
    {
        g_ErrorLog.LogError("CModel::DeleteAnimation Анимации с данным именем не найдено");
        return;
    }
    for (std::int32_t a = index; a + 1 < m_nAnimationCount; ++a) m_Animations[a] = std::move(m_Animations[a + 1]);
    --m_nAnimationCount;
    m_Animations[m_nAnimationCount] = SAnimation{};
    if (m_bPingPong)
    {
        if (index == m_iPingPongSlot)
            m_bPingPong = false;
        else if (index < m_iPingPongSlot)
            --m_iPingPongSlot;
    }
    m_bAnimated = m_nAnimationCount > 0;
}

void CModel::AddAnimation(std::int32_t type, const char* name, CMesh* const* keys)
{
    XTRACE("CModel::AddAnimation");
    if (!m_pMesh) return;
    MakeWorkMesh();
    if (m_bShared) CopyUndamagedIndices();
    if (m_nAnimationCount >= kMaxAnimations)
    {
        g_ErrorLog.LogError("CModel::AddAnimation Превышено количество действий");
        return;
    }
    const int keyCount = KeyCount(type);
    if (keyCount == 0 || !keys)
    {
        g_ErrorLog.LogError("CModel::AddAnimation Запись этого типа анимации не реализована");
        return;
    }
    const std::int32_t n = m_pMesh->m_nVertexCount;
    SWorkVertex* raw = nullptr;
    m_pMesh->ExtractVertices(&raw);
    std::unique_ptr<SWorkVertex[]> base(raw);
    // Per key, per vertex: position and normal differences from the base.
    std::vector<std::vector<float>> k(std::size_t(keyCount), std::vector<float>(std::size_t(n) * 6));
    for (int key = 0; key < keyCount; ++key)
    {
        if (!keys[key] || keys[key]->m_nVertexCount != n)
        {
            g_ErrorLog.LogError("CModel::AddAnimation key mesh does not match the model");
            return;
        }
        SWorkVertex* kr = nullptr;
        keys[key]->ExtractVertices(&kr);
        std::unique_ptr<SWorkVertex[]> kv(kr);
        for (std::int32_t v = 0; v < n; ++v)
            for (int c = 0; c < 3; ++c)
            {
                k[std::size_t(key)][std::size_t(v) * 6 + c] = kv[v].position[c] - base[v].position[c];
                k[std::size_t(key)][std::size_t(v) * 6 + 3 + c] = kv[v].normal[c] - base[v].normal[c];
            }
    }
    // Full-length set deltas A[set][v*6 + c].
    const int sets = AnimationSetCount(type);
    std::vector<std::vector<float>> A(std::size_t(sets), std::vector<float>(std::size_t(n) * 6));
    auto K = [&](int key, std::size_t i) { return k[std::size_t(key)][i]; };
    for (std::size_t i = 0; i < std::size_t(n) * 6; ++i)
    {
        switch (type)
        {
        case 3: case 5: A[0][i] = K(0, i); break;
        case 2: case 4:
            A[0][i] = 4 * K(1, i) - K(0, i);
            A[1][i] = K(0, i) - A[0][i];
            break;
        case 1:
            A[0][i] = 4 * K(1, i) - K(0, i);
            A[1][i] = K(0, i) - A[0][i];
            A[2][i] = 4 * K(2, i) - K(3, i);
            A[3][i] = K(3, i) - A[2][i];
            break;
        case 6: case 7:
            A[0][i] = 2 * K(1, i);
            A[1][i] = 2 * (K(0, i) - K(1, i));
            break;
        case 8: case 14:
            A[0][i] = 3 * K(0, i);
            A[1][i] = 3 * (K(1, i) - K(0, i));
            A[2][i] = 3 * (K(2, i) - K(1, i));
            break;
        case 9: case 15:
            A[0][i] = 4 * K(0, i);
            for (int s = 1; s < 4; ++s) A[std::size_t(s)][i] = 4 * (K(s, i) - K(s - 1, i));
            break;
        case 10: case 11:
            // Key 1 at s = 0.5 (1 - cos = 1, sin = 1), key 0 at s = 1.
            A[0][i] = 0.5f * K(0, i);
            A[1][i] = K(1, i) - 0.5f * K(0, i);
            break;
        case 12: case 13:
        {
            // The cubic s A0 + s^2 A1 + s^3 A2 through keys 0, 1, 2 at
            // s = 1/3, 2/3, 1: the inverse of that Vandermonde-like system.
            const float k0 = K(0, i), k1 = K(1, i), k2 = K(2, i);
            A[0][i] = 9.0f * k0 - 4.5f * k1 + k2;
            A[1][i] = -22.5f * k0 + 18.0f * k1 - 4.5f * k2;
            A[2][i] = 13.5f * k0 - 13.5f * k1 + 4.5f * k2;
            break;
        }
        default: break;
        }
    }
    SAnimation& anim = m_Animations[m_nAnimationCount];
    anim = SAnimation{};
    anim.m_iType = type;
    std::snprintf(anim.m_szName, sizeof anim.m_szName, "%s", name ? name : "");
    // One vertex list per group of sets (type 1 has a second for s < 0).
    auto build = [&](int first, int last)
    {
        std::vector<std::uint16_t> list;
        for (std::int32_t v = 0; v < n; ++v)
        {
            bool moves = false;
            for (int s = first; s <= last && !moves; ++s)
            {
                const float* d = &A[std::size_t(s)][std::size_t(v) * 6];
                moves = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]) >= 0.00001f;
            }
            if (moves) list.push_back(std::uint16_t(v));
        }
        for (int s = first; s <= last; ++s)
        {
            SAnimationSet& set = anim.m_Sets[s];
            set.m_nCount = std::int32_t(list.size());
            if (s == first)
            {
                set.m_Indices = list;
                set.m_bHasIndices = true;
            }
            set.m_Deltas.resize(list.size() * 6);
            for (std::size_t j = 0; j < list.size(); ++j)
                std::memcpy(&set.m_Deltas[j * 6], &A[std::size_t(s)][std::size_t(list[j]) * 6], 24);
            set.m_bHasDeltas = !list.empty();
        }
    };
    if (type == 1)
    {
        build(0, 1);
        build(2, 3);
    }
    else
        build(0, sets - 1);
    ++m_nAnimationCount;
    m_bAnimated = true;
}
