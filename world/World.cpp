#include "world/World.h"

#include "foundation/ErrorLog.h"
#include "foundation/MemStream.h"
#include "society/Trade.h"

#include <cstdio>
#include <cstring>

CWorld* g_pWorld = nullptr;

CWorld::CWorld() = default;

CWorld::~CWorld()
{
    delete m_pEqpTrade;
}

void CWorld::CreateEqpTrade()
{
    CGuidKey key;
    MakeGuidKey(&key, "IGUID_IEqpTrade");
    IBaseInterface* object = CreateClassInstance(ResolveClassIndex(key));
    m_pEqpTrade = dynamic_cast<IEqpTrade*>(object);
    if (!m_pEqpTrade) delete object;
}

void CWorld::LoadLocationData(CMemStream& stream)
{
    m_LocationData.assign(stream.m_pData, stream.m_pData + stream.m_nCapacity);
    stream.m_nPosition = stream.m_nCapacity;
}

CMech* CWorld::FindMech(const char* id)
{
    if (!id) return nullptr;
    for (auto& m : m_Mechs)
        if (std::strncmp(m->m_szId, id, 32) == 0) return m.get();
    return nullptr;
}

CMech* CWorld::AddMech(const char* id)
{
    m_Mechs.push_back(std::make_unique<CMech>());
    std::snprintf(m_Mechs.back()->m_szId, sizeof m_Mechs.back()->m_szId, "%s", id ? id : "");
    return m_Mechs.back().get();
}
