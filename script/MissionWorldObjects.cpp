#include "script/MissionWorldObjects.h"

#include "world/MMObject.h"
#include "world/ObjectList.h"

CMissionWorldObjects::CMissionWorldObjects(CObjectList* list) : m_pList(list)
{
}

CObjectList& CMissionWorldObjects::List() const
{
    return m_pList ? *m_pList : g_ObjectList;
}

IMissionWorld::EShowResult CMissionWorldObjects::ShowObject(const char* name, bool show)
{
    CMMObject* object = name ? List().FindByGameId(name, 0) : nullptr;
    if (!object)
        return kShowNotFound;
    object->m_bShown = show ? 1 : 0;
    object->m_bChanged = 1;
    return kShowObject;
}

bool CMissionWorldObjects::HasSystemPoint(const char* name)
{
    return name && List().FindSysObject(name, 0) != nullptr;
}
