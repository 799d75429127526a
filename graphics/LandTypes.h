// CLandTypeManager: the list of terrain surface types, g_pLandTypeManager.
//
// Read once at start-up from the land type section ("Поверхности"): per
// type its textures (base, full, detail, bump) as texture-list ids, how the
// texture lies on the ground, up to ten detail objects (model-list ids with
// frequency, scale and kind), self-illumination and the type shown beyond
// the horizon (a record index of this list). The terrain addresses types by
// GID and asks FindTypeIndex for the record; bit 15 of a cell's id is a flag.
//
// Detail object k (0-9) is read from the columns "MODEL", "FREQ", "SCALE"
// and "TYPE" followed by the digit k: "MODEL0".."MODEL9".
//
// Ownership: the manager owns its records. Threads: Init on the start-up
// loader thread; read-only afterwards.
#pragma once

#include "foundation/DefaultManager.h"

#include <cstdint>
#include <vector>

struct SLandDetail
{
    std::int32_t model = -1;
    float frequency = 0.0f;
    float scale = 1.0f;
    std::int32_t unused = 0;
    std::int32_t kind = 0;
};
static_assert(sizeof(SLandDetail) == 20);

struct SLandType
{
    char name[32] = {};
    std::int32_t gid = 0;
    std::int32_t vertical = 0;
    std::int32_t texture = -1;
    std::int32_t textureFull = -1;
    bool animated = false;
    bool regular = false;
    std::uint32_t colour = 0xFF000000;
    float height = 5.0f;
    float width = 0.5f;
    std::int32_t samples = 0;
    std::int32_t textureDetail = -1;
    bool specularDetail = false;
    bool diffuseBump = false;
    std::int32_t textureBump = -1;
    SLandDetail details[10];
    std::int32_t horizon = -1;
    bool selfIllum = false;
    float selfIllumPeriod = 0.0f;
    float selfIllumForce = 0.0f;
};

class CLandTypeManager : public DefaultManager
{
public:
    static constexpr int kDetailCount = 10;

    bool Init(const char* section) override;
    // -1 for id -1 or no match (flag untouched); else the first record with
    // GID id & 0x7FFF, with *flag = bit 15 of id.
    int FindTypeIndex(int id, bool* flag) const;
    const SLandType* GetType(int index) const;
    int GetMaxGID() const { return m_nMaxGID; }
    // The detail column name of entry k ("MODEL" -> "MODEL1" for k 0).
    static void DetailColumn(char* out, const char* stem, int k);

    std::int32_t m_nMaxGID = 0;
    std::vector<SLandType> m_Types;
};

extern CLandTypeManager* g_pLandTypeManager;
