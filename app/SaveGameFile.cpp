// Saved games, location state files and the transfer stream.
#include "app/SaveGameFile.h"

#include "app/GameData.h"
#include "world/GameWorldState.h"
#include "foundation/ErrorLog.h"
#include "foundation/FileArchive.h"
#include "foundation/FileReplace.h"
#include "foundation/GuidKey.h"
#include "foundation/Name32.h"
#include "foundation/ResourceDB.h"
#include "foundation/StreamReader.h"
#include "hud/radar/Radar.h"
#include "location/Environment.h"
#include "platform/File.h"
#include "platform/d3d8/D3D8.h"
#include "script/game/QuestLog.h"
#include "script/game/ScriptManager.h"
#include "society/WorldMechanoid.h"
#include "world/Trade.h"
#include "units/GliderObject.h"
#include "units/Mechanoid.h"
#include "world/Camera.h"
#include "world/MMEngine.h"
#include "world/Mech.h"
#include "world/World.h"
#include "world/WorldSeams.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <strings.h>

namespace
{
constexpr std::uint32_t kWorkingStream = 50000;
constexpr std::size_t kTransferBlock = CMMEngine::kTransferBlockBytes;
// The block's word that carries the glider's reserve charge.
constexpr std::size_t kTransferWord = CMMEngine::kTransferBlockGliderWord;
// The devices the player switches in flight (shield, booster,
// invisibility): a journey or a load gives them back as they were.
constexpr EDevice kPlayerSwitches[] = {EQP_DISPERSE_SHIELD, EQP_BOOSTER, EQP_INVISIBILITY_SHIELD};

CGuidKey Key(const char* name)
{
    CGuidKey key;
    MakeGuidKey(&key, name);
    return key;
}

void Put32(CMemStream& s, std::uint32_t v)
{
    s.Write(&v, 4);
}

void PutText(CMemStream& s, const char* text)
{
    const std::uint32_t n = std::uint32_t(std::strlen(text));
    Put32(s, n);
    s.Write(text, n);
}

// Copies text into a field of size bytes, cut to size - 1 and terminated.
template <std::size_t N> void CopyField(char (&field)[N], const char* text)
{
    std::memset(field, 0, N);
    if (text) std::memcpy(field, text, strnlen(text, N - 1));
}

// "BASE" ends with a separator; an empty one is the working directory.
std::string BaseDir(const std::string& own)
{
    return own.empty() ? g_ResourceDB.GetBaseDirectory() : own;
}

CMechanoid* PlayerMechanoid()
{
    return g_pPlayerGlider ? g_pPlayerGlider->m_pMechanoid : nullptr;
}

// The glider's guns hand their ammunition to the stock while a save writes
// the mechanoid, and take it back afterwards, whatever happens between.
class CAmmoUnloaded
{
public:
    CAmmoUnloaded()
    {
        if (g_pPlayerGlider) g_pPlayerGlider->UpdateAmmo(false, false);
    }
    ~CAmmoUnloaded()
    {
        if (g_pPlayerGlider) g_pPlayerGlider->UpdateAmmo(true, false);
    }
    CAmmoUnloaded(const CAmmoUnloaded&) = delete;
    CAmmoUnloaded& operator=(const CAmmoUnloaded&) = delete;
};

void RestoreCameraMode(std::int32_t mode)
{
    g_CameraMode = mode;
    if (auto* camera = dynamic_cast<CCamera*>(g_pCameraObject)) camera->RestoreMode();
}

// The file archive that tells a watcher of every record it has written.
class CWatchedArchive : public FileArchive
{
public:
    explicit CWatchedArchive(const std::function<void(const char*)>& watcher) : m_Watcher(watcher) {}
    bool WriteRecord(const CGuidKey& key, const CMemStream& data) override
    {
        const bool ok = FileArchive::WriteRecord(key, data);
        if (ok && m_Watcher) m_Watcher(key.name);
        return ok;
    }

private:
    const std::function<void(const char*)>& m_Watcher;
};

// Writes a whole archive to a temporary file and puts it in place of path
// only when write and the file's close succeeded.
bool WriteArchiveFile(const std::string& path, const char* what, const std::function<bool(IArchive&)>& write,
                      const std::function<void(const char*)>& watcher)
{
    const std::string temp = TempFileFor(path);
    bool ok = false;
    {
        CWatchedArchive archive(watcher);
        try
        {
            ok = archive.Create(temp.c_str()) && write(archive);
        }
        catch (const std::exception& e)
        {
            g_ErrorLog.LogError("%s '%s': %s", what, path.c_str(), e.what());
            ok = false;
        }
        // The close flushes the file: a full disk may only show here.
        if (archive.m_pFile) ok = archive.m_pFile->Close() && ok;
        archive.Close();
    }
    if (!ok)
    {
        g_ErrorLog.LogError("%s '%s' could not be written; the previous file is kept", what, path.c_str());
        plat::DeleteFile(temp.c_str());
        return false;
    }
    if (!CommitTempFile(temp, path))
    {
        g_ErrorLog.LogError("%s '%s' could not replace the previous file", what, path.c_str());
        return false;
    }
    return true;
}

bool AllDigits(const char* s)
{
    if (!*s) return false;
    for (; *s; ++s)
        if (!std::isdigit(static_cast<unsigned char>(*s))) return false;
    return true;
}

} // namespace

