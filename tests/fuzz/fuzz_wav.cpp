// Fuzz target of the sound container's file reader: any bytes as a sound
// file (RIFF WAVE, or Ogg through the same entry), loaded into a buffer of
// a loopback sound device (no sound hardware) and played for a moment.
#include "platform/dsound/DSound.h"
#include "sound/SoundBase.h"
#include "sound/SoundContainer.h"
#include "tests/fuzz/FuzzCommon.h"

#include <vector>

namespace
{
struct SSound
{
    plat::ds::Device* device = nullptr;
    plat::ds::Buffer* primary = nullptr;
    CSoundBase base;

    bool Open()
    {
        if (plat::ds::CreateLoopbackDevice(22050, 2, &device) != plat::ds::DS_OK || !device) return false;
        device->SetCooperativeLevel(nullptr, plat::ds::DSSCL_PRIORITY);
        plat::ds::BufferDesc desc;
        desc.flags = plat::ds::DSBCAPS_PRIMARYBUFFER | plat::ds::DSBCAPS_CTRL3D | plat::ds::DSBCAPS_CTRLVOLUME;
        return device->CreateSoundBuffer(&desc, &primary) == plat::ds::DS_OK && base.InitFromDevice(device, primary);
    }
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool ready = fuzz::SetUp("wav");
    (void)ready;
    // Kept for the whole process: the device outlives every container.
    static SSound* sound = nullptr;
    if (!sound)
    {
        sound = new SSound;
        if (!sound->Open()) return 0;
    }
    if (!fuzz::WriteFile("input.wav", data, size)) return 0;
    CSoundContainer2 container;
    container.Init(&sound->base, true);
    if (container.LoadFromFile("input.wav"))
    {
        container.Play(false);
        std::vector<float> out(2 * 256);
        sound->device->RenderLoopback(out.data(), 256);
        container.Stop();
    }
    container.Unload();
    return 0;
}
