// The land type list.
#include "graphics/LandTypes.h"

#include "foundation/ErrorLog.h"
#include "foundation/ResourceDB.h"
#include "graphics/ModelManager.h"
#include "graphics/TextureManager.h"

#include <cstdio>
#include <cstring>

CLandTypeManager* g_pLandTypeManager = nullptr;

namespace
{
std::int32_t TextureId(const char* record, const char* field)
{
    char name[64] = {};
    g_ResourceDB.GetStringField(record, field, name, sizeof(name));
    return g_pTextureManager && name[0] ? g_pTextureManager->FindName(name) : -1;
}

bool Flag(const char* record, const char* field)
{
    return g_ResourceDB.GetIntegerField(record, field, 0) == 1;
}
} // namespace

// Entry k reads the columns ending in the digit k, "MODEL0" to "MODEL9": the
// names a list of ten detail objects has. (Counting from '1' would never read
// "MODEL0" and would ask for "MODEL:" for the tenth.)
void CLandTypeManager::DetailColumn(char* out, const char* stem, int k)
{
    std::snprintf(out, 16, "%s%c", stem, static_cast<char>('0' + k));
}

bool CLandTypeManager::Init(const char* section)
{
    XTRACE("CLandTypeManager::Init");
    const bool ok = DefaultManager::Init(section);
    m_Types.assign(static_cast<std::size_t>(m_nCount), SLandType());
    m_nMaxGID = 0;
    if (!ok) return false;
    g_ResourceDB.SelectSection(section, false);
    for (int i = 0; i < m_nCount; ++i)
    {
        SLandType& t = m_Types[static_cast<std::size_t>(i)];
        const char* rec = GetName(i);
        g_ResourceDB.GetStringField(rec, "Name", t.name, sizeof(t.name));
        t.gid = g_ResourceDB.GetIntegerField(rec, "GID", 0);
        t.vertical = g_ResourceDB.GetIntegerField(rec, "Vertical", 0);
        t.texture = TextureId(rec, "Texture");
        t.textureFull = TextureId(rec, "TextureFull");
        t.animated = Flag(rec, "Animated");
        t.regular = Flag(rec, "Regular");
        t.colour = 0xFF000000;
        t.height = g_ResourceDB.GetFloatField(rec, "Height", 0.0f);
        if (t.height == 0.0f) t.height = 5.0f;
        t.width = g_ResourceDB.GetFloatField(rec, "Width", 0.0f);
        if (t.width < 0.5f) t.width = 0.5f;
        t.samples = g_ResourceDB.GetIntegerField(rec, "SAMPLES", 0);
        t.textureDetail = TextureId(rec, "TextureDetail");
        t.specularDetail = Flag(rec, "SPECDETAIL");
        t.diffuseBump = Flag(rec, "DIFFBUMP");
        t.textureBump = TextureId(rec, "TextureBump");
        for (int k = 0; k < kDetailCount; ++k)
        {
            SLandDetail& d = t.details[k];
            char column[16], model[64] = {};
            DetailColumn(column, "MODEL", k);
            g_ResourceDB.GetStringField(rec, column, model, sizeof(model));
            d.model = g_pModelManager && model[0] ? g_pModelManager->FindName(model) : -1;
            DetailColumn(column, "FREQ", k);
            d.frequency = g_ResourceDB.GetFloatField(rec, column, 0.0f);
            DetailColumn(column, "SCALE", k);
            d.scale = g_ResourceDB.GetFloatField(rec, column, 0.0f);
            if (d.scale == 0.0f) d.scale = 1.0f;
            DetailColumn(column, "TYPE", k);
            d.kind = g_ResourceDB.GetIntegerField(rec, column, 0);
            if (d.kind < 0 || d.kind > 2) g_ErrorLog.LogError("TYPE WRONG");
        }
        t.selfIllum = Flag(rec, "SELFILLUM");
        t.selfIllumPeriod = g_ResourceDB.GetFloatField(rec, "SI_PERIOD", 0.0f);
        t.selfIllumForce = g_ResourceDB.GetFloatField(rec, "SI_FORCE", 0.0f);
        if (t.gid > m_nMaxGID) m_nMaxGID = t.gid;
    }
    // The horizon type names another record of this list, so it is resolved
    // once every name is known.
    for (int i = 0; i < m_nCount; ++i)
    {
        char name[64] = {};
        g_ResourceDB.GetStringField(GetName(i), "IDHORIZONT", name, sizeof(name));
        m_Types[static_cast<std::size_t>(i)].horizon = name[0] ? FindName(name) : -1;
    }
    return true;
}

int CLandTypeManager::FindTypeIndex(int id, bool* flag) const
{
    if (id == -1) return -1;
    const int gid = id & 0x7FFF;
    for (std::size_t i = 0; i < m_Types.size(); ++i)
        if (m_Types[i].gid == gid)
        {
            if (flag) *flag = (id & 0x8000) != 0;
            return static_cast<int>(i);
        }
    return -1;
}

const SLandType* CLandTypeManager::GetType(int index) const
{
    return index >= 0 && index < static_cast<int>(m_Types.size()) ? &m_Types[static_cast<std::size_t>(index)]
                                                                  : nullptr;
}
