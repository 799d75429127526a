#include "world/SysObject.h"

#include <cmath>
#include <cstdio>

CSysObject::CSysObject(const CMatrix& placement, const char* name, std::int32_t kind) : m_nKind(kind)
{
    m_Frame.SetMatrix(placement, true);
    const auto& r = placement.m[0];
    m_fRadius = 200.0f * std::sqrt(r[0] * r[0] + r[1] * r[1] + r[2] * r[2]);
    std::snprintf(m_szName, sizeof m_szName, "%s", name ? name : "");
}
