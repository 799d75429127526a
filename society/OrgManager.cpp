#include "society/OrgManager.h"

#include "foundation/ErrorLog.h"
#include "foundation/MemStream.h"
#include "foundation/Random.h"
#include "foundation/ResourceDB.h"
#include "foundation/StreamReader.h"
#include "graphics/ModelManager.h"
#include "society/Organization.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace
{
constexpr char kFree[] = "ORG_FREE";
// Each hour the distance to the standard relation shrinks by ln(2 ln 12).
const float kRelaxBase = float(std::log(2.0 * std::log(12.0)));

void Put32(CMemStream& s, std::uint32_t v)
{
    const std::uint8_t b[4] = {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)};
    s.Write(b, 4);
}

float Clamp(float v)
{
    return std::isnan(v) ? 0.0f : std::clamp(v, -1.0f, 1.0f);
}
} // namespace

std::int32_t SOrgRecord::IconModelIndex() const
{
    std::int32_t index;
    std::memcpy(&index, m_szIconModel, 4);
    return index;
}

CGuidKey COrgManager::GetGUID() const
{
    CGuidKey key;
    MakeGuidKeyConcat(&key, "IGUID_", "IOrgManager");
    return key;
}

std::size_t COrgManager::Cell(std::int32_t i, std::int32_t j) const
{
    return std::size_t(m_nCount) * std::size_t(std::max(i, j)) + std::size_t(std::min(i, j));
}

void COrgManager::SizeMatrices()
{
    const std::size_t n = std::size_t(m_nCount);
    m_Standard.assign(n * n, 0.0f);
    m_Current.assign(n * n, 0.0f);
    for (std::size_t i = 0; i < n; ++i)
        m_Standard[i * n + i] = m_Current[i * n + i] = 1.0f;
}

bool COrgManager::LoadTable(const char* section)
{
    XTRACE("COrgManager::LoadTable");
    const bool ok = Init(section);
    m_Records.assign(std::size_t(m_nCount), SOrgRecord{});
    for (std::int32_t i = 0; i < m_nCount; ++i)
    {
        const char* name = GetName(i);
        SOrgRecord& r = m_Records[std::size_t(i)];
        r.m_nIcon = std::uint32_t(g_ResourceDB.GetIntegerField(name, "ICON", 0));
        r.m_fReactions[0] = 0.325f;
        r.m_fReactions[1] = 1.3f;
        r.m_fReactions[2] = 0.78f;
        r.m_nColour = std::uint32_t(g_ResourceDB.GetIntegerField(name, "COLOR", 0));
        g_ResourceDB.GetStringField(name, "ICO_MODEL", r.m_szIconModel, sizeof r.m_szIconModel);
        r.m_szIconModel[31] = 0;
        r.m_fHelpfulness = float(g_ResourceDB.GetIntegerField(name, "HELPNESS", 0)) * 0.01f;
        r.m_fVolatility = g_ResourceDB.GetFloatField(name, "VOLATILE", 0.0f);
    }
    SizeMatrices();
    for (SOrgRecord& r : m_Records)
    {
        const std::int32_t model = g_pModelManager ? g_pModelManager->FindName(r.m_szIconModel) : -1;
        std::memcpy(r.m_szIconModel, &model, 4);
    }
    return ok;
}

void COrgManager::SetTable(const std::vector<const char*>& names, const std::vector<SOrgRecord>& records)
{
    m_Names.Init(std::uint32_t(names.size()), std::uint32_t(names.size()) * 32);
    for (const char* n : names)
        m_Names.Add(n);
    m_nCount = std::int32_t(names.size());
    m_Records = records;
    m_Records.resize(names.size());
    SizeMatrices();
}

const SOrgRecord* COrgManager::GetRecord(std::int32_t index)
{
    return Valid(index) ? &m_Records[std::size_t(index)] : nullptr;
}

void COrgManager::SetClanLook(std::int32_t index, std::uint32_t colour, std::int32_t iconModel)
{
    if (!Valid(index)) return;
    SOrgRecord& record = m_Records[std::size_t(index)];
    record.m_nColour = colour;
    std::memcpy(record.m_szIconModel, &iconModel, 4);
}

COrganization* COrgManager::CreateOrganization(const char* name)
{
    const std::int32_t index = FindName(name);
    if (!Valid(index)) return nullptr;
    return new COrganization(GetName(index), &m_Records[std::size_t(index)], this);
}

