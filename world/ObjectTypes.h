// The object type codes: every kind's constructor sets its code in
// CMMObject::m_nType. In the object list's queries 0 stands for any type.
#pragma once

#include <cstdint>

enum EObjectType : std::int32_t
{
    OBJ_ANY = 0,
    OBJ_STONE = 3,
    OBJ_TREE = 4,
    OBJ_CAMERA = 6,
    OBJ_HELPER = 7,
    OBJ_ROAD = 8,
    OBJ_BUILDING = 11,
    OBJ_MAPCOVER = 12,
    OBJ_LAMP = 13,
    OBJ_GLIDER = 14,
    OBJ_EXPLOSION = 15,
    OBJ_MISSILE = 16,
    OBJ_SPLINTER = 17,
    OBJ_SMOKE = 18,
    OBJ_LIGHT = 19,
    OBJ_ANOMALZONE = 20,
    OBJ_THING = 21,
    OBJ_TOWER = 22,
    OBJ_BOUND = 23,
    OBJ_SOUNDPOINT = 24,
    OBJ_FLYTEH = 25,
    OBJ_GATHERER = 26,
    OBJ_TANK = 27,
    OBJ_CAPSULE = 28,
};
