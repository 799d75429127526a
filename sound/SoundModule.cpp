#include "sound/SoundModule.h"

#include "foundation/ClassFactory.h"
#include "sound/SoundMusic.h"

std::uint32_t g_IMusicClass = 0xFFFFFFFFu;

namespace
{

IBaseInterface* CreateMusicOgg()
{
    return new CSoundMusicOGG;
}

} // namespace

void RegisterSoundClasses()
{
    RegisterClassFactory(&g_IMusicClass, &CreateMusicOgg, "IGUID_IMusic");
}
