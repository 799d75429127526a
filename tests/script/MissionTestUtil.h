// A recording fake of the world the mission procedures act on, and a
// fixture that compiles mission scripts into a temporary SCRIPT\bin\.
#pragma once

#include "common/LogDirTest.h"

#include "script/MMScriptManager.h"
#include "tools/mksample/SampleScripts.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace missiontest
{

class CFakeWorld : public IMissionWorld
{
public:
    float GameClock() override { return clock; }
    double EngineTime() override { return engineTime; }
    void PlaySound(const char* name) override { sounds.push_back(name); }
    float PlayerMoney() override { return money; }
    void AddPlayerMoney(float amount) override { money += amount; }
    int PlayerRatingLevel() override { return rating; }
    std::string PlayerOrganisation() override { return organisation; }
    std::string PlayerGliderType() override { return glider; }
    bool PlayerHasEquipment(const char* name) override { return equipment.count(name) != 0; }
    int CargoMechanoids(const char* name) override
    {
        int n = 0;
        for (const std::string& mech : mechanoids)
            n += !name || mech == name;
        return n;
    }
    int CargoGoods(const char* name) override { return goods.count(name) ? goods[name] : 0; }
    bool GiveObject(const char* name, int count) override
    {
        goods[name] += count;
        return true;
    }
    void RemoveGoods(const char* name, int count) override { goods[name] -= count; }
    bool PlayerBadlyDamaged() override { return badlyDamaged; }
    bool PlayerDamaged() override { return damaged; }
    void KillPlayer() override { ++deaths; }
    bool IsPaused() override { return paused; }
    void TogglePause() override { paused = !paused; }
    int RunSpecialAction(int action) override { return specialAction ? specialAction(action) : 0; }
    bool TaskExistSwitch() override { return taskSwitch; }
    void OnTimerRun() override { ++timerRuns; }
    EShowResult ShowObject(const char* name, bool show) override
    {
        shown[name] = show;
        return objects.count(name) ? kShowObject : kShowNotFound;
    }
    void Mark(const char* name) override { marks.push_back(std::string("+") + name); }
    void Unmark(const char* name) override { marks.push_back(std::string("-") + name); }
    bool HasGroup(const char* name) override { return groups.count(name) != 0; }
    bool HasSystemPoint(const char* name) override { return points.count(name) != 0; }

    float clock = 1.0f;
    double engineTime = 0.0;
    std::vector<std::string> sounds;
    float money = 0.0f;
    int rating = 1;
    std::string organisation = "ORG_PLAYER";
    std::string glider = "GLIDER_HORNET_X2";
    std::map<std::string, int> equipment;
    std::vector<std::string> mechanoids;
    std::map<std::string, int> goods;
    bool badlyDamaged = false, damaged = false, paused = false, taskSwitch = false;
    int deaths = 0, timerRuns = 0;
    std::function<int(int)> specialAction;
    std::map<std::string, bool> shown;
    std::map<std::string, int> objects, groups, points;
    std::vector<std::string> marks;
};

class CMissionTest : public testutil::CLogDirTest
{
protected:
    void SetUp() override
    {
        CLogDirTest::SetUp();
        std::filesystem::create_directories(m_dir / "SCRIPT" / "bin");
        m_root = m_dir.string();
        m_manager.SetBaseDirectory((m_root + "\\").c_str());
        m_manager.SetWorld(&m_world);
        m_manager.Init();
    }
    // Compiles a mission script as SCRIPT\bin\<name><extension>.
    void Script(const std::string& name, const std::string& source, const char* extension = ".qst")
    {
        ASSERT_TRUE(WriteMissionScript(m_root, name, extension, source));
    }
    std::vector<std::string> MessageKeys() const
    {
        std::vector<std::string> keys;
        for (int i = 0; i < m_manager.MessageCount(); ++i)
            keys.emplace_back(m_manager.Message(i).key);
        return keys;
    }

    std::string m_root;
    CFakeWorld m_world;
    CMMScriptManager m_manager;
};

} // namespace missiontest
