#include "app/AppClasses.h"

#include "foundation/ClassFactory.h"
#include "foundation/FileManager.h"
#include "foundation/GuidKey.h"
#include "foundation/InputDevice.h"
#include "graphics/ResourceEngine.h"
#include "script/Script.h"
#include "script/game/QuestLog.h"
#include "script/game/ScriptManager.h"
#include "script/game/TextDatabase.h"
#include "society/EqpTrade.h"
#include "sound/SoundModule.h"
#include "ui/UI.h"

void RegisterAppClasses()
{
    RegisterBaseClasses();
    RegisterInputClasses();
    RegisterFileClasses();
    RegisterEngineClasses();
    RegisterScriptClasses();
    RegisterUIClasses();
    RegisterTradeClasses();
    // The sound module's registration comes last of the modules.
    RegisterSoundClasses();
    RegisterTextDBClass();
    // "IGUID_IScriptManager", and "IGUID_IScript" again: the game's script
    // object, whose built-in calls reach the game script manager.
    RegisterGameScriptClasses();
    RegisterQuestLogClass();
}

int FindClassIndex(const char* id)
{
    CGuidKey key;
    MakeGuidKey(&key, id);
    return ResolveClassIndex(key);
}