CSavedGames::CSavedGames()
{
    m_Stream.Allocate(kWorkingStream);
    m_Transfer.Allocate(kTransferMinimum);
}

CSavedGames::~CSavedGames() = default;

std::string CSavedGames::SavePath(const char* file) const
{
    return BaseDir(m_sBaseDir) + "SAVES\\" + (file ? file : "");
}

std::string CSavedGames::LocPath(const char* file) const
{
    return BaseDir(m_sBaseDir) + "SAVES\\LOCS\\" + (file ? file : "");
}

std::string CSavedGames::LocationOf(const char* mapFile)
{
    std::string name = mapFile ? mapFile : "";
    // Only the file's own name: a '.' of a directory is no extension.
    const std::size_t slash = name.find_last_of("\\/");
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) name.resize(dot);
    if (name.size() > 31) name.resize(31);
    return name;
}

// --- saved games ---------------------------------------------------------------

void CSavedGames::FillHeader(SSaveHeader& h, const char* caption, bool inside, const char* building) const
{
    h = SSaveHeader{};
    h.outside = inside ? 0 : 1;
    CopyField(h.caption, caption);
    CopyField(h.building, building);
    CopyField(h.mapFile, m_szMapFile);
    CopyField(h.location, LocationOf(m_szMapFile).c_str());
    h.gameTime = g_Environment.m_fDays;
    if (const CGliderObject* glider = g_pPlayerGlider)
    {
        const CVector& p = glider->GetPosition();
        h.position[0] = p.x;
        h.position[1] = p.y;
        h.position[2] = p.z;
        std::memcpy(h.orientation, glider->m_Frame.m_Matrix.m, sizeof h.orientation);
        if (glider->m_pMech) h.level = glider->m_pMech->m_nLevel;
        if (glider->m_pMechanoid) h.money = glider->m_pMechanoid->m_Garbage.m_fMoney;
    }
}

void CSavedGames::TakeScreen(std::vector<std::uint8_t>& pixels) const
{
    pixels.clear();
    if (!m_pScreen) return;
    plat::d3d::SLockedRect locked{};
    if (plat::Failed(m_pScreen->LockRect(&locked, nullptr, plat::d3d::D3DLOCK_READONLY)))
    {
        g_ErrorLog.LogError("CMMApp::SaveGame: the save-screen picture could not be read");
        return;
    }
    pixels.resize(kScreenBytes);
    const std::uint32_t row = kScreenSize * 4;
    for (int y = 0; y < kScreenSize; ++y)
        std::memcpy(pixels.data() + y * row, static_cast<const std::uint8_t*>(locked.pBits) + y * locked.Pitch, row);
    m_pScreen->UnlockRect();
}

void CSavedGames::ApplyScreen(const std::vector<std::uint8_t>& pixels)
{
    if (!m_pScreen || pixels.size() != kScreenBytes) return;
    plat::d3d::SLockedRect locked{};
    if (plat::Failed(m_pScreen->LockRect(&locked, nullptr, 0))) return;
    const std::uint32_t row = kScreenSize * 4;
    for (int y = 0; y < kScreenSize; ++y)
        std::memcpy(static_cast<std::uint8_t*>(locked.pBits) + y * locked.Pitch, pixels.data() + y * row, row);
    m_pScreen->UnlockRect();
}

bool CSavedGames::Store(IArchive& archive, const char* name)
{
    if (!archive.WriteRecord(Key(name), m_Stream))
    {
        g_ErrorLog.LogError("CMMApp::SaveGame: record '%s' could not be written", name);
        return false;
    }
    return true;
}

