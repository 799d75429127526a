// Fuzz target of the save/load panel's reading of a saved game: any bytes
// as an archive whose HEADER, PLAYER, CAPTION and SCREEN are read as the
// list reads them. A file is listed or skipped, never read past its
// records: a listed save has a caption ("---" at least) and names of at
// most 32 characters, and a picture is whole or absent. Built with
// TVX_FUZZ_WRITE_SEEDS this file is instead the seed writer:
// fuzz_savelist_seeds DIR writes saved games made by CSavedGames::SaveGame
// (outside and inside a building) and one with a SCREEN record, plus
// damaged variants of each.
#include "app/GameData.h"
#include "app/SaveGameFile.h"
#include "consoles/SaveRecords.h"
#include "foundation/FileArchive.h"
#include "foundation/FileManager.h"
#include "foundation/GuidKey.h"
#include "foundation/MemStream.h"
#include "tests/fuzz/FuzzCommon.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#ifndef TVX_FUZZ_WRITE_SEEDS

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool ready = []
    {
        fuzz::SetUp("savelist");
        g_pFileManager = new StdFileManager();
        return true;
    }();
    (void)ready;
    if (!fuzz::WriteFile("Fuzz.sav", data, size)) return 0;
    FileArchive archive;
    if (!archive.Open("Fuzz.sav")) return 0;
    SSaveSummary summary;
    if (ReadSaveSummary(archive, "Fuzz.sav", summary))
    {
        if (summary.caption.empty()) std::abort();
        if (summary.building.size() > 32 || summary.location.size() > 32) std::abort();
        if (summary.caption.size() + 4 > size || summary.player.size() + 4 > size) std::abort();
    }
    std::vector<std::uint8_t> pixels;
    const bool screen = ReadSaveScreen(archive, "Fuzz.sav", pixels);
    if (screen != (pixels.size() == CSavedGames::kScreenBytes) || (!screen && !pixels.empty())) std::abort();
    archive.Close();
    return 0;
}

#else

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: fuzz_savelist_seeds DIR\n");
        return 2;
    }
    const std::filesystem::path dir = std::filesystem::absolute(argv[1]);
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    if (!fuzz::SetUp("savelist_seeds")) return 1;
    g_pFileManager = new StdFileManager();
    g_GameData.OnNewGame();
    g_GameData.m_PlayerName = "Ilsa";

    CSavedGames saves;
    std::strcpy(saves.m_szMapFile, "north.mmp");
    if (!saves.SaveGame("outside.sav", "On the road", false, "")) return 1;
    if (!saves.SaveGame("inside.sav", "In the hall", true, "HALL_7")) return 1;
    fuzz::WriteSeeds(dir, "savelist_outside", fuzz::TakeFile("SAVES/outside.sav"));
    fuzz::WriteSeeds(dir, "savelist_inside", fuzz::TakeFile("SAVES/inside.sav"));

    // The list's four records alone, with a picture.
    {
        FileArchive out;
        if (!out.Create("picture.sav")) return 1;
        const auto put = [&out](const char* name, const void* bytes, std::uint32_t n)
        {
            CMemStream record;
            record.Write(bytes, n);
            CGuidKey key;
            return out.WriteRecord(*MakeGuidKey(&key, name), record);
        };
        SSaveHeader header;
        std::strcpy(header.location, "north");
        const char caption[] = "\x0b\0\0\0With a view";
        const char player[] = "\x04\0\0\0Ilsa";
        std::vector<std::uint8_t> pixels(CSavedGames::kScreenBytes);
        for (std::size_t p = 0; p < pixels.size(); ++p)
            pixels[p] = std::uint8_t(p * 7);
        if (!put("HEADER", &header, sizeof header) || !put("CAPTION", caption, sizeof caption - 1) ||
            !put("PLAYER", player, sizeof player - 1) || !put("SCREEN", pixels.data(), std::uint32_t(pixels.size())))
            return 1;
        out.Close();
    }
    fuzz::WriteSeeds(dir, "savelist_picture", fuzz::TakeFile("picture.sav"));
    return 0;
}

#endif
