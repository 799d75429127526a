// CSoundBase: the program's sound device (device object, primary buffer in
// the wanted output format, 3-D listener) behind the ISound interface, and
// the volume law every sound buffer of the program goes through.
//
// Volume law: a linear volume 0..1 becomes hundredths of a decibel
// (-10000 silence .. 0 full) by VolumeToDecibels; DecibelsToVolume is its
// inverse and gives multiples of 1/255. Volumes outside 0..1 are clamped.
//
// Ownership: the base holds one reference on the device, the primary buffer
// and the listener, released by Done (and the destructor). GetDevice and
// GetPrimaryBuffer hand out the pointers without a reference.
// Threads: Init, Done and the listener operations run on the main thread.
// The hardware-sounds setting is also read by the loader thread that builds
// sound buffers, so it is atomic.
#pragma once

#include "foundation/ClassFactory.h"
#include "platform/dsound/DSound.h"

#include <atomic>
#include <cstdint>

struct SSoundInitParams
{
    void* window = nullptr; // for the cooperative level
    std::uint32_t samplesPerSec = 44100;
    std::uint32_t channels = 2;       // low 16 bits used
    std::uint32_t bitsPerSample = 16; // low 16 bits used
};

std::int32_t VolumeToDecibels(float volume);
float DecibelsToVolume(std::int32_t hundredths);
void DecibelsToVolume(std::int32_t hundredths, float* out);

class ISound : public IBaseInterface
{
public:
    virtual bool Init(const SSoundInitParams* params) = 0;
    virtual void Done() = 0;
    virtual void SetVolumeMng(float volume) = 0;
    virtual float GetVolume() = 0;
    // p[0] distance factor, p[1] roll-off factor, p[2] Doppler factor.
    virtual bool SetListenerParams(const float* params) = 0;
    // Commits the deferred 3-D settings (once per frame).
    virtual bool ApplySettings() = 0;
    virtual bool SetListener(const float* position, const float* front, const float* top) = 0;
    virtual bool SetListenerVelocity(const float* velocity) = 0;
    virtual bool InitFromDevice(plat::ds::Device* device, plat::ds::Buffer* primary) = 0;
    virtual plat::ds::Buffer* GetPrimaryBuffer() = 0;
    virtual plat::ds::Device* GetDevice() = 0;
    virtual void SetHardwareSounds(bool on) = 0;
    virtual bool IsHardwareSounds() = 0;
};

class CSoundBase : public ISound
{
public:
    CSoundBase() = default;
    ~CSoundBase() override;
    CSoundBase(const CSoundBase&) = delete;
    CSoundBase& operator=(const CSoundBase&) = delete;

    CGuidKey GetGUID() const override;
    std::uint32_t GetSize() const override { return sizeof(CSoundBase); }

    // Device, priority level, primary buffer with 3-D and volume control,
    // its format, its listener; false at the first step that fails (what
    // was made stays held until Done). Logs nothing.
    bool Init(const SSoundInitParams* params) override;
    // Releases the listener, the primary buffer and the device.
    void Done() override;
    // The primary buffer's volume.
    void SetVolumeMng(float volume) override { SetVolume(volume); }
    // 0 without a primary buffer; otherwise reads the primary volume.
    float GetVolume() override;
    bool SetListenerParams(const float* params) override;
    bool ApplySettings() override;
    // Stores the position (the source ranking measures from it) and sends
    // position and orientation, deferred. False without a listener.
    bool SetListener(const float* position, const float* front, const float* top) override;
    bool SetListenerVelocity(const float* velocity) override;
    // Takes a reference on both; true when the primary has a listener.
    bool InitFromDevice(plat::ds::Device* device, plat::ds::Buffer* primary) override;
    plat::ds::Buffer* GetPrimaryBuffer() override { return m_pPrimary; }
    plat::ds::Device* GetDevice() override { return m_pDevice; }
    void SetHardwareSounds(bool on) override { m_bHardwareSounds = on; }
    bool IsHardwareSounds() override { return m_bHardwareSounds; }

    void SetVolume(float volume);
    const float* GetListenerPosition() const { return m_vListenerPosition; }

protected:
    plat::ds::Device* m_pDevice = nullptr;
    plat::ds::Listener* m_pListener = nullptr;
    plat::ds::Buffer* m_pPrimary = nullptr;
    float m_fPrimaryVolume = 0.0f;
    float m_vListenerPosition[3] = {};
    std::atomic<bool> m_bHardwareSounds{true};
};
