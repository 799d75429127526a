// COrgManager: the organisations' table ("Организации") and the relations
// between them (interface IOrgManager in Trade.h, factory id
// "IGUID_IOrgManager", the engine's m_pOrgManager). The table gives each
// organisation (clans, factions, "ORG_PLAYER", "ORG_FREE") an index and a
// 60-byte record; two N x N matrices hold the standard relation (where
// relations return to) and the current one (moved by kills, scripts and
// politics). Both are used as the lower triangle: the pair (i, j) lives at
// row max(i, j), column min(i, j); the diagonal is 1.0. Relations are kept
// within -1 .. 1.
//
// ORGREL stream (little-endian):
//     u32 version     256
//     N x N f32       standard matrix, row-major
//     N x N f32       current matrix, row-major
// N is the stream's own (its length is 4 + 8 N^2 bytes). A record of
// another version or length is refused with one error line and the
// relations stay; one of another N (the table changed) gives the pairs both
// tables have and says so.
//
// Threads: main thread only.
#pragma once

#include "foundation/DefaultManager.h"
#include "world/Trade.h"

#include <cstdint>
#include <vector>

#pragma pack(push, 1)
struct SOrgRecord
{
    std::uint32_t m_nIcon = 0;      // "ICON"
    float m_fReactions[3] = {};     // transport, hunter and people groups
    std::uint32_t m_nColour = 0;    // "COLOR"
    char m_szIconModel[32] = {};    // "ICO_MODEL"; the first word becomes its model index
    float m_fHelpfulness = 0.0f;    // "HELPNESS" percent x 0.01
    float m_fVolatility = 0.0f;     // "VOLATILE"

    std::int32_t IconModelIndex() const;
};
#pragma pack(pop)
static_assert(sizeof(SOrgRecord) == 60);

class COrgManager : public IOrgManager, public DefaultManager
{
public:
    static constexpr std::uint32_t kStreamVersion = 256;

    CGuidKey GetGUID() const override;
    std::uint32_t GetSize() const override { return sizeof(COrgManager); }

    void SaveToStream(CMemStream& stream) override;
    void LoadFromStream(CMemStream& stream) override;
    COrganization* CreateOrganization(const char* name) override;
    void InitRelations() override;
    float GetRelation(std::int32_t i, std::int32_t j, bool standard) override;
    void ChangePolitic(std::int32_t i, std::int32_t j, float change, bool spread) override;
    void RelaxRelations(float t) override;
    void SetRelation(std::int32_t i, std::int32_t j, float value, bool current, bool standard) override;
    float GetOrgFactor(std::int32_t) override { return 0.5f; }
    bool LoadTable(const char* section) override;
    std::int32_t FindByName(const char* name) override { return FindName(name); }
    std::int32_t GetOrgCount() override { return m_nCount; }
    const SOrgRecord* GetRecord(std::int32_t index) override;
    void SetClanLook(std::int32_t index, std::uint32_t colour, std::int32_t iconModel) override;

    // The table without the database (tests, tools): names and records,
    // matrices sized and set to the starting relations' diagonal only.
    void SetTable(const std::vector<const char*>& names, const std::vector<SOrgRecord>& records);

    std::vector<SOrgRecord> m_Records;
    std::vector<float> m_Standard;
    std::vector<float> m_Current;

private:
    bool Valid(std::int32_t i) const { return i >= 0 && i < m_nCount; }
    std::size_t Cell(std::int32_t i, std::int32_t j) const;
    void SizeMatrices();
};
