// Fuzz target of the saved game's own reader: any bytes as the file
// "SAVES\Fuzz.sav", read by CSavedGames::LoadGame header only and whole
// (the archive; HEADER, SCREEN, GAMEDATA, ENV and OTHERS; no world,
// scripts or radar). A header-only read never changes the live game; a
// refused file changes nothing; a game that loads keeps its camera mode
// within 0-6 and its rating levels within their table, and writes a
// GAMEDATA chunk that reads back to the same bytes. Built with
// TVX_FUZZ_WRITE_SEEDS this file is instead the seed writer:
// fuzz_savegame_seeds DIR writes saved games made by CSavedGames::SaveGame
// (inside and outside a building, with a SCREEN record added), plus
// damaged variants of each.
#include "app/GameData.h"
#include "app/SaveGameFile.h"
#include "foundation/FileArchive.h"
#include "foundation/FileManager.h"
#include "foundation/GuidKey.h"
#include "foundation/MemStream.h"
#include "location/Environment.h"
#include "world/Camera.h"
#include "tests/fuzz/FuzzCommon.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

namespace
{
#ifndef TVX_FUZZ_WRITE_SEEDS
std::vector<std::uint8_t> Progress()
{
    CMemStream stream;
    g_GameData.SaveToStream(stream);
    return {stream.m_pData, stream.m_pData + stream.m_nPosition};
}
#endif

void Start()
{
    g_GameData.OnNewGame();
    g_GameData.m_PlayerName = "Ilsa";
    g_Environment.m_fDays = 2.5f;
    g_Environment.m_fTime = 12.0f;
    g_CameraMode = 3;
}

#ifdef TVX_FUZZ_WRITE_SEEDS
std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}
#endif
} // namespace

#ifndef TVX_FUZZ_WRITE_SEEDS

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static CSavedGames* saves = []
    {
        fuzz::SetUp("savegame");
        g_pFileManager = new StdFileManager();
        std::filesystem::create_directories("SAVES");
        return new CSavedGames;
    }();
    if (!fuzz::WriteFile("SAVES/Fuzz.sav", data, size)) return 0;
    Start();
    const std::vector<std::uint8_t> before = Progress();
    const auto unchanged = [&]
    {
        return Progress() == before && g_Environment.m_fDays == 2.5f && g_Environment.m_fTime == 12.0f &&
               g_CameraMode == 3;
    };
    saves->LoadGame("Fuzz.sav", true);
    if (!unchanged()) std::abort(); // a preview changes nothing live
    if (!saves->m_Preview.empty() && saves->m_Preview.size() != CSavedGames::kScreenBytes) std::abort();
    if (!saves->LoadGame("Fuzz.sav", false))
    {
        if (!unchanged()) std::abort(); // a refused file changes nothing
        return 0;
    }
    if (g_CameraMode < 0 || g_CameraMode > 6) std::abort();
    for (int kind = 0; kind < 3; ++kind)
    {
        const float level = g_GameData.GetRatingLevel(kind);
        if (!(level >= 1.0f && level <= 11.0f)) std::abort();
    }
    const std::vector<std::uint8_t> loaded = Progress();
    CMemStream again;
    std::memcpy(again.Allocate(std::uint32_t(loaded.size())), loaded.data(), loaded.size());
    g_GameData.OnNewGame();
    g_GameData.LoadFromStream(again); // what it writes it must read
    if (Progress() != loaded) std::abort();
    return 0;
}

#else

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: fuzz_savegame_seeds DIR\n");
        return 2;
    }
    const std::filesystem::path dir = std::filesystem::absolute(argv[1]);
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    if (!fuzz::SetUp("savegame_seeds")) return 1;
    g_pFileManager = new StdFileManager();

    CSavedGames saves;
    std::strcpy(saves.m_szMapFile, "north.mmp");
    Start();
    g_GameData.ChangeRating2(300.0f);
    g_GameData.GetLocInfo("north").tickets = 2;
    g_Environment.m_fDays = 3.75f;
    if (!saves.SaveGame("outside.sav", "On the road", false, "")) return 1;
    g_CameraMode = 6;
    if (!saves.SaveGame("inside.sav", "In the hall", true, "HALL_7")) return 1;
    fuzz::WriteSeeds(dir, "savegame_outside", ReadFile("SAVES/outside.sav"));
    fuzz::WriteSeeds(dir, "savegame_inside", ReadFile("SAVES/inside.sav"));

    // The same save with a thumbnail: its records again, SCREEN after PLAYER.
    {
        FileArchive in;
        if (!in.Open("SAVES/outside.sav")) return 1;
        FileArchive out;
        if (!out.Create("SAVES/screen.sav")) return 1;
        for (std::uint32_t i = 0; i < in.GetRecordCount(); ++i)
        {
            const CGuidKey key = in.GetEntry(i).key;
            CMemStream record;
            if (!in.ReadRecord(key, record)) return 1;
            record.m_nPosition = record.m_nCapacity;
            out.WriteRecord(key, record);
            if (std::strcmp(key.name, "PLAYER") == 0)
            {
                CMemStream screen;
                std::uint8_t* pixels = screen.Allocate(CSavedGames::kScreenBytes);
                for (std::uint32_t p = 0; p < CSavedGames::kScreenBytes; ++p)
                    pixels[p] = std::uint8_t(p * 13);
                screen.m_nPosition = CSavedGames::kScreenBytes;
                CGuidKey screenKey;
                out.WriteRecord(*MakeGuidKey(&screenKey, "SCREEN"), screen);
            }
        }
        out.Close();
        in.Close();
    }
    // The seeds are saves the reader takes whole.
    if (!saves.LoadGame("screen.sav", true) || !saves.LoadGame("inside.sav", false)) return 1;
    fuzz::WriteSeeds(dir, "savegame_screen", ReadFile("SAVES/screen.sav"));
    return 0;
}

#endif
