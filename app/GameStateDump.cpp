// The game state as text lines (DumpGameState) and the first difference
// between two dumps.
#include "app/GameStateDump.h"

#include "app/GameData.h"
#include "world/GameWorldState.h"
#include "foundation/FileArchive.h"
#include "foundation/MemStream.h"
#include "hud/radar/Radar.h"
#include "location/Environment.h"
#include "script/game/QuestLog.h"
#include "script/game/ScriptManager.h"
#include "society/GroupAI.h"
#include "society/MechGroup.h"
#include "world/Trade.h"
#include "units/GliderObject.h"
#include "units/Mechanoid.h"
#include "world/Camera.h"
#include "world/MMEngine.h"
#include "world/Mech.h"
#include "world/ObjectList.h"
#include "world/World.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <functional>

namespace
{

__attribute__((format(printf, 2, 3))) void Line(std::vector<std::string>& out, const char* format, ...)
{
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    out.emplace_back(text);
}

void Hex(std::vector<std::string>& out, const std::string& name, const std::uint8_t* data, std::uint32_t size)
{
    Line(out, "%s: %u bytes", name.c_str(), size);
    constexpr std::uint32_t kRow = 32;
    for (std::uint32_t at = 0; at < size; at += kRow)
    {
        std::string row = name + " +" + std::to_string(at) + ":";
        char byte[4];
        for (std::uint32_t i = at; i < at + kRow && i < size; ++i)
        {
            std::snprintf(byte, sizeof byte, " %02x", data[i]);
            row += byte;
        }
        out.push_back(std::move(row));
    }
}

void Record(std::vector<std::string>& out, const char* name, bool present, const std::function<void(CMemStream&)>& write)
{
    if (!present)
    {
        Line(out, "%s: none", name);
        return;
    }
    CMemStream stream;
    write(stream);
    Hex(out, name, stream.m_pData, stream.m_nPosition);
}

// The world's records as it writes them into a saved game, kept in order.
class CRecordList : public IArchive
{
public:
    std::uint32_t GetSize() const override { return sizeof(*this); }
    bool Create(const char*) override { return true; }
    bool Open(const char*) override { return false; }
    bool Close() override { return true; }
    bool ReadRecord(const CGuidKey&, CMemStream&) override { return false; }
    bool WriteRecord(const CGuidKey& key, const CMemStream& data) override
    {
        m_Records.emplace_back(key.name, std::vector<std::uint8_t>(data.m_pData, data.m_pData + data.m_nPosition));
        return true;
    }
    bool HasRecord(const CGuidKey&) override { return false; }
    bool BeginRecord(const CGuidKey&) override { return false; }
    void WriteBytes(const void*, std::uint32_t) override {}
    std::uint32_t ReadBytes(void*, std::uint32_t) override { return 0; }
    bool EndRecord() override { return false; }
    std::uint32_t GetChecksum(const CMemStream&) override { return 0; }

    std::vector<std::pair<std::string, std::vector<std::uint8_t>>> m_Records;
};

} // namespace

std::vector<std::string> DumpGameState()
{
    std::vector<std::string> out;
    Line(out, "time days=%.6g hour=%.6g", double(g_Environment.m_fDays), double(g_Environment.m_fTime));
    Line(out, "camera mode=%d", g_CameraMode);
    Line(out, "player name=%s", g_GameData.m_PlayerName.GetText());
    if (const CGliderObject* glider = g_pPlayerGlider)
    {
        const CVector& p = glider->GetPosition();
        Line(out, "player glider at %.4f %.4f %.4f", double(p.x), double(p.y), double(p.z));
        const CMatrix& m = glider->m_Frame.m_Matrix;
        for (int r = 0; r < 3; ++r)
            Line(out, "player glider row %d: %.5f %.5f %.5f", r, double(m.m[r][0]), double(m.m[r][1]),
                 double(m.m[r][2]));
        if (const CMechanoid* mechanoid = glider->m_pMechanoid)
            Line(out, "player money=%.2f shield=%.3f armour=%.3f energy=%.3f", double(mechanoid->m_Garbage.m_fMoney),
                 double(mechanoid->m_fShield), double(mechanoid->m_fArmor), double(mechanoid->m_fEnergy));
        if (const CMech* mech = glider->m_pMech) Line(out, "player level=%d", mech->m_nLevel);
    }
    else
        Line(out, "player glider: none");

    for (CMMObject* o : g_ObjectList.m_Objects)
    {
        if (!o->m_bSave || !o->m_bAlive) continue;
        const CVector& p = o->GetPosition();
        Line(out, "object type=%d id=%.31s at %.3f %.3f %.3f", o->m_nType, o->m_szGameId, double(p.x), double(p.y),
             double(p.z));
    }

    Record(out, "SCRIPTS", g_pScriptManager != nullptr, [](CMemStream& s) { g_pScriptManager->SaveToStream(s); });
    Record(out, "RADAR", g_pRadar != nullptr, [](CMemStream& s) { g_pRadar->SaveToStream(s); });
    Record(out, "GAMEDATA", true, [](CMemStream& s) { g_GameData.SaveToStream(s); });
    Record(out, "QUESTLOG", g_pQuestLog != nullptr, [](CMemStream& s) { g_pQuestLog->SaveToStream(s); });
    Record(out, "ENV", true, [](CMemStream& s) { g_Environment.SaveToStream(&s); });
    Record(out, "ORGREL", g_pOrgManager != nullptr, [](CMemStream& s) { g_pOrgManager->SaveToStream(s); });
    if (g_pWorld)
    {
        // A load deals the groups' think clocks anew on purpose (loaded
        // groups think out of step): they read 0 here.
        std::vector<float> clocks;
        for (int i = 0; i < g_MechGroupList2.GetCount(); ++i)
            if (CGroupAI* ai = g_MechGroupList2.GetGroup(i)->GetGroupAI())
            {
                clocks.push_back(ai->m_fThinkClock);
                ai->m_fThinkClock = 0.0f;
            }
        CRecordList records;
        g_pWorld->SaveGame(&records);
        std::size_t next = 0;
        for (int i = 0; i < g_MechGroupList2.GetCount(); ++i)
            if (CGroupAI* ai = g_MechGroupList2.GetGroup(i)->GetGroupAI()) ai->m_fThinkClock = clocks[next++];
        for (const auto& [name, bytes] : records.m_Records)
            Hex(out, "world " + name, bytes.data(), std::uint32_t(bytes.size()));
    }
    else
        Line(out, "world: none");
    return out;
}

std::string FirstDifference(const std::vector<std::string>& a, const std::vector<std::string>& b)
{
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i)
        if (a[i] != b[i]) return "line " + std::to_string(i + 1) + ":\n  " + a[i] + "\n  " + b[i];
    if (a.size() > n) return "line " + std::to_string(n + 1) + " only in the first:\n  " + a[n];
    if (b.size() > n) return "line " + std::to_string(n + 1) + " only in the second:\n  " + b[n];
    return "";
}