bool CSavedGames::WriteGame(IArchive& archive, const char* caption, bool inside, const char* building)
{
    // Each chunk from position 0, so that a record holds its chunk alone.
    const auto chunk = [&](const char* name, const std::function<void(CMemStream&)>& write)
    {
        m_Stream.m_nPosition = 0;
        write(m_Stream);
        return Store(archive, name);
    };

    SSaveHeader header;
    FillHeader(header, caption, inside, building);
    if (!chunk("HEADER", [&](CMemStream& s) { s.Write(&header, sizeof header); })) return false;
    if (!chunk("CAPTION", [&](CMemStream& s) { PutText(s, caption ? caption : ""); })) return false;
    if (!chunk("PLAYER", [&](CMemStream& s) { PutText(s, g_GameData.m_PlayerName.GetText()); })) return false;
    std::vector<std::uint8_t> pixels;
    TakeScreen(pixels);
    if (!pixels.empty() && !chunk("SCREEN", [&](CMemStream& s) { s.Write(pixels.data(), kScreenBytes); }))
        return false;
    if (g_pScriptManager && !chunk("SCRIPTS", [](CMemStream& s) { g_pScriptManager->SaveToStream(s); }))
        return false;
    if (g_pRadar && !chunk("RADAR", [](CMemStream& s) { g_pRadar->SaveToStream(s); })) return false;
    if (!chunk("GAMEDATA", [](CMemStream& s) { g_GameData.SaveToStream(s); })) return false;
    if (g_pQuestLog && !chunk("QUESTLOG", [](CMemStream& s) { g_pQuestLog->SaveToStream(s); })) return false;
    // "TRADE" is the world's (see the header).
    if (!chunk("ENV", [](CMemStream& s) { g_Environment.SaveToStream(&s); })) return false;
    if (g_pOrgManager && !chunk("ORGREL", [](CMemStream& s) { g_pOrgManager->SaveToStream(s); })) return false;
    if (!chunk("OTHERS",
               [](CMemStream& s)
               {
                   Put32(s, kOthersVersion);
                   Put32(s, std::uint32_t(g_CameraMode));
               }))
        return false;
    if (g_pWorld && !g_pWorld->SaveGame(&archive)) return false;
    if (g_pPlayerGlider && !chunk("MAINMECH",
                                  [](CMemStream& s)
                                  {
                                      int size = 0;
                                      g_pPlayerGlider->SaveToStream(s, &size, true);
                                  }))
        return false;
    return true;
}

bool CSavedGames::SaveGame(const char* file, const char* caption, bool inside, const char* building)
{
    XTRACE("CMMApp::SaveGame");
    const std::string path = SavePath(file);
    plat::CreateDirectory((BaseDir(m_sBaseDir) + "SAVES").c_str());
    CAmmoUnloaded unloaded;
    return WriteArchiveFile(path, "Saved game",
                            [&](IArchive& archive) { return WriteGame(archive, caption, inside, building); },
                            m_OnRecordWritten);
}

bool CSavedGames::Fetch(IArchive& archive, const char* name, bool logAbsent, CMemStream& out)
{
    if (!archive.HasRecord(Key(name)))
    {
        if (logAbsent) g_ErrorLog.LogError("CMMApp::LoadGame: the save has no record '%s'", name);
        return false;
    }
    // A fresh stream: its size is then the record's.
    out.Free();
    if (archive.ReadRecord(Key(name), out)) return true;
    g_ErrorLog.LogError("CMMApp::LoadGame: record '%s' could not be read; it is skipped", name);
    return false;
}

void CSavedGames::ReadChunk(IArchive& archive, const char* name, const std::function<void(CMemStream&)>& read)
{
    CMemStream stream;
    if (!Fetch(archive, name, false, stream)) return;
    try
    {
        read(stream);
    }
    catch (const std::runtime_error& e)
    {
        g_ErrorLog.LogError("CMMApp::LoadGame: record '%s': %s; its part of the game is kept", name, e.what());
    }
}

void CSavedGames::ApplyHeader(const SSaveHeader& h)
{
    CopyField(m_szMapFile, std::string(h.mapFile, strnlen(h.mapFile, sizeof h.mapFile)).c_str());
    if (h.outside == 0)
        CopyField(m_szStartBuilding, std::string(h.building, strnlen(h.building, sizeof h.building)).c_str());
    else
        CopyField(m_szStartBuilding, "");
    m_vStartPosition = CVector{h.position[0], h.position[1], h.position[2]};
    std::memcpy(m_mStartOrientation.m, h.orientation, sizeof h.orientation);
}

