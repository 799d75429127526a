// Id keys and the application's class registration: names cut to 31
// characters, keys compared by id once both are resolved, and the game's
// script object registered over the script module's under the same index.
#include "app/AppClasses.h"

#include "foundation/ClassFactory.h"
#include "foundation/GuidKey.h"
#include "script/Script.h"
#include "script/game/QuestLog.h"
#include "script/game/ScriptManager.h"
#include "script/game/TextDatabase.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace
{

TEST(GuidKey, NamesAreCutTo31Characters)
{
    const std::string name31(31, 'a'), name32(32, 'b');
    CGuidKey key;
    MakeGuidKey(&key, name31.c_str());
    EXPECT_EQ(std::string(key.name), name31);
    EXPECT_EQ(key.id, CGuidKey::kUnresolved);
    MakeGuidKey(&key, name32.c_str());
    EXPECT_EQ(std::string(key.name), name32.substr(0, 31));
    // "IGUID_" and two class names that differ only after their 25th
    // character give equal keys.
    CGuidKey a, b;
    MakeGuidKeyConcat(&a, "IGUID_", "CAVeryLongClassNameOfOurs1");
    MakeGuidKeyConcat(&b, "IGUID_", "CAVeryLongClassNameOfOurs2");
    EXPECT_EQ(std::string(a.name).size(), 31u);
    EXPECT_TRUE(a == b);
    // Resolved keys compare by id, whatever their names.
    a.id = 4;
    b.id = 4;
    MakeGuidKey(&b, "IGUID_Other");
    b.id = 4;
    EXPECT_TRUE(a == b);
}

class AppClasses : public ::testing::Test
{
protected:
    void SetUp() override { ResetClassRegistry(); }
    // The application's own tests register everything again when they start.
    void TearDown() override { ResetClassRegistry(); }
};

TEST_F(AppClasses, TheGameScriptKeepsTheScriptModulesIndex)
{
    RegisterScriptClasses();
    const int scriptIndex = FindClassIndex("IGUID_IScript");
    ASSERT_GE(scriptIndex, 0);
    RegisterAppClasses();
    EXPECT_EQ(FindClassIndex("IGUID_IScript"), scriptIndex);
    std::unique_ptr<IBaseInterface> script(CreateClassInstance(scriptIndex));
    EXPECT_NE(dynamic_cast<CGameScript*>(script.get()), nullptr);
    // The application's services; the screens come from the menus library.
    for (const char* id : {"IGUID_ITextDB", "IGUID_IScriptManager", "IGUID_IQuestLog"})
        EXPECT_GE(FindClassIndex(id), 0) << id;
    std::unique_ptr<IBaseInterface> db(CreateClassInstance(FindClassIndex("IGUID_ITextDB")));
    EXPECT_NE(dynamic_cast<CTextDB*>(db.get()), nullptr);
    EXPECT_EQ(FindClassIndex(kMainScreenId), -1);
}

} // namespace
