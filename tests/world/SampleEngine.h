// The world engine started over the sample tree the test has entered
// (testutil::CInSampleTree): the resource database "Data\DB.dat", a message
// box that fails the test, the given registrations (the unit managers, the
// trade classes, the group maker: whatever the test runs) and MMInit. The
// caller owns the engine and ends with g_ResourceDB.Done().
#pragma once

#include "foundation/ResourceDB.h"
#include "world/MMEngine.h"

#include <gtest/gtest.h>

#include <initializer_list>

namespace worldtest
{

inline bool StartSampleEngine(CMMEngine& engine, std::initializer_list<void (*)()> registrations)
{
    if (!g_ResourceDB.Init("Data\\DB.dat", ResourceDBManager::kModeDataBase)) return false;
    engine.m_pfnMessageBox = [](const char* text) { ADD_FAILURE() << text; };
    for (void (*registration)() : registrations)
        registration();
    engine.MMInit();
    return true;
}

} // namespace worldtest
