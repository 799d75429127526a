// SampleVideo.cpp: the sample tree's videos: the four logo videos (the
// first with sound) and the main menu's background video, short clips written with FFmpeg's encoders
// (FFV1 in Matroska under the game's ".bik" names; the player finds the
// container by content).
#include "platform/video/VideoWriter.h"

#include <cstdio>
#include <string>

bool WriteSampleVideos(const std::string& root)
{
    struct SVideoFile
    {
        const char* name;
        std::uint32_t frames;
        bool sound;
    };
    const SVideoFile files[] = {{"Data\\Video\\logo0.bik", 30, true},
                                {"Data\\Video\\logo1.bik", 8, false},
                                {"Data\\Video\\logo2.bik", 8, false},
                                {"Data\\Video\\logo3.bik", 8, false},
                                {"Data\\Video\\menu.bik", 15, false}};
    for (const SVideoFile& f : files)
    {
        plat::video::SVideoWriteParams params;
        params.width = 320;
        params.height = 240;
        params.frames = f.frames;
        params.framesPerSecond = 15;
        params.withSound = f.sound;
        std::string error;
        const std::string path = root + "\\" + f.name;
        if (!plat::video::WriteTestVideo(path.c_str(), params, &error))
        {
            std::fprintf(stderr, "mksample: %s: %s\n", path.c_str(), error.c_str());
            return false;
        }
    }
    return true;
}
