#include "location/Environment.h"

#include "foundation/ErrorLog.h"
#include "foundation/PakFileSystem.h"
#include "graphics/ModelManager.h"
#include "graphics/TextureManager.h"

#include <cstring>
#include <stdexcept>
#include <string>

CEnvironment g_Environment;

namespace
{
std::int32_t FindTexture(const char* name)
{
    return g_pTextureManager ? g_pTextureManager->FindName(name) : -1;
}
} // namespace

void CEnvironment::Load(std::uint32_t bodySize)
{
    XTRACE("CEnvironment::Load");
    CPakFileSystem& files = GetPakFileSystem();
    SEnvSectionHeader header{};
    if (bodySize < sizeof(header))
        throw std::runtime_error("environment section of " + std::to_string(bodySize) +
                                 " bytes is shorter than its 164-byte header");
    if (files.ReadBytes(&header, sizeof(header)) != sizeof(header))
        throw std::runtime_error("environment header cut short");
    // The count comes from the file: it must fit the section it came in.
    const std::uint64_t need =
        sizeof(header) + std::uint64_t(header.count < 0 ? 0 : header.count) * sizeof(SEnvRecord);
    if (header.count < 0 || need != bodySize)
        throw std::runtime_error("environment count " + std::to_string(header.count) + " needs " +
                                 std::to_string(need) + " bytes, the section has " +
                                 std::to_string(bodySize));
    std::vector<SEnvRecord> records(std::size_t(header.count));
    const std::uint32_t bytes = std::uint32_t(records.size() * sizeof(SEnvRecord));
    if (bytes && files.ReadBytes(records.data(), bytes) != bytes)
        throw std::runtime_error("environment records cut short");
    for (SEnvRecord& record : records)
    {
        for (int offset : kTextureFields)
        {
            char name[33];
            std::memcpy(name, record.bytes + offset, 32);
            name[32] = 0;
            const std::int32_t id = FindTexture(name);
            std::memcpy(record.bytes + offset, &id, 4);
        }
    }
    header.horizonModel[sizeof(header.horizonModel) - 1] = 0;
    m_iHorizonModel = g_pModelManager ? g_pModelManager->FindName(header.horizonModel) : -1;
    m_fUpperLimit = header.upperLimit;
    m_fDeathHeight = header.deathHeight;
    m_Records = std::move(records);
}

float CEnvironment::GetShadowLevel(std::uint32_t texel) const
{
    if (m_bShadowsOff) return 0.0f;
    return float((texel & m_uShadowMask2) >> m_uShadowShift2) * m_fShadowWeight2 +
           float((texel & m_uShadowMask1) >> m_uShadowShift1) * m_fShadowWeight1;
}

void CEnvironment::Clear()
{
    m_Records.clear();
}