bool CSavedGames::LoadGame(const char* file, bool headerOnly)
{
    XTRACE("CMMApp::LoadGame");
    const std::string path = SavePath(file);
    FileArchive archive;
    if (!plat::FileExists(path.c_str()) || !archive.Open(path.c_str()))
    {
        g_ErrorLog.LogError("CMMApp::LoadGame: saved game '%s' could not be opened", path.c_str());
        return false;
    }

    // Everything the header holds is checked before anything is applied.
    SSaveHeader header;
    CMemStream stream;
    if (!Fetch(archive, "HEADER", true, stream)) return false;
    if (stream.m_nCapacity != sizeof header)
    {
        g_ErrorLog.LogError("CMMApp::LoadGame: '%s': HEADER holds %u bytes, not %zu", path.c_str(),
                            stream.m_nCapacity, sizeof header);
        return false;
    }
    std::memcpy(&header, stream.m_pData, sizeof header);
    if (std::memcmp(header.magic, SSaveHeader{}.magic, 4) != 0)
    {
        g_ErrorLog.LogError("CMMApp::LoadGame: '%s' is not a saved game (HEADER magic)", path.c_str());
        return false;
    }
    if (!std::isfinite(header.gameTime) || header.gameTime < 0.0f)
    {
        g_ErrorLog.LogError("CMMApp::LoadGame: '%s': HEADER game time is not a time", path.c_str());
        return false;
    }

    std::vector<std::uint8_t> pixels;
    bool hasScreen = false;
    if (Fetch(archive, "SCREEN", false, stream))
    {
        if (stream.m_nCapacity == kScreenBytes)
        {
            pixels.assign(stream.m_pData, stream.m_pData + kScreenBytes);
            hasScreen = true;
        }
        else
            g_ErrorLog.LogError("CMMApp::LoadGame: '%s': SCREEN holds %u bytes; it is skipped", path.c_str(),
                                stream.m_nCapacity);
    }

    m_Header = header;
    m_sLoadFile = file ? file : "";
    ApplyHeader(header);
    if (headerOnly)
    {
        // A preview: the live picture and the environment stay as they are.
        m_Preview = std::move(pixels);
        return hasScreen;
    }

    g_Environment.m_fDays = header.gameTime;
    g_Environment.m_fTime = (header.gameTime - std::floor(header.gameTime)) * 24.0f;
    ApplyScreen(pixels);

    // A chunk whose owner refuses it is logged by the owner, which keeps
    // its state; the rest of the save still loads.
    const auto refused = [](const char* name)
    { g_ErrorLog.LogError("CMMApp::LoadGame: record '%s' was refused; its part of the game is kept", name); };
    if (g_pScriptManager)
        ReadChunk(archive, "SCRIPTS", [&](CMemStream& s) { if (!g_pScriptManager->LoadFromStream(s)) refused("SCRIPTS"); });
    if (g_pRadar)
        ReadChunk(archive, "RADAR", [&](CMemStream& s) { if (!g_pRadar->LoadFromStream(s)) refused("RADAR"); });
    ReadChunk(archive, "GAMEDATA", [](CMemStream& s) { g_GameData.LoadFromStream(s); });
    if (g_pQuestLog)
        ReadChunk(archive, "QUESTLOG", [&](CMemStream& s) { if (!g_pQuestLog->LoadFromStream(s)) refused("QUESTLOG"); });
    ReadChunk(archive, "ENV",
              [&](CMemStream& s)
              {
                  if (!g_Environment.LoadFromStream(&s)) refused("ENV");
              });
    if (g_pOrgManager) ReadChunk(archive, "ORGREL", [](CMemStream& s) { g_pOrgManager->LoadFromStream(s); });
    if (g_pWorld) g_pWorld->LoadGame(&archive);
    ReadChunk(archive, "OTHERS",
              [](CMemStream& s)
              {
                  CStreamReader in(s, "OTHERS");
                  in.U32();
                  const std::uint32_t mode = in.U32();
                  if (mode > 6) in.Fail("camera mode %u", mode);
                  RestoreCameraMode(std::int32_t(mode));
              });
    // MAINMECH stays unread: the world's mech records hold the player.
    g_GameData.ApplyClanLook();
    return true;
}

// --- location state files ------------------------------------------------------