void COrgManager::InitRelations()
{
    const std::int32_t n = m_nCount;
    for (std::int32_t k = 0; k < n * n; ++k)
    {
        const std::int32_t i = k / n, j = k % n;
        float v;
        if (i == j)
            v = 1.0f;
        else if (std::strcmp(GetName(i), kFree) != 0 && std::strcmp(GetName(j), kFree) != 0)
            v = -0.4f - 0.05f + g_Random.Random(0.1f);
        else
            v = -0.2f - 0.05f + float(g_Random.Next() % 10000) * 0.00001f;
        m_Standard[std::size_t(k)] = m_Current[std::size_t(k)] = v;
    }
}

float COrgManager::GetRelation(std::int32_t i, std::int32_t j, bool standard)
{
    if (!Valid(i) || !Valid(j)) return 0.0f;
    return (standard ? m_Standard : m_Current)[Cell(i, j)];
}

void COrgManager::SetRelation(std::int32_t i, std::int32_t j, float value, bool current, bool standard)
{
    if (!Valid(i) || !Valid(j)) return;
    if (current) m_Current[Cell(i, j)] = Clamp(value);
    if (standard) m_Standard[Cell(i, j)] = Clamp(value);
}

void COrgManager::ChangePolitic(std::int32_t i, std::int32_t j, float change, bool spread)
{
    XTRACE("COrgManager::ChangePolitic");
    if (!Valid(i) || !Valid(j)) return;
    auto vol = [this](std::int32_t k) { return m_Records[std::size_t(k)].m_fVolatility; };
    float& rij = m_Current[Cell(i, j)];
    rij = Clamp((vol(i) + vol(j)) * 0.5f * change + rij);
    if (!spread) return;
    const float factor = std::fabs(change) < 0.05f ? 0.005f : 0.5f;
    for (std::int32_t k = 0; k < m_nCount; ++k)
    {
        if (k == i || k == j) continue;
        float& rjk = m_Current[Cell(j, k)];
        const float rki = m_Current[Cell(k, i)];
        rjk = Clamp(rki * ((vol(k) + vol(j)) * 0.5f) * factor * change + rjk);
    }
}

void COrgManager::RelaxRelations(float t)
{
    for (std::int32_t i = 1; i < m_nCount; ++i)
        for (std::int32_t j = 0; j < i; ++j)
        {
            const float s = m_Standard[Cell(i, j)];
            float& c = m_Current[Cell(i, j)];
            const float d = c - s;
            const float q = (1.0f + std::fabs(d) * 0.0000000001f) * kRelaxBase;
            c = s + d / std::pow(q, t);
        }
}

void COrgManager::SaveToStream(CMemStream& stream)
{
    XTRACE("COrgManager::SaveToStream");
    Put32(stream, kStreamVersion);
    if (!m_Standard.empty())
    {
        stream.Write(m_Standard.data(), std::uint32_t(m_Standard.size() * 4));
        stream.Write(m_Current.data(), std::uint32_t(m_Current.size() * 4));
    }
}

void COrgManager::LoadFromStream(CMemStream& stream)
{
    XTRACE("COrgManager::LoadFromStream");
    CStreamReader in(stream, "ORGREL");
    std::vector<float> standard, current;
    std::uint32_t n = 0;
    try
    {
        const std::uint32_t version = in.U32();
        if (version != kStreamVersion) in.Fail("version %u, not %u", version, kStreamVersion);
        const std::uint32_t left = in.Left();
        n = std::uint32_t(std::lround(std::sqrt(double(left / 8))));
        if (left % 8 != 0 || std::uint64_t(n) * n * 8 != left)
            in.Fail("%u bytes are not two square matrices", left);
        standard.resize(std::size_t(n) * n);
        current.resize(std::size_t(n) * n);
        if (n)
        {
            in.Bytes(standard.data(), n * n * 4);
            in.Bytes(current.data(), n * n * 4);
        }
    }
    catch (const CStreamError& e)
    {
        g_ErrorLog.LogError("COrgManager::LoadFromStream: %s; relations kept", e.what());
        throw;
    }
    if (std::int32_t(n) != m_nCount)
        g_ErrorLog.LogError("COrgManager::LoadFromStream: %u organisations saved, %d in the table; the first %u read",
                            n, m_nCount, std::min<std::uint32_t>(n, std::uint32_t(m_nCount)));
    const std::int32_t m = std::min(std::int32_t(n), m_nCount);
    for (std::int32_t i = 0; i < m; ++i)
        for (std::int32_t j = 0; j < m; ++j)
        {
            const std::size_t from = std::size_t(i) * n + std::size_t(j);
            const std::size_t to = std::size_t(i) * std::size_t(m_nCount) + std::size_t(j);
            m_Standard[to] = i == j ? 1.0f : Clamp(standard[from]);
            m_Current[to] = i == j ? 1.0f : Clamp(current[from]);
        }
}
