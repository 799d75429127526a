// An input source driven by a test: the test types keys, moves the mouse,
// attaches a joystick and sets its state; force-feedback calls are recorded.
// Same thread as the devices that read it.
#pragma once

#include "platform/dinput/InputSource.h"

#include <cstdint>
#include <string>
#include <vector>

namespace plat
{

class ScriptedInputSource : public IInputSource
{
public:
    // What the test sees of the force-feedback calls.
    struct HapticRecord
    {
        EffectParams params;
        int starts = 0;
        std::uint32_t lastIterations = 0;
        int stops = 0;
        bool destroyed = false;
    };

    // Script: each call is delivered at once to the attached sink.
    void Key(std::uint8_t dik, bool down);
    void MouseMove(std::int32_t dx, std::int32_t dy);
    void MouseWheel(int notches);
    void MouseButton(int button, bool down);
    void Focus(bool focused);

    // A joystick the source lists; forceFeedback gives it haptics.
    void AddJoystick(const char* name, bool forceFeedback);
    void RemoveJoysticks();
    JoystickReading& Joystick() { return m_Reading; }

    const std::vector<HapticRecord>& Effects() const { return m_Effects; }
    bool AutoCenter() const { return m_bAutoCenter; }
    int OpenJoystickIndex() const { return m_nOpen; }

    // IInputSource
    void Attach(IInputSink* sink) override { m_pSink = sink; }
    std::vector<JoystickInfo> ListJoysticks() override;
    bool OpenJoystick(int index) override;
    void CloseJoystick() override { m_nOpen = -1; }
    bool ReadJoystick(JoystickReading* out) override;
    int CreateHapticEffect(const EffectParams& params) override;
    bool RunHapticEffect(int id, std::uint32_t iterations) override;
    bool StopHapticEffect(int id) override;
    void DestroyHapticEffect(int id) override;
    bool SetHapticAutoCenter(bool on) override;

private:
    bool HapticOpen() const;
    HapticRecord* Find(int id);

    IInputSink* m_pSink = nullptr;
    std::vector<JoystickInfo> m_Joysticks;
    int m_nOpen = -1;
    JoystickReading m_Reading;
    std::vector<HapticRecord> m_Effects;
    bool m_bAutoCenter = false;
};

} // namespace plat
