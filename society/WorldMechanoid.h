// CWorldMechanoid: the mechanoid that a world mech record owns (through the
// world's IWorldMechanoid seam), so that its group can give it a glider.
// It forwards the record's run, price and stream to the CMechanoid it holds,
// fits it from a configuration by name and moves cargo between holds (whole
// entries appended, as the hold keeps them).
//
// Ownership: the mech record owns this object, this object its mechanoid.
// Threads: main thread.
#pragma once

#include "units/Mechanoid.h"
#include "world/WorldSeams.h"

class CWorldMechanoid final : public IWorldMechanoid
{
public:
    void Run(float dt) override { m_Mechanoid.Run(dt); }
    float GetPrice(bool withEquipment) override { return m_Mechanoid.GetPrice(withEquipment); }
    void SaveToStream(CMemStream& stream) override { m_Mechanoid.SaveToStream(stream); }
    void LoadFromStream(CMemStream& stream) override { m_Mechanoid.LoadFromStream(stream); }
    void SetPendingValues(std::uint32_t, std::uint32_t, std::uint32_t) override {}
    std::uint32_t GetStreamValue() override { return 0; }
    void InitConfig(const char* configName) override;
    void CopyHoldTo(IWorldMechanoid& to, bool mechmindsOnly) override;
    void AddGoods(const char* name, std::uint32_t count, std::uint32_t kind) override;

    CMechanoid m_Mechanoid;
};
