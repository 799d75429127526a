// An organisation that does nothing, as the world's tests, the groups'
// tests and their fuzz target need one: named, with its own record, no
// power but 1, no money, no members. Fakes derive from it and override
// what they watch.
#pragma once

#include "world/World.h"
#include "world/WorldSeams.h"

#include <cstdint>
#include <cstdio>

namespace testutil
{

class CNullOrganization : public IWorldOrganization
{
public:
    explicit CNullOrganization(const char* name)
    {
        std::snprintf(m_Data.name, sizeof m_Data.name, "%s", name);
    }
    const char* GetName() const override { return m_Data.name; }
    SOrgData* GetData() override { return &m_Data; }
    int GetPower() override { return 1; }
    void UpdateMechInfo() override {}
    void OnMechBuilding(CMech*, const char*) override {}
    void OnMechCluster(CMech*) override {}
    void OnClusterLeft(const char*) override {}
    void OnCapture(const char*) override {}
    void OnOtherCapture(const char*) override {}
    void RemoveMech(CMech*) override {}
    void AddMech(CMech*) override {}
    bool CanConvict() override { return false; }
    void OnConvicted(CMech*) override {}
    bool WantsMech(CMech*) override { return false; }
    void AssignMech(CMech*) override {}
    void Run(float) override {}
    void SetFunds(double) override {}
    double GetFunds() override { return 0.0; }
    std::uint32_t GetColour() override { return 0; }
    void GetCounters(std::int32_t out[8]) override
    {
        for (int i = 0; i < 8; ++i)
            out[i] = 0;
    }
    const char* GetLeaderId() override { return ""; }
    const char* GetStatName() override { return ""; }
    float GetStatValue() override { return 0.0f; }
    void SaveToStream(CMemStream&) override {}
    void LoadFromStream(CMemStream&) override {}

    SOrgData m_Data{};
};

} // namespace testutil
