#include "platform/dinput/ScriptedInputSource.h"

namespace plat
{

void ScriptedInputSource::Key(std::uint8_t dik, bool down)
{
    if (m_pSink) m_pSink->OnKey(dik, down);
}

void ScriptedInputSource::MouseMove(std::int32_t dx, std::int32_t dy)
{
    if (m_pSink) m_pSink->OnMouseMotion(dx, dy);
}

void ScriptedInputSource::MouseWheel(int notches)
{
    if (m_pSink) m_pSink->OnMouseWheel(notches * 120);
}

void ScriptedInputSource::MouseButton(int button, bool down)
{
    if (m_pSink) m_pSink->OnMouseButton(button, down);
}

void ScriptedInputSource::Focus(bool focused)
{
    if (m_pSink) m_pSink->OnFocus(focused);
}

void ScriptedInputSource::AddJoystick(const char* name, bool forceFeedback)
{
    JoystickInfo info;
    info.index = static_cast<int>(m_Joysticks.size());
    info.name = name;
    info.forceFeedback = forceFeedback;
    m_Joysticks.push_back(info);
}

void ScriptedInputSource::RemoveJoysticks()
{
    m_Joysticks.clear();
    m_nOpen = -1;
}

std::vector<JoystickInfo> ScriptedInputSource::ListJoysticks()
{
    return m_Joysticks;
}

bool ScriptedInputSource::OpenJoystick(int index)
{
    if (m_nOpen >= 0 || index < 0 || index >= static_cast<int>(m_Joysticks.size())) return false;
    m_nOpen = index;
    return true;
}

bool ScriptedInputSource::ReadJoystick(JoystickReading* out)
{
    if (m_nOpen < 0 || m_nOpen >= static_cast<int>(m_Joysticks.size())) return false;
    *out = m_Reading;
    return true;
}

bool ScriptedInputSource::HapticOpen() const
{
    return m_nOpen >= 0 && m_nOpen < static_cast<int>(m_Joysticks.size()) &&
           m_Joysticks[static_cast<std::size_t>(m_nOpen)].forceFeedback;
}

ScriptedInputSource::HapticRecord* ScriptedInputSource::Find(int id)
{
    if (id < 0 || id >= static_cast<int>(m_Effects.size()) ||
        m_Effects[static_cast<std::size_t>(id)].destroyed)
        return nullptr;
    return &m_Effects[static_cast<std::size_t>(id)];
}

int ScriptedInputSource::CreateHapticEffect(const EffectParams& params)
{
    // A scripted joystick plays what a simple rumble pad plays: no
    // condition effects (springs, dampers) and no custom forces.
    if (!HapticOpen() || params.kind >= EEffectKind::Spring) return -1;
    HapticRecord record;
    record.params = params;
    m_Effects.push_back(record);
    return static_cast<int>(m_Effects.size()) - 1;
}

bool ScriptedInputSource::RunHapticEffect(int id, std::uint32_t iterations)
{
    HapticRecord* record = Find(id);
    if (!record) return false;
    ++record->starts;
    record->lastIterations = iterations;
    return true;
}

bool ScriptedInputSource::StopHapticEffect(int id)
{
    HapticRecord* record = Find(id);
    if (!record) return false;
    ++record->stops;
    return true;
}

void ScriptedInputSource::DestroyHapticEffect(int id)
{
    if (HapticRecord* record = Find(id)) record->destroyed = true;
}

bool ScriptedInputSource::SetHapticAutoCenter(bool on)
{
    if (!HapticOpen()) return false;
    m_bAutoCenter = on;
    return true;
}

} // namespace plat