bool CSavedGames::SaveLoc()
{
    XTRACE("CMMApp::SaveLoc");
    const std::string base = BaseDir(m_sBaseDir);
    plat::CreateDirectory((base + "SAVES").c_str());
    plat::CreateDirectory((base + "SAVES\\LOCS").c_str());
    const std::string location = LocationOf(m_szMapFile);
    if (location.empty())
    {
        g_ErrorLog.LogError("CMMApp::SaveLoc: no current location");
        return false;
    }
    int n = 1;
    std::string name;
    for (;; ++n)
    {
        name = location + "_" + std::to_string(n);
        if (!plat::FileExists(LocPath(name.c_str()).c_str())) break;
    }
    const bool written = WriteArchiveFile(LocPath(name.c_str()), "Location state",
                                          [&](IArchive& archive)
                                          {
                                              if (g_pRadar)
                                              {
                                                  m_Stream.m_nPosition = 0;
                                                  g_pRadar->SaveToStream(m_Stream);
                                                  if (!archive.WriteRecord(Key("RADAR"), m_Stream)) return false;
                                              }
                                              return !g_pWorld || g_pWorld->SaveGame(&archive);
                                          },
                                          m_OnRecordWritten);
    if (!written) return false;

    for (std::uint32_t i = 0; i < g_GameData.m_LocInfo.count; ++i)
    {
        SLocInfo& info = g_GameData.m_LocInfo.data[i];
        if (SameName(info.location, location.c_str())) CopyField(info.stateFile, name.c_str());
    }
    // Only the newest state of a location is ever read again.
    const std::string prefix = location + "_";
    plat::FindData found;
    std::vector<std::string> older;
    if (plat::FindHandle search = plat::FindFirstFile(LocPath((prefix + "*").c_str()).c_str(), &found))
    {
        do
        {
            const std::string other = found.name;
            if (other != name && other.size() > prefix.size() && AllDigits(other.c_str() + prefix.size()) &&
                strncasecmp(other.c_str(), prefix.c_str(), prefix.size()) == 0)
                older.push_back(other);
        } while (plat::FindNextFile(search, &found));
        plat::FindClose(search);
    }
    for (const std::string& other : older)
        plat::DeleteFile(LocPath(other.c_str()).c_str());
    return true;
}

bool CSavedGames::LoadLoc(const char* file)
{
    XTRACE("CMMApp::LoadLoc");
    const std::string path = LocPath(file);
    FileArchive archive;
    if (!plat::FileExists(path.c_str()) || !archive.Open(path.c_str()))
    {
        g_ErrorLog.LogError("CMMApp::LoadLoc: location state '%s' could not be opened", path.c_str());
        return false;
    }
    if (g_pRadar) ReadChunk(archive, "RADAR", [](CMemStream& s) { g_pRadar->LoadFromStream(s); });
    // The player's ammunition stock is the player's, not the location's
    // (the game preparation reads the state before the glider is made:
    // the player's record holds the mechanoid then).
    CMechanoid* mechanoid = PlayerMechanoid();
    if (!mechanoid && g_pWorld && g_pWorld->GetPlayerMech())
        if (auto* owned = dynamic_cast<CWorldMechanoid*>(g_pWorld->GetPlayerMech()->m_pMechanoid))
            mechanoid = &owned->m_Mechanoid;
    SMissileStock stock[CMechanoid::kMaxMissiles];
    std::uint32_t count = 0;
    if (mechanoid)
    {
        std::copy(std::begin(mechanoid->m_Missiles), std::end(mechanoid->m_Missiles), stock);
        count = mechanoid->m_nMissileCount;
    }
    if (g_pWorld) g_pWorld->LoadGame(&archive);
    if (mechanoid)
    {
        std::copy(std::begin(stock), std::end(stock), mechanoid->m_Missiles);
        mechanoid->m_nMissileCount = count;
        // Ammunition the location's old record had waiting for the guns is
        // not the player's now.
        mechanoid->m_fWaitingAmmo[0] = mechanoid->m_fWaitingAmmo[1] = 0.0f;
    }
    return true;
}

// --- the transfer stream -------------------------------------------------------

