#include "world/Physics.h"

namespace
{
CPhysics s_Physics;
}

CPhysics* g_pPhysics = &s_Physics;
