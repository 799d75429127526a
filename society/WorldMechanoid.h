// CWorldMechanoid: the mechanoid that a world mech record owns (through the
// world's IWorldMechanoid seam), so that its group can give it a glider.
// It forwards the record's run, price and stream to the CMechanoid it holds.
//
// Ownership: the mech record owns this object, this object its mechanoid.
// Threads: main thread.
#pragma once

#include "units/Mechanoid.h"
#include "world/WorldSeams.h"

class CWorldMechanoid : public IWorldMechanoid
{
public:
    void Run(float dt) override { m_Mechanoid.Run(dt); }
    float GetPrice(bool withEquipment) override { return m_Mechanoid.GetPrice(withEquipment); }
    void SaveToStream(CMemStream& stream) override { m_Mechanoid.SaveToStream(stream); }
    void LoadFromStream(CMemStream& stream) override { m_Mechanoid.LoadFromStream(stream); }
    void SetPendingValues(std::uint32_t, std::uint32_t, std::uint32_t) override {}
    std::uint32_t GetStreamValue() override { return 0; }

    CMechanoid m_Mechanoid;
};