bool CSavedGames::SaveMainMech()
{
    XTRACE("CMMApp::SaveMainMech");
    CMechanoid* mechanoid = PlayerMechanoid();
    if (!mechanoid)
    {
        g_ErrorLog.LogError("CMMApp::SaveMainMech: no player mechanoid");
        return false;
    }
    if (m_Transfer.m_nCapacity < kTransferMinimum) m_Transfer.Allocate(kTransferMinimum);
    m_Transfer.m_nPosition = 0;
    g_pPlayerGlider->UpdateAmmo(false, false);
    mechanoid->SaveToStream(m_Transfer);
    Put32(m_Transfer, kTransferVersion);
    std::uint8_t* block = g_MMEngine.m_TransferBlock;
    std::memcpy(block + kTransferWord * 4, &g_pPlayerGlider->m_fReserve, 4);
    m_Transfer.Write(block, kTransferBlock);
    Put32(m_Transfer, std::uint32_t(g_CameraMode));
    auto* player = dynamic_cast<CPlayerMech*>(g_pPlayerGlider->m_pMech);
    const std::uint8_t second = player && player->m_pBackup ? 1 : 0;
    m_Transfer.Write(&second, 1);
    if (second) player->m_pBackup->SaveToStream(m_Transfer);
    return true;
}

void CSavedGames::ReadTransferBlock(CMemStream& stream, std::uint8_t block[32])
{
    CStreamReader in(stream, "transfer stream");
    const std::uint32_t version = in.U32();
    std::memset(block, 0, kTransferBlock);
    in.Bytes(block, version == 257 ? 28 : std::uint32_t(kTransferBlock));
}

void CSavedGames::RestoreGliderState()
{
    XTRACE("CMMApp::RestoreGliderState");
    CGliderObject* glider = g_pPlayerGlider;
    if (!glider) return;
    std::memcpy(&glider->m_fReserve, g_MMEngine.m_TransferBlock + kTransferWord * 4, 4);
    CMechanoid* mechanoid = glider->m_pMechanoid;
    if (!mechanoid) return;
    for (EDevice device : kPlayerSwitches)
    {
        const SDeviceState& state = mechanoid->m_Devices[device];
        if (state.m_nIndex == 0 || state.m_bOn == 0) continue;
        if (CEquipment* item = mechanoid->GetAddEquipment(int(state.m_nIndex) - 1)) item->m_bFlag = 1;
        // The running invisibility hides the glider from the first frame.
        if (device == EQP_INVISIBILITY_SHIELD) glider->m_bShown = 0;
    }
}

bool CSavedGames::LoadMainMech()
{
    XTRACE("CMMApp::LoadMainMech");
    CMechanoid* mechanoid = PlayerMechanoid();
    if (!mechanoid)
    {
        g_ErrorLog.LogError("CMMApp::LoadMainMech: no player mechanoid");
        return false;
    }
    CMemStream& s = m_Transfer;
    const std::uint32_t written = s.m_nPosition;
    // A first pass into scratch objects: a damaged stream changes nothing.
    std::uint8_t block[kTransferBlock];
    std::uint32_t mode = 0;
    std::uint8_t second = 0;
    std::unique_ptr<IWorldMechanoid> backup;
    CMemStream view;
    view.m_bAttached = 1;
    view.m_pData = s.m_pData;
    view.m_nCapacity = written;
    try
    {
        CMechanoid scratch;
        scratch.LoadFromStream(view);
        ReadTransferBlock(view, block);
        CStreamReader in(view, "transfer stream");
        mode = in.U32();
        second = in.U8();
        if (second)
        {
            if (!g_pfnCreateWorldMechanoid) in.Fail("no mechanoid can be made");
            backup.reset(g_pfnCreateWorldMechanoid());
            if (!backup) in.Fail("no mechanoid can be made");
            backup->LoadFromStream(view);
        }
    }
    catch (const std::runtime_error& e)
    {
        g_ErrorLog.LogError("CMMApp::LoadMainMech: %s; the player is kept as he was", e.what());
        view.m_pData = nullptr;
        return false;
    }
    view.m_nPosition = 0;
    mechanoid->LoadFromStream(view);
    view.m_pData = nullptr;
    g_pPlayerGlider->UpdateAmmo(true, false);
    g_pPlayerGlider->UpdateGliderConfig();
    std::memcpy(g_MMEngine.m_TransferBlock, block, kTransferBlock);
    RestoreGliderState();
    if (g_pRadar) g_pRadar->SetTarget(0, nullptr, false);
    RestoreCameraMode(mode == 0 || mode == 6 ? std::int32_t(mode) : 1);
    if (second)
        if (auto* player = dynamic_cast<CPlayerMech*>(g_pPlayerGlider->m_pMech))
        {
            delete player->m_pBackup;
            player->m_pBackup = backup.release();
        }
    if (g_pWorld) g_pWorld->IncludeMechanoids();
    return true;
}
