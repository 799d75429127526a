#include "app/VideoStudio.h"

#include "world/GameWorldState.h"
#include "foundation/Application.h"
#include "foundation/DefaultManager.h"
#include "foundation/ErrorLog.h"
#include "foundation/Graphic.h"
#include "foundation/ImageWriters.h"
#include "foundation/Screenshot.h"
#include "foundation/Settings.h"
#include "foundation/StreamReader.h"
#include "graphics/ResourceEngine.h"
#include "hud/Renderer.h"
#include "hud/debug/RecorderOverlay.h"
#include "location/Environment.h"
#include "platform/File.h"
#include "units/GliderObject.h"
#include "units/MechConfigManager.h"
#include "units/Mechanoid.h"
#include "world/Camera.h"
#include "world/MMEngine.h"
#include "world/Mech.h"
#include "world/ObjectList.h"
#include "world/ObjectScene.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>

CVideoStudio g_VideoStudio;

namespace
{
constexpr std::uint32_t kKindEnvironment = 0;
constexpr std::uint32_t kKindObject = 1;
constexpr std::uint32_t kCameraType = 6;

std::uint32_t U32(const std::uint8_t* p)
{
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

bool IsRecordable(const CMMObject* o)
{
    return o && (o->m_bSave || o->m_bMoving);
}

// An object's recorded state: its placement and flags (and a moving
// object's motion), then a glider's own record (its damage). The objects'
// save records alone leave the placement to the saved game's list.
void WriteObjectState(CMMObject* o, CMemStream& s)
{
    int size = 0;
    if (auto* d = dynamic_cast<CDynamicObject*>(o))
        d->CDynamicObject::SaveToStream(s, &size, false);
    else
        o->CMMObject::SaveToStream(s, &size, false);
    if (auto* g = dynamic_cast<CGliderObject*>(o)) g->SaveToStream(s, &size, false);
}

// correction: the object keeps its shown flag (the state-only form).
void ReadObjectState(CMMObject* o, CMemStream& s, bool correction)
{
    const CVector old = o->GetPosition();
    int size = 0;
    if (auto* d = dynamic_cast<CDynamicObject*>(o))
        d->CDynamicObject::LoadFromStream(s, &size, correction);
    else
        o->CMMObject::LoadFromStream(s, &size, correction);
    if (auto* g = dynamic_cast<CGliderObject*>(o)) g->LoadFromStream(s, &size, correction);
    // The object is listed in the cell of where it now is.
    const CVector now = o->GetPosition();
    if (g_pObjectCells && (now.x != old.x || now.y != old.y || now.z != old.z))
        g_pObjectCells->MoveCellObject(old, now, o);
}

// Every frame and record of the stream lies inside it; frames is the
// number found.
bool CheckFrames(const std::uint8_t* data, std::uint32_t size, std::int32_t* frames, std::string* error)
{
    std::uint32_t at = 0;
    std::int32_t n = 0;
    while (at < size)
    {
        if (size - at < CVideoStudio::kFrameHeadSize)
        {
            *error = "a frame head is cut at byte " + std::to_string(at);
            return false;
        }
        const std::uint32_t count = U32(data + at + 8);
        const std::uint32_t bytes = U32(data + at + 12);
        at += CVideoStudio::kFrameHeadSize;
        if (bytes > size - at)
        {
            *error = "frame " + std::to_string(n) + " runs past the data";
            return false;
        }
        std::uint32_t inside = 0;
        for (std::uint32_t r = 0; r < count; ++r)
        {
            if (bytes - inside < CVideoStudio::kRecordHeadSize ||
                U32(data + at + inside + 4) > bytes - inside - CVideoStudio::kRecordHeadSize)
            {
                *error = "frame " + std::to_string(n) + ": record " + std::to_string(r) + " runs past its frame";
                return false;
            }
            inside += CVideoStudio::kRecordHeadSize + U32(data + at + inside + 4);
        }
        if (inside != bytes)
        {
            *error = "frame " + std::to_string(n) + ": its records do not fill it";
            return false;
        }
        at += bytes;
        ++n;
    }
    *frames = n;
    return true;
}
} // namespace

CVideoStudio::CVideoStudio() = default;
CVideoStudio::~CVideoStudio() = default;

float CVideoStudio::GetFixedFrameTime()
{
    return g_Settings.FixFPS > 0.0f ? g_Settings.FixFPS : 1.0f / 30.0f;
}

std::string CVideoStudio::PictureName(int frame)
{
    char name[32];
    std::snprintf(name, sizeof name, "%08d.bmp", frame);
    return name;
}

std::string CVideoStudio::MakeOutputFolder(const std::string& base)
{
    const std::string video = base + "Video\\";
    plat::CreateDirectory(video.c_str());
    for (int n = 1; n <= 999999; ++n)
    {
        char folder[16];
        std::snprintf(folder, sizeof folder, "%06d", n);
        const std::string path = video + folder;
        if (plat::DirectoryExists(path.c_str())) continue;
        return plat::CreateDirectory(path.c_str()) ? path + "\\" : std::string();
    }
    return std::string();
}

void CVideoStudio::NewBuffer()
{
    m_Stream.Free();
    m_Stream.Allocate(kBufferSize);
    m_Stream.m_nPosition = 0;
}

bool CVideoStudio::StartRecording()
{
    if (m_nState != kIdle && m_nState != kHeld) return false;
    XTRACE("CVideoStudio::StartRecording");
    m_nState = kRecording;
    NewBuffer();
    m_nFrame = 0;
    m_fTime = 0.0f;
    RecordFrame(true);
    return true;
}

bool CVideoStudio::ContinueRecording()
{
    if (m_nState != kRecording) return false;
    RecordFrame(true);
    return true;
}

void CVideoStudio::RecordFrame(bool first)
{
    if (m_nState != kRecording) return;
    ++m_nFrame;
    if (!first) m_fTime += GetFixedFrameTime();
    CMemStream& s = m_Stream;
    const std::uint32_t head = s.m_nPosition;
    const double clock = g_ResourceEngine.GetEngineTime();
    s.Write(&clock, 8);
    std::uint32_t count = 0, bytes = 0;
    s.Advance(8);
    // The environment.
    {
        const std::uint32_t at = s.m_nPosition;
        const std::uint32_t kind = kKindEnvironment;
        s.Write(&kind, 4);
        s.Advance(4);
        g_Environment.WriteState(&s, nullptr);
        const std::uint32_t size = s.m_nPosition - at - kRecordHeadSize;
        std::memcpy(s.m_pData + at + 4, &size, 4);
        ++count;
        bytes += size + kRecordHeadSize;
    }
    for (CMMObject* o : g_ObjectList.m_Objects)
    {
        if (!IsRecordable(o)) continue;
        const std::uint32_t at = s.m_nPosition;
        const std::uint32_t kind = kKindObject;
        const std::uint32_t number = std::uint32_t(o->m_nObjectNumber);
        s.Write(&kind, 4);
        s.Advance(4);
        s.Write(&number, 4);
        WriteObjectState(o, s);
        const std::uint32_t size = s.m_nPosition - at - kRecordHeadSize;
        std::memcpy(s.m_pData + at + 4, &size, 4);
        ++count;
        bytes += size + kRecordHeadSize;
    }
    std::memcpy(s.m_pData + head + 8, &count, 4);
    std::memcpy(s.m_pData + head + 12, &bytes, 4);
    // Near the end of the buffer the recording stops with what it holds.
    if (s.m_nPosition + kFrameReserve > s.m_nCapacity) StopRecording();
}

int CVideoStudio::StopRecording()
{
    if (m_nState != kRecording) return 0;
    m_fLength = m_fTime;
    m_nTotalFrames = m_nFrame;
    m_nDataSize = m_Stream.m_nPosition;
    m_nState = kHeld;
    return 1;
}

bool CVideoStudio::Save(const char* fileName)
{
    XTRACE("CVideoStudio::Save");
    std::snprintf(m_szFileName, sizeof m_szFileName, "%s", fileName ? fileName : "");
    if (m_nState != kHeld || !fileName) return false;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(plat::FOpen(fileName, "wb"), &std::fclose);
    if (!f)
    {
        g_ErrorLog.LogError("CVideoStudio::Save: %s cannot be written", fileName);
        return false;
    }
    const std::uint32_t frames = std::uint32_t(m_nTotalFrames);
    std::uint32_t number = g_pPlayerGlider ? std::uint32_t(g_pPlayerGlider->m_nObjectNumber) : 0xFFFFFFFFu;
    char config[32] = "_DEFAULT_";
    const CMechanoid* mechanoid = g_pPlayerGlider ? g_pPlayerGlider->m_pMechanoid : nullptr;
    if (mechanoid)
        if (const char* name = g_MechConfigManager.GetName(mechanoid->m_nConfigIndex))
            std::snprintf(config, sizeof config, "%s", name);
    bool ok = std::fwrite(&frames, 4, 1, f.get()) == 1 && std::fwrite(&m_fLength, 4, 1, f.get()) == 1 &&
              std::fwrite(&m_nDataSize, 4, 1, f.get()) == 1 &&
              std::fwrite(m_Stream.m_pData, 1, m_nDataSize, f.get()) == m_nDataSize &&
              std::fwrite(&number, 4, 1, f.get()) == 1 && std::fwrite(config, 32, 1, f.get()) == 1;
    ok = std::fflush(f.get()) == 0 && ok;
    if (!ok) g_ErrorLog.LogError("CVideoStudio::Save: %s: a write failed", fileName);
    return ok;
}

bool CVideoStudio::Load(const char* fileName)
{
    XTRACE("CVideoStudio::Load");
    std::vector<std::uint8_t> bytes;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(fileName ? plat::FOpen(fileName, "rb") : nullptr,
                                                       &std::fclose);
    std::uint64_t size = 0;
    if (!f || !plat::GetFileSize(fileName, &size) || size > kMaxDataSize + kFileHeadSize + kTrailerSize)
    {
        g_ErrorLog.LogError("Error while reading video file %s: it cannot be read", fileName ? fileName : "");
        return false;
    }
    bytes.resize(std::size_t(size));
    if (size && std::fread(bytes.data(), 1, bytes.size(), f.get()) != bytes.size())
    {
        g_ErrorLog.LogError("Error while reading video file %s: a read failed", fileName);
        return false;
    }
    std::string error;
    if (!LoadFromMemory(bytes.data(), bytes.size(), &error))
    {
        g_ErrorLog.LogError("Error while reading video file %s: %s", fileName, error.c_str());
        return false;
    }
    return true;
}

bool CVideoStudio::LoadFromMemory(const std::uint8_t* data, std::size_t size, std::string* error)
{
    std::string scratch;
    if (!error) error = &scratch;
    if (size < kFileHeadSize)
    {
        *error = "the head is cut";
        return false;
    }
    const std::uint32_t frames = U32(data);
    float length;
    std::memcpy(&length, data + 4, 4);
    const std::uint32_t n = U32(data + 8);
    if (n > kMaxDataSize || n > size - kFileHeadSize)
    {
        *error = "the data size " + std::to_string(n) + " does not fit the file";
        return false;
    }
    std::int32_t found = 0;
    if (!CheckFrames(data + kFileHeadSize, n, &found, error)) return false;
    if (frames != std::uint32_t(found))
    {
        *error = "the file says " + std::to_string(frames) + " frames and holds " + std::to_string(found);
        return false;
    }
    // Taken whole: the buffer grows to hold the data and a frame more.
    m_Stream.Free();
    m_Stream.Allocate(std::max(kBufferSize, n + kFrameReserve));
    std::memcpy(m_Stream.m_pData, data + kFileHeadSize, n);
    m_Stream.m_nPosition = 0;
    m_nTotalFrames = found;
    m_fLength = length;
    m_nDataSize = n;
    m_nFrame = 0;
    m_fTime = 0.0f;
    m_IdMap.clear();
    m_nState = kHeld;

    std::size_t at = kFileHeadSize + n;
    if (size - at >= 4)
    {
        const std::uint32_t number = U32(data + at);
        at += 4;
        CMMObject* object = g_ObjectList.FindByNumberAndType(int(number), OBJ_GLIDER);
        if (auto* glider = dynamic_cast<CGliderObject*>(object))
        {
            g_pPlayerGlider = glider;
            if (auto* camera = dynamic_cast<CCamera*>(g_pCameraObject)) camera->RestoreMode();
        }
        if (size - at >= 32 && g_pPlayerGlider && g_pPlayerGlider->m_pMechanoid)
        {
            char name[33] = {};
            std::memcpy(name, data + at, 32);
            const std::int32_t index = g_MechConfigManager.FindName(name);
            if (index >= 0)
            {
                CMechanoid* mechanoid = g_pPlayerGlider->m_pMechanoid;
                mechanoid->InitConfig(index, false, 0);
                g_pPlayerGlider->ChangeID(mechanoid->m_gEqp.m_Config[CFG_GLIDER].m_Key);
                g_pPlayerGlider->AssignMechanoid(g_pPlayerGlider->m_pMech, mechanoid, true);
            }
        }
    }
    return true;
}

void CVideoStudio::ResetPlayback()
{
    m_Stream.m_nPosition = 0;
    m_fTime = 0.0f;
    m_nFrame = 0;
}

bool CVideoStudio::PlayBack()
{
    if (m_nState != kHeld) return false;
    m_nState = kPlaying;
    ResetPlayback();
    PlayMoment(true);
    return true;
}

CMMObject* CVideoStudio::FindObject(std::uint32_t number, bool first)
{
    if (first)
    {
        CMMObject* o = g_ObjectList.FindByNumberAndType(int(number), 0);
        m_IdMap.emplace_back(number, o);
        return o;
    }
    for (const auto& [id, object] : m_IdMap)
        if (id == number) return object;
    return nullptr;
}

void CVideoStudio::PlayMoment(bool first)
{
    XTRACE("CVideoStudio::PlayMoment");
    if (m_nState != kPlaying && m_nState != kCorrecting && m_nState != kCorrectingOwn &&
        m_nState != kCorrectingEnvironment && m_nState != kRendering)
        return;
    if (m_nFrame >= m_nTotalFrames || m_Stream.m_nPosition >= m_nDataSize)
    {
        Stop();
        return;
    }
    if (!first) m_fTime += GetFixedFrameTime();
    if (first) m_IdMap.clear();
    m_nFrameStart = m_Stream.m_nPosition;
    ++m_nFrame;
    // The frames were checked when the recording was taken in.
    const std::uint8_t* frame = m_Stream.m_pData + m_nFrameStart;
    double clock;
    std::memcpy(&clock, frame, 8);
    g_ResourceEngine.SetEngineTime(clock);
    const std::uint32_t count = U32(frame + 8);
    std::uint32_t at = m_nFrameStart + kFrameHeadSize;
    for (std::uint32_t r = 0; r < count; ++r)
    {
        const std::uint32_t kind = U32(m_Stream.m_pData + at);
        const std::uint32_t size = U32(m_Stream.m_pData + at + 4);
        const std::uint32_t payload = at + kRecordHeadSize;
        const std::uint32_t next = payload + size;
        try
        {
            if (kind == kKindEnvironment && m_nState != kCorrectingEnvironment)
            {
                m_Stream.m_nPosition = payload;
                g_Environment.ReadState(&m_Stream, nullptr);
            }
            else if (kind == kKindObject && size >= 4)
            {
                CMMObject* o = FindObject(U32(m_Stream.m_pData + payload), first);
                const bool corrected = o && std::uint32_t(o->m_nObjectNumber) == m_nCorrectedId;
                const bool skip = !o || (!first && m_bSkipCamera && o->m_nType == int(kCameraType)) ||
                                  (m_nState == kCorrecting && (corrected || o->m_nType == int(kCameraType)));
                if (!skip)
                {
                    m_Stream.m_nPosition = payload + 4;
                    ReadObjectState(o, m_Stream, !first && m_nState == kCorrectingOwn && corrected);
                    if (m_Stream.m_nPosition != next) g_ErrorLog.LogDebug("Sizes different");
                }
            }
        }
        catch (const std::exception& e)
        {
            g_ErrorLog.LogDebug("CVideoStudio::PlayMoment: record %u: %s", r, e.what());
        }
        at = next;
    }
    m_Stream.m_nPosition = at;
    if (m_nFrame >= m_nTotalFrames) Stop();
}

bool CVideoStudio::StartCorrection(std::uint32_t objectId, bool ownState)
{
    if (m_nState != kHeld) return false;
    m_nCorrectedId = objectId;
    m_nState = ownState ? kCorrectingOwn : kCorrecting;
    m_bInterfaceHidden = 1;
    ResetPlayback();
    return true;
}

bool CVideoStudio::StartEnvironmentCorrection()
{
    if (m_nState != kHeld) return false;
    m_nState = kCorrectingEnvironment;
    m_bInterfaceHidden = 1;
    ResetPlayback();
    m_nFrameStart = 0;
    CorrectMoment();
    PlayMoment(true);
    return true;
}

void CVideoStudio::CorrectMoment()
{
    XTRACE("CVideoStudio::CorrectMoment");
    if (m_nState != kCorrecting && m_nState != kCorrectingOwn && m_nState != kCorrectingEnvironment) return;
    if (m_nFrameStart + kFrameHeadSize > m_nDataSize) return;
    const std::uint32_t count = U32(m_Stream.m_pData + m_nFrameStart + 8);
    std::uint32_t at = m_nFrameStart + kFrameHeadSize;
    const std::uint32_t saved = m_Stream.m_nPosition;
    for (std::uint32_t r = 0; r < count; ++r)
    {
        const std::uint32_t kind = U32(m_Stream.m_pData + at);
        const std::uint32_t size = U32(m_Stream.m_pData + at + 4);
        const std::uint32_t payload = at + kRecordHeadSize;
        // The new state is written over the old one only when it is as
        // long: the frames after it stay where they are.
        CMemStream scratch;
        scratch.Allocate(size + 1024);
        if (kind == kKindEnvironment && m_nState == kCorrectingEnvironment)
        {
            g_Environment.WriteState(&scratch, nullptr);
            if (scratch.m_nPosition == size) std::memcpy(m_Stream.m_pData + payload, scratch.m_pData, size);
        }
        else if (kind == kKindObject && size >= 4 && m_nState != kCorrectingEnvironment &&
                 U32(m_Stream.m_pData + payload) == m_nCorrectedId)
        {
            CMMObject* o = g_ObjectList.FindByNumberAndType(int(m_nCorrectedId), 0);
            if (o) WriteObjectState(o, scratch);
            if (o && scratch.m_nPosition == size - 4)
                std::memcpy(m_Stream.m_pData + payload + 4, scratch.m_pData, size - 4);
        }
        at = payload + size;
    }
    m_Stream.m_nPosition = saved;
}

bool CVideoStudio::RenderToFiles()
{
    if (m_nState != kHeld) return false;
    XTRACE("CVideoStudio::RenderToFiles");
    m_sOutputPath = MakeOutputFolder(GetEngineBaseDirectory());
    if (m_sOutputPath.empty())
    {
        g_ErrorLog.LogError("CVideoStudio::RenderToFiles: no folder below Video");
        return false;
    }
    m_bCapture = 1;
    m_nState = kRendering;
    m_bInterfaceHidden = 1;
    ResetPlayback();
    m_Picture.clear();
    PlayMoment(true);
    return true;
}

void CVideoStudio::CaptureFrame()
{
    if (!m_bCapture) return;
    XTRACE("CVideoStudio::CaptureFrame");
    std::vector<std::uint32_t> pixels;
    std::uint32_t width = 0, height = 0;
    if (!CopyBackBuffer(pixels, width, height)) return;
    // Bottom row first, as the file stores it.
    m_Picture.resize(pixels.size());
    for (std::uint32_t y = 0; y < height; ++y)
        std::memcpy(&m_Picture[std::size_t(height - 1 - y) * width], &pixels[std::size_t(y) * width],
                    std::size_t(width) * 4);
    m_nPictureWidth = width;
    m_nPictureHeight = height;
    const std::string path = m_sOutputPath + PictureName(m_nFrame);
    if (!SaveBitmapFile(path.c_str(), width, height, m_Picture.data(), 4))
        g_ErrorLog.LogError("CVideoStudio::CaptureFrame: %s cannot be written", path.c_str());
}

bool CVideoStudio::Stop()
{
    if (m_nState != kPlaying && m_nState != kCorrecting && m_nState != kCorrectingOwn &&
        m_nState != kCorrectingEnvironment && m_nState != kRendering)
        return false;
    m_nState = kHeld;
    // In replay mode the interface stays off: the pictures are the film's.
    if (!m_bReplayMode) m_bInterfaceHidden = 0;
    m_bCapture = 0;
    m_Picture.clear();
    m_Picture.shrink_to_fit();
    return true;
}

// ---- in the game ------------------------------------------------------------------

void CVideoStudio::OnFrameDrawn()
{
    switch (m_nState)
    {
    case kRecording:
        RecordFrame(false);
        break;
    case kRendering:
        CaptureFrame();
        PlayMoment(false);
        break;
    case kCorrecting:
    case kCorrectingOwn:
    case kCorrectingEnvironment:
        // The frame just shown takes the corrected part as it moved.
        if (m_nFrame > 0) CorrectMoment();
        PlayMoment(m_nFrame == 0);
        break;
    case kPlaying:
        PlayMoment(false);
        break;
    default:
        break;
    }
}

bool CVideoStudio::ProcessKey(int digit)
{
    const CMMObject* glider = g_pPlayerGlider;
    const std::uint32_t gliderId = glider ? std::uint32_t(glider->m_nObjectNumber) : 0xFFFFFFFFu;
    switch (digit)
    {
    case 1:
        return StartRecording();
    case 2:
        return m_nState == kRecording ? StopRecording() == 1 : Stop();
    case 3:
        return PlayBack();
    case 4:
        Stop();
        return PlayBack();
    case 5:
        return glider && StartCorrection(gliderId, false);
    case 6:
        return g_pCameraObject && StartCorrection(std::uint32_t(g_pCameraObject->m_nObjectNumber), false);
    case 7:
        return StartEnvironmentCorrection();
    case 8:
        return glider && StartCorrection(gliderId, true);
    case 9:
    {
        // Save keeps the name it is given: a copy, not the field itself.
        const std::string name = m_szFileName;
        return m_nState == kHeld && !name.empty() && Save(name.c_str());
    }
    case 0:
        return RenderToFiles();
    default:
        return false;
    }
}

void CVideoStudio::FillStatus(SRecorderStatus& status) const
{
    status.state = m_nState;
    status.currentTime = m_fTime;
    status.totalTime = m_fLength;
    status.bufferSize = std::int32_t(m_Stream.m_nCapacity);
    status.bytesUsed = std::int32_t(m_nState == kRecording ? m_Stream.m_nPosition : m_nDataSize);
    status.recording = m_nState == kHeld || m_nDataSize ? std::string(m_szFileName) : std::string();
    status.paused = g_pApplication && g_pApplication->m_bPause;
    const CGliderObject* glider = g_pPlayerGlider;
    status.mechName = glider && glider->m_pMech ? std::string(glider->m_pMech->m_szName) : std::string();
    const DefaultManager* gliders = g_UnitManagers.glider;
    status.gliderKey = gliders && glider ? gliders->GetNameOrDefault(glider->m_Key.Index()) : "_DEFAULT_";
}

void CVideoStudio::DrawOverlay(CRenderer* renderer)
{
    static SRecorderStatus status;
    if (!renderer) return;
    FillStatus(status);
    renderer->m_pRecorder = &status;
    if (graph.m_lpDevice) graph.m_lpDevice->BeginScene();
    renderer->DrawRecorderInfo();
    if (graph.m_lpDevice) graph.m_lpDevice->EndScene();
}
