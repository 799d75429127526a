#include "units/GuidKeyList.h"

#include "foundation/ErrorLog.h"

bool CGuidKeyList::Add(const SGuidKeyEntry& entry)
{
    if (m_nCount < 0 || m_nCount >= kMaxEntries)
    {
        g_ErrorLog.LogError("CGuidKeyList::Add: the list holds %d entries, no room for item %d", m_nCount,
                            entry.m_Key.Index());
        return false;
    }
    m_Entries[m_nCount++] = entry;
    return true;
}
