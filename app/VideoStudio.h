// CVideoStudio: the play recorder. It records a stretch of play frame by
// frame into memory (the environment's weather state and the stream state
// of every recordable object), saves and loads it, replays it at a fixed
// frame time, corrects one object or the environment of a recording by
// recording it again during a replay, and renders a replay to numbered BMP
// pictures below "Video\".
//
// Frame stream (little-endian): frames one after another, each a 16-byte
// head {f64 engine clock, u32 record count, u32 bytes of the records with
// their 8-byte heads} and its records {u32 kind, u32 size, size bytes}.
// Kind 0: the environment's state; kind 1: u32 object number and the
// object's stream record (size counts the number). Other kinds are skipped.
//
// Recording file: u32 total frames, f32 length in seconds, u32 data size n,
// the n bytes of the frame stream; then, optionally, u32 the player
// glider's object number and char[32] the player mechanoid's configuration
// name ("_DEFAULT_" when it has none).
//
// A recording file is checked whole before anything is taken from it: the
// data size must fit the file and the limit, and every frame and record
// must lie inside the data; a damaged file is refused with an error line
// and the recorder keeps what it had.
//
// Recordable objects: those the object list saves (m_bSave) and those that
// move (m_bMoving).
//
// In the game (replay mode, "-replay FILE" on the command line): the game
// preparation loads the recording, the game cycle starts its playback, and
// each frame, once drawn, goes through OnFrameDrawn: a frame is recorded,
// replayed or corrected, and while rendering the picture is captured first.
// The number keys drive it (ProcessKey: 1 record, 2 stop, 3 play, 4 back to
// the start, 5 correct the player's glider, 6 the camera, 7 the weather, 8
// the player's glider in its own mode, 9 save the clip, 0 render), and the
// HUD's recorder overlay shows its state (FillStatus).
//
// Threads: main thread. One global instance, g_VideoStudio.
#pragma once

#include "foundation/MemStream.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class CMMObject;
class CRenderer;
struct SRecorderStatus;

class CVideoStudio
{
public:
    enum EState : std::int32_t
    {
        kIdle = 0,
        kRecording = 1,
        kHeld = 2,
        kPlaying = 3,
        kCorrecting = 4,
        kCorrectingEnvironment = 5,
        kCorrectingOwn = 6,
        kRendering = 9,
    };

    static constexpr std::uint32_t kBufferSize = 20971520;
    static constexpr std::uint32_t kFrameReserve = 102400;
    static constexpr std::uint32_t kFrameHeadSize = 16;
    static constexpr std::uint32_t kRecordHeadSize = 8;
    static constexpr std::uint32_t kFileHeadSize = 12;
    static constexpr std::uint32_t kTrailerSize = 36;
    // The most data a recording file may announce.
    static constexpr std::uint32_t kMaxDataSize = 256u << 20;

    CVideoStudio();
    ~CVideoStudio();
    CVideoStudio(const CVideoStudio&) = delete;
    CVideoStudio& operator=(const CVideoStudio&) = delete;

    bool StartRecording();
    bool ContinueRecording();
    void RecordFrame(bool first);
    int StopRecording();
    // Stores the name; in state 2 writes the recording file. False when
    // nothing was written.
    bool Save(const char* fileName);
    // Reads a recording file; false (logged, nothing changed) when it
    // cannot be read or is damaged.
    bool Load(const char* fileName);
    // The same from bytes (the file's contents).
    bool LoadFromMemory(const std::uint8_t* data, std::size_t size, std::string* error);
    bool PlayBack();
    void PlayMoment(bool first);
    bool StartCorrection(std::uint32_t objectId, bool ownState);
    bool StartEnvironmentCorrection();
    void CorrectMoment();
    bool RenderToFiles();
    void CaptureFrame();
    bool Stop();

    // The frame's step once it is drawn: recording, replaying, correcting,
    // or capturing the picture and replaying while rendering.
    void OnFrameDrawn();
    // A number key of replay mode (0-9); false for a key it does not take
    // or an operation refused in the recorder's state.
    bool ProcessKey(int digit);
    // What the HUD's recorder overlay shows (state 9 hides it).
    void FillStatus(SRecorderStatus& status) const;
    // The overlay over the picture drawn, in a scene of its own; nothing
    // without a renderer.
    void DrawOverlay(CRenderer* renderer);

    // The seconds of one recorded frame (the FixFPS setting; 1/30 without).
    static float GetFixedFrameTime();
    // The first free six-digit folder below base + "Video\", created:
    // base + "Video\" + n + "\" (empty when none could be made).
    static std::string MakeOutputFolder(const std::string& base);
    // "00000007.bmp" for frame 7.
    static std::string PictureName(int frame);

    std::uint8_t m_bCapture = 0;
    char m_szFileName[131] = {};
    float m_fTime = 0.0f;
    float m_fLength = 0.0f;
    std::int32_t m_nState = kIdle;
    CMemStream m_Stream;
    std::int32_t m_nFrame = 0;
    std::int32_t m_nTotalFrames = 0;
    std::uint32_t m_nDataSize = 0;
    std::uint8_t m_bSkipCamera = 0;
    std::string m_sOutputPath;
    std::vector<std::uint32_t> m_Picture;
    std::uint32_t m_nPictureWidth = 0;
    std::uint32_t m_nPictureHeight = 0;
    std::uint32_t m_nCorrectedId = 0;
    std::uint32_t m_nFrameStart = 0;
    std::vector<std::pair<std::uint32_t, CMMObject*>> m_IdMap;
    // The interface (cockpit, message panel, the game's cursor) hidden
    // while a recording is corrected or rendered; Stop shows it again
    // unless replay mode is on. The frame leaves it off the picture.
    std::uint8_t m_bInterfaceHidden = 0;
    // Replay mode: the recording m_szFileName is loaded and played with the
    // game, and the number keys drive the recorder.
    std::uint8_t m_bReplayMode = 0;

private:
    void NewBuffer();
    // A recorded object: looked up by its number on the first frame of a
    // replay (and kept in the id map), from the map afterwards.
    CMMObject* FindObject(std::uint32_t number, bool first);
    // Position, time and frame counter back to the start.
    void ResetPlayback();
};

extern CVideoStudio g_VideoStudio;
