#include "tools/mksample/SampleTree.h"

#include "platform/File.h"
#include "tools/mksample/SampleCockpit.h"
#include "tools/mksample/SampleConfig.h"
#include "tools/mksample/SampleDatabase.h"
#include "tools/mksample/SampleLocation.h"
#include "tools/mksample/SampleMarkup.h"
#include "tools/mksample/SampleInfo.h"
#include "tools/mksample/SampleMainMenu.h"
#include "tools/mksample/SampleMenus.h"
#include "tools/mksample/SampleProps.h"
#include "tools/mksample/SampleScripts.h"
#include "tools/mksample/SampleSound.h"
#include "tools/mksample/SampleTextures.h"
#include "tools/mksample/SampleWidgets.h"

#include <cstdio>
#include <string>

// SampleModels.cpp: the box model, its texture and the texture and model
// records (after the database and the sample textures exist).
bool WriteSampleModels(const std::string& root);
bool WriteSampleVideos(const std::string& root); // SampleVideo.cpp
// SampleLoading.cpp: loading screen, cursor and fonts (after the database).
bool WriteSampleLoading(const std::string& root);
// SampleGraphics2D.cpp: complex object with particles, 2-D image.
bool WriteSampleGraphics2D(const std::string& root);
// SampleWorld.cpp: object kinds and the sample location's objects file.
bool WriteSampleWorld(const std::string& root);
// SampleUnits.cpp: weapons, equipment, modifiers and goods.
bool WriteSampleUnits(const std::string& root);
// SampleUnits.cpp: glider types, "Конфигурации" and "CfgEquipment".
bool WriteSampleMechConfigs(const std::string& root);
// SampleTerrain.cpp: the land types and their textures (after the textures).
bool WriteSampleTerrain(const std::string& root);
// SampleSky.cpp: the sky's textures (after the textures).
bool WriteSampleSky(const std::string& root);
// SampleRadar.cpp: the sample location's radar map, beside its map.
bool WriteSampleRadar(const std::string& root);
// SampleNetMap.cpp: the network test game's map (after the location's files).
bool WriteSampleNetMap(const std::string& root);
bool WriteSampleTravel(const std::string& root); // SampleTravel.cpp
// SampleTrade.cpp
bool WriteSampleTrade(const std::string& root);
bool WriteSampleInput(const std::string& root); // SampleInput.cpp
bool WriteSampleMission2(const std::string& root); // SampleMission2.cpp
bool WriteSampleStartup(const std::string& root); // SampleStartup.cpp
bool WriteSampleOptions(const std::string& root); // SampleOptions.cpp

namespace
{

bool MakeDirectories(const std::string& root, const char* const* dirs)
{
    for (; *dirs; ++dirs)
    {
        std::string path = root;
        std::string rest = *dirs;
        std::size_t start = 0;
        while (start <= rest.size())
        {
            const std::size_t sep = rest.find('\\', start);
            path += '\\';
            path.append(rest, start, sep == std::string::npos ? std::string::npos : sep - start);
            if (!plat::CreateDirectory(path.c_str()))
            {
                std::fprintf(stderr, "mksample: cannot create %s\n", path.c_str());
                return false;
            }
            if (sep == std::string::npos) break;
            start = sep + 1;
        }
    }
    return true;
}

} // namespace

bool WriteSampleTree(const std::string& root)
{
    if (!plat::CreateDirectory(root.c_str()))
    {
        std::fprintf(stderr, "mksample: cannot create %s\n", root.c_str());
        return false;
    }

    // The folders of the data tree the game reads from and writes to.
    static const char* const kDirs[] = {
        "Data\\Locs", "Data\\fonts", "Data\\Images", "Data\\Video", "Data\\FFE", "Data\\Bin", "Data\\CONFIG",
        "Data\\MODS", "SCRIPT",      "SAVES\\LOCS",  "SCREENS",     "Video",     nullptr,
    };
    if (!MakeDirectories(root, kDirs) || !WriteSampleConfig(root) || !WriteSampleKeyCodes(root) ||
        !WriteSampleEffects(root) || !WriteSampleDatabase(root) || !WriteSamplePack(root) ||
        !WriteSampleTextures(root) || !WriteSampleTerrain(root) || !WriteSampleSky(root) ||
        !WriteSampleModels(root) || !WriteSampleProps(root) || !WriteSampleSounds(root) ||
        !WriteSampleVideos(root) || !WriteSampleLoading(root) || !WriteSampleGraphics2D(root) ||
        !WriteSampleWorld(root) || !WriteSampleLocation(root) || !WriteSampleScripts(root) ||
        !WriteSampleMarkup(root) || !WriteSampleUnits(root) || !WriteSampleMechConfigs(root) ||
        !WriteSampleUnitSounds(root) || !WriteSampleRadar(root) || !WriteSampleCockpit(root) ||
        !WriteSampleWidgets(root) || !WriteSampleMenus(root) || !WriteSampleMainMenu(root) || !WriteSampleNetMap(root) ||
        !WriteSampleTrade(root) || !WriteSampleInput(root) || !WriteSampleMission2(root) || !WriteSampleStartup(root))
        return false;
    if (!WriteSampleOptions(root)) return false;
    if (!WriteSampleMenuNoise(root)) return false;
    if (!WriteSampleInfo(root)) return false;
    if (!WriteSampleTravel(root)) return false;

    return true;
}
