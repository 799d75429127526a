// IMusic / CSoundMusic / CSoundMusicOGG: one music piece played as a
// stream. The Ogg Vorbis file is decoded in blocks (540,672 bytes, about
// 3 s of 44.1 kHz stereo) into one looping streaming buffer of two blocks;
// the buffer sets its event as the play cursor passes the end of each half,
// and the piece's notification thread then decodes the next block into the
// half just played.
//
// Ending: a non-looping piece writes its last, incomplete block padded with
// silence, then silence, and stops once everything written has been played
// (a piece shorter than a block plays and ends too). A looping piece fills
// the rest of its last block from the start of the stream; a stream that
// cannot be rewound, or that yields nothing or only errors after a rewind,
// ends instead of reading for ever.
//
// Threads: the notification thread decodes and writes; the music manager's
// threads call SetVolume, Stop and the queries. One lock per piece guards
// the decoder, the buffer and the counters. Stop and Play end the
// notification thread by asking it to (an event and a flag) and waiting
// for it before they release what it uses; the thread never releases
// anything itself.
#pragma once

#include "foundation/ClassFactory.h"
#include "platform/Thread.h"
#include "platform/dsound/DSound.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>

class IMusic : public IBaseInterface
{
public:
    virtual plat::HResult SetFileName(const char* name) = 0;
    virtual void SetDevice(plat::ds::Device* device) = 0;
    virtual plat::HResult Play(bool loop, std::uint32_t position) = 0;
    virtual void Stop() = 0;
    virtual std::uint32_t GetCurrentPos() = 0;
    virtual bool IsMusicPlayed() = 0;
    virtual int GetState() = 0;
    virtual plat::HResult SetVolume(float volume) = 0;
    virtual float GetVolume() = 0;
    virtual float GetLength() = 0;
    virtual float GetPlayDuration() = 0;
    virtual plat::HResult PreLoad(std::uint32_t position) = 0;
    virtual void Unload(bool terminateThread) = 0;
    virtual void LoadBlock() = 0;
};

class CSoundMusic : public IMusic
{
public:
    static constexpr std::uint32_t kBlockSize = 0x84000;
    enum EState : int
    {
        kStarting = 0,
        kPlaying = 1,
        kStopped = 2,
    };

    CSoundMusic() = default;
    ~CSoundMusic() override;
    CSoundMusic(const CSoundMusic&) = delete;
    CSoundMusic& operator=(const CSoundMusic&) = delete;

    CGuidKey GetGUID() const override;

    // E_FAIL for null; at most 259 characters are kept.
    plat::HResult SetFileName(const char* name) override;
    void SetDevice(plat::ds::Device* device) override;
    // Starts over at position (a sample position for Ogg pieces): decodes
    // the first two blocks on the caller's thread, plays, and starts the
    // notification thread.
    plat::HResult Play(bool loop, std::uint32_t position) override;
    void Stop() override;
    // Byte position of the play cursor in the stream.
    std::uint32_t GetCurrentPos() override;
    bool IsMusicPlayed() override;
    int GetState() override { return m_nState; }
    // Stored, and applied to the buffer when there is one (E_FAIL without).
    plat::HResult SetVolume(float volume) override;
    float GetVolume() override { return m_fVolume; }
    float GetLength() override { return m_fLength; }
    float GetPlayDuration() override;
    plat::HResult PreLoad(std::uint32_t position) override;
    // Ends the notification thread (when asked to) and releases the buffer.
    void Unload(bool terminateThread) override;

    plat::HResult CreateSoundBuffer();
    // Writes size bytes of data (0: silence only) into the half to be
    // written next, padding the block with silence.
    plat::HResult WriteDataToNextBlock(const std::uint8_t* data, std::uint32_t size, std::uint32_t* written);
    static std::uint32_t NotifyHandleer(void* music);

    // Block size in bytes (tests use small ones); a multiple of 4, set
    // before Play.
    void SetBlockSize(std::uint32_t bytes);
    std::uint32_t GetBlockSize() const { return m_nBlockSize; }
    // Blocks written since Play, sound or silence (tests wait for the
    // refills with it).
    std::uint32_t GetBlocksWritten();

protected:
    // The base's release, with the lock held and the thread already ended.
    void ReleaseBuffer();
    void StopThread();

    std::recursive_mutex m_Lock;
    plat::Handle m_hNotifyEvent = nullptr;
    plat::Handle m_hNotifyThread = nullptr;
    std::uint32_t m_nNotifyThreadId = 0;
    std::atomic<bool> m_bStopThread{false};
    plat::ds::Notify* m_pNotify = nullptr;
    bool m_bLoop = false;
    float m_fVolume = 1.0f;
    std::uint32_t m_nWriteOffset = 0;
    std::int32_t m_nPendingBlocks = 0;
    std::uint32_t m_nPlayedBlocks = 0;
    std::uint32_t m_nBlocksWritten = 0;
    plat::ds::Device* m_pDevice = nullptr;
    plat::ds::Buffer* m_pBuffer = nullptr;
    char m_szFileName[260] = {};
    std::uint32_t m_nBlockSize = kBlockSize;
    plat::ds::WaveFormat* m_pFormat = nullptr;
    float m_fLength = 0.0f;
    std::atomic<int> m_nState{kStopped};
};

class CSoundMusicOGG : public CSoundMusic
{
public:
    CSoundMusicOGG();
    ~CSoundMusicOGG() override;

    std::uint32_t GetSize() const override { return sizeof(CSoundMusicOGG); }
    // The decoder's sample position.
    std::uint32_t GetCurrentPos() override;
    bool IsMusicPlayed() override;
    float GetPlayDuration() override;
    plat::HResult PreLoad(std::uint32_t position) override;
    void Unload(bool terminateThread) override;
    void LoadBlock() override;

private:
    // The vorbisfile decoder state, private to SoundMusic.cpp so that no
    // includer of the music headers sees the codec's.
    struct SOggFile;
    // The decoder state, made on first use.
    SOggFile& Ogg();
    void ReleaseDecoder();

    std::uint32_t m_nFilled = 0;
    bool m_bLoaded = false;
    bool m_bEnded = false; // the stream has nothing more to give
    std::FILE* m_pFile = nullptr;
    std::uint8_t* m_pPcm = nullptr;
    std::unique_ptr<SOggFile> m_pOgg;
    std::uint8_t* m_pChunk = nullptr;
};
