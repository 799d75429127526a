// An input device with nothing pressed, held or queued, as the tests that
// stand in for the player's keys need one: fakes derive from it and
// override what they drive.
#pragma once

#include "foundation/GuidKey.h"
#include "foundation/Input.h"

#include <cstdint>

namespace testutil
{

class CNullInput : public IInput
{
public:
    CGuidKey GetGUID() const override { return CGuidKey(); }
    std::uint32_t GetSize() const override { return sizeof(*this); }
    bool Init(SInputInit*) override { return true; }
    void Unacquire() override {}
    void Acquire() override {}
    void Done() override {}
    int Update() override { return 0; }
    void OnChar(char, std::uint32_t) override {}
    plat::Point GetCursorPos() override { return {}; }
    bool IsPressed(int) override { return false; }
    bool IsReleased(int) override { return false; }
    bool IsDown(int) override { return false; }
    void SetJoystickEnabled(bool) override {}
    bool IsJoystickEnabled() override { return false; }
    bool HasForceFeedback() override { return false; }
    InputVector GetMouseDelta() override { return {}; }
    InputVector GetJoystickAxes() override { return {}; }
    int GetJoystickPov() override { return -1; }
    InputVector GetJoystickSliders() override { return {}; }
    InputVector GetJoystickRotation() override { return {}; }
    const InputQueue& GetEvents() override { return m_NoEvents; }
    const InputQueue& GetPendingChars() override { return m_NoEvents; }

private:
    InputQueue m_NoEvents;
};

} // namespace testutil
