// mksample's unit tables in the resource database: a few weapons, pieces of
// equipment and special devices, item modifiers and goods, with the fields
// the units read. One weapon row is marked deleted, as the tables have.
// Also the glider types, the mechanoid configurations with their extra
// equipment, and the sample building's equipment stock (block 5 of the
// objects file).

#include "foundation/DataBase.h"
#include "foundation/MemStream.h"
#include "society/EqpTrade.h"
#include "society/MMTrade.h"
#include "tools/mksample/SampleGarage.h"
#include "platform/CodePage.h"
#include "platform/File.h"
#include "units/UnitTypes.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>

bool WriteSampleUnits(const std::string& root);
bool WriteSampleMechConfigs(const std::string& root);
void WriteSampleEquipmentStock(CMemStream& out);

namespace
{

std::string InRoot(const std::string& root, const char* path)
{
    const std::string base = root[0] == '/' ? root : plat::GetCurrentDirectory() + "/" + root;
    return base + "\\" + path;
}

// One field of a row: an integer, a float or a text.
struct SField
{
    SField(const char* n, int v) : name(n), kind('i'), i(v) {}
    SField(const char* n, double v) : name(n), kind('f'), f(float(v)) {}
    SField(const char* n, const char* v) : name(n), kind('s'), s(v) {}

    const char* name;
    char kind;
    int i = 0;
    float f = 0.0f;
    const char* s = nullptr;
};

struct SRow
{
    const char* name;
    std::initializer_list<SField> fields;
};

bool AddRows(DataBase& db, const char* section, std::initializer_list<SRow> rows)
{
    bool ok = db.SelectTable(section);
    for (const SRow& row : rows)
    {
        ok = ok && db.Append(row.name);
        for (const SField& f : row.fields)
        {
            if (!ok) break;
            ok = f.kind == 'i'   ? db.SetField(f.name, std::int32_t(f.i))
                 : f.kind == 'f' ? db.SetField(f.name, f.f)
                                 : db.SetField(f.name, f.s);
        }
        ok = ok && db.Post();
    }
    return ok;
}

// The sample glider type and the player's fitting: a configuration row
// of the glider, its guns, drive, shield and armour and a rocket stock.
bool AddSampleGlider(DataBase& db)
{
    using namespace unit_sections;
    static const char* const kConfigurations =
        "\xca\xee\xed\xf4\xe8\xe3\xf3\xf0\xe0\xf6\xe8\xe8"; // Конфигурации
    return AddRows(db, kGliders,
                   {
                       {"GL_SAMPLE",
                        {{"Model", "MOD_GL_SAMPLE"},
                         {"WEIGHT", 100.0},
                         {"MAXWEIGHT", 800.0},
                         {"STANDARD", 1},
                         {"DAMAGE", 500.0},
                         {"RESFRONT", 1.2},
                         {"RESSIDE", 3.0},
                         {"RESTOP", 1.5},
                         {"TURBULENCE", 9.0},
                         {"STABFRONT", 50.0},
                         {"STABSIDE", 50.0},
                         {"ROTATESPEED", 120.0},
                         {"CAREEN", 10.0},
                         {"DELTAT", 10.0},
                         {"PRICE", 10000.0},
                         // A light gun in front, a heavy one behind.
                         {"GUNMASK", 0x201}}},
                   }) &&
           AddRows(db, kConfigurations,
                   {
                       {"CFG_SAMPLE_PLAYER",
                        {{"RATING", 1},
                         {"GLIDER", "GL_SAMPLE"},
                         {"LIGHTGUN1", "GUN_BLASTER"},
                         {"HEAVYGUN1", ""},
                         {"REACTOR", "REACTOR_GLIDER"},
                         {"ENGINE", "ENGINE_GLIDER"},
                         {"SHIELD", "SHIELD_SMALL"},
                         {"ARMOR", "ARMOR_SMALL"},
                         {"NAME_MISSILE1", "MIS_ROCKET"},
                         {"COUNT_MISSILE1", 20}}},
                       // The fitting of the sample's patrolling gliders of the world.
                       {"MECH_PATROL",
                        {{"RATING", 1},
                         {"GLIDER", "GL_SAMPLE"},
                         {"LIGHTGUN1", "GUN_BLASTER"},
                         {"HEAVYGUN1", ""},
                         {"REACTOR", "REACTOR_GLIDER"},
                         {"ENGINE", "ENGINE_GLIDER"},
                         {"SHIELD", "SHIELD_SMALL"},
                         {"ARMOR", "ARMOR_SMALL"},
                         {"NAME_MISSILE1", "MIS_ROCKET"},
                         {"COUNT_MISSILE1", 10}}},
                   });
}

bool AddUnitTables(DataBase& db)
{
    using namespace unit_sections;
    return AddRows(db, kWeapons,
                   {
                       // The guns fire from their model's muzzle points
                       // and flash there.
                       {"GUN_LASER",
                        {{"Model", "MOD_GUN_SAMPLE"},
                         {"FXMODEL", "MOD_FX_FLASH"},
                         {"FXMODELTIME", 0.1},
                         {"TYPE", 0},
                         {"ShootType", 1},
                         {"RATEOFFIRE", 300.0},
                         {"DAMAGE", 12.0},
                         {"DAMAGETYPE", 1},
                         {"POWER", 1.5},
                         {"PRICE", 1500.0},
                         {"WEIGHT", 15.0},
                         {"MAXDISTANCE", 600.0},
                         {"RColor", 1.0},
                         {"GColor", 0.2}}},
                       {"GUN_BLASTER",
                        {{"Model", "MOD_GUN_SAMPLE"},
                         {"FXMODEL", "MOD_FX_FLASH"},
                         {"FXMODEL2", "MOD_FX_FLASH"},
                         {"FXMODELTIME", 0.1},
                         {"EXPLO", "EXP_BLASTER"},
                         {"TYPE", 1},
                         {"ShootType", 1},
                         {"ShootTex", "TEX_BOX"},
                         {"ShootScale", 6.0},
                         {"XSTATE", 3},
                         {"RATEOFFIRE", 300.0},
                         {"DAMAGE", 10.0},
                         {"DAMAGETYPE", 0},
                         {"POWER", 1.0},
                         {"PRICE", 1200.0},
                         {"WEIGHT", 15.0},
                         {"MAXDISTANCE", 600.0},
                         {"RColor", 0.3},
                         {"GColor", 1.0},
                         {"BColor", 0.4}}},
                       {"GUN_ROCKET_LAUNCHER",
                        {{"Model", "MOD_GUN_SAMPLE"},
                         {"FXMODEL", "MOD_FX_FLASH"},
                         {"TYPE", 1},
                         {"ShootType", 2},
                         {"MISSILE", "MIS_ROCKET"},
                         {"RATEOFFIRE", 60.0},
                         {"TYPEARMS", 1},
                         {"SPARE", 20.0},
                         {"PRICE", 4000.0},
                         {"WEIGHT", 40.0}}},
                       {"GUN_PLASMA",
                        {{"TYPE", 1},
                         {"ShootType", 0},
                         {"RATEOFFIRE", 90.0},
                         {"DAMAGE", 30.0},
                         {"POWER", 4.0},
                         {"TFIRE", 6.0},
                         {"PRICE", 2500.0}}},
                       {"GUN_OLD", {{"TYPE", 1}, {"DELETED", 1}}},
                       {"GUN_BOMBER",
                        {{"TYPE", 2},
                         {"ShootType", 4},
                         {"MISSILE", "MIS_BOMB"},
                         {"RATEOFFIRE", 30.0},
                         {"POWER", 5.0},
                         {"PRICE", 3000.0}}},
                       {"GUN_IMPULSE",
                        {{"TYPE", 3},
                         {"ShootType", 5},
                         {"MISSILE", "MIS_PLASMA"},
                         {"RATEOFFIRE", 120.0},
                         {"POWER", 2.0},
                         {"PRICE", 2000.0}}},
                       {"GUN_FAN",
                        {{"TYPE", 2},
                         {"ShootType", 9},
                         {"MISSILE", "MIS_PLASMA"},
                         {"XSTATE", 5},
                         {"ANGLE", 40.0},
                         {"RATEOFFIRE", 60.0},
                         {"POWER", 3.0},
                         {"PRICE", 3500.0}}},
                       {"GUN_MINELAYER",
                        {{"TYPE", 4},
                         {"ShootType", 2},
                         {"MISSILE", "MIS_MINE"},
                         {"RATEOFFIRE", 20.0},
                         {"TYPEARMS", 1},
                         {"SPARE", 10.0},
                         {"PRICE", 2500.0}}},
                   }) &&
           AddRows(db, kMissiles,
                   {
                       // A rocket trails smoke.
                       {"MIS_ROCKET",
                        {{"PRICE", 60.0},
                         {"Model", "MOD_BOX"},
                         {"TAIL_MODEL", "MOD_FX_ROCKET_SMOKE"},
                         {"TYPE", 2},
                         {"SPEED", 150.0},
                         {"DAMAGE", 40.0},
                         {"DAMAGETYPE", 1},
                         {"WEIGHT", 2.0},
                         {"T", 3.0},
                         {"ROTATE", 0.0},
                         {"LIFE_TIME", 6.0},
                         {"STRENGTH", 10.0},
                         {"DISTANCE_DETONATION", 10.0},
                         {"EXPLO", "EXP_SMALL"}}},
                       {"MIS_PLASMA",
                        {{"Texture", "TEX_BOX"},
                         {"Texture2", "TEX_BOX"},
                         {"TYPE", 1},
                         {"SPEED", 300.0},
                         {"DAMAGE", 8.0},
                         {"DAMAGETYPE", 2},
                         {"SCALE", 1.5},
                         {"LIFE_TIME", 2.0}}},
                       {"MIS_BOMB",
                        {{"TYPE", 4},
                         {"SUBTYPE", 3},
                         {"NUMSTATE", 4},
                         {"SUBMISSILE", "MIS_PLASMA"},
                         {"SPEED", 50.0},
                         {"WEIGHT", 3.0},
                         {"LIFE_TIME", 10.0},
                         {"EXPLO", "EXP_SMALL"}}},
                       {"MIS_SPHERE",
                        {{"Texture", "TEX_BOX"},
                         {"TYPE", 8},
                         {"SPEED", 100.0},
                         {"SCALE", 6.0},
                         {"LIFE_TIME", 4.0}}},
                       {"MIS_MINE",
                        {{"PRICE", 90.0},
                         {"Model", "MOD_MINE"},
                         {"TYPE", 9},
                         {"WEIGHT", 4.0},
                         {"LIFE_TIME", 120.0},
                         {"DISTANCE_DETONATION", 25.0},
                         {"DETONATION_DELAY", 0.5},
                         {"STRENGTH", 5.0},
                         {"EXPLO", "EXP_MINE"}}},
                   }) &&
           // An explosion type for each weapon's hits: the rocket's and the
           // bomb's (fireball, sparks, shock shell, smoke ring, splinters and
           // a scorch mark), the blaster beam's spark, the mine's, a
           // destroyed glider's, and the two the missiles fall back on.
           AddRows(
               db, kExplosions,
               {
                   {"EXP_SMALL",
                    {{"DAMAGE", 25.0},       {"DAMAGETYPE", 1},        {"RADIUS", 20.0},
                     {"IMPULSE", 50.0},      {"LIGHTRADIUS", 60.0},    {"LIGHTCOLOR", 0xFF8020},
                     {"TYPE0", 1},           {"TEXTURE0", "TEX_FX_FIREBALL"},
                     {"XSTATE0", 4},         {"YSTATE0", 4},           {"DURATION0", 0.8},
                     {"HIDETIME0", 0.3},     {"SCALE0", 4.0},          {"SCALE2_0", 14.0},
                     {"ADD0", 1},            {"TYPE1", 5},             {"TEXTURE1", "TEX_FX_SPARK"},
                     {"NUM1", 12},           {"SPEED1", 40.0},         {"DURATION1", 1.0},
                     {"SCALE1", 0.5},        {"SCALE2_1", 1.5},        {"ADD1", 1},
                     {"TYPE2", 11},          {"NUM2", 4},              {"SPEED2", 30.0},
                     {"DURATION2", 0.5},     {"SCALE2", 0.5},          {"SCALE2_2", 1.0},
                     {"MODEL2", "MOD_BOX"},  {"XTYPE2", 2},            {"TYPE3", 8},
                     {"TEXTURE3", "TEX_FX_SHOCK"},                     {"NUM3", 3},
                     {"SCALE3", 12.0},       {"DURATION3", 0.4},       {"OPACITY3", 0.6},
                     {"ADD3", 1},            {"TYPE4", 9},             {"TEXTURE4", "TEX_FX_ROCKET_SMOKE"},
                     {"NUM4", 21},           {"SCALE4", 3.0},          {"SCALE2_4", 9.0},
                     {"SPEED4", 10.0},       {"DELAY4", 0.1},          {"DURATION4", 2.0},
                     {"TYPE5", 3},           {"TEXTURE5", "TEX_FX_SCORCH"},
                     {"SCALE5", 10.0},       {"DURATION5", 8.0},       {"HIDETIME5", 0.2}}},
                   {"EXP_BLASTER",
                    {{"LIGHTRADIUS", 15.0},  {"LIGHTCOLOR", 0x60FF80}, {"TYPE0", 2},
                     {"TEXTURE0", "TEX_FX_FLASH"},                     {"XSTATE0", 2},
                     {"YSTATE0", 2},         {"DURATION0", 0.2},       {"SCALE0", 3.0},
                     {"SCALE2_0", 1.0},      {"ADD0", 1},              {"RANDOMPHASE0", 1},
                     {"TYPE1", 7},           {"TEXTURE1", "TEX_FX_SPARK"},
                     {"NUM1", 6},            {"SPEED1", 60.0},         {"SCALE1", 0.6},
                     {"DURATION1", 0.4}}},
                   {"EXP_MINE",
                    {{"DAMAGE", 60.0},       {"DAMAGETYPE", 1},        {"RADIUS", 25.0},
                     {"IMPULSE", 80.0},      {"LIGHTRADIUS", 50.0},    {"LIGHTCOLOR", 0xFF6010},
                     {"TYPE0", 1},           {"TEXTURE0", "TEX_FX_FIREBALL"},
                     {"XSTATE0", 4},         {"YSTATE0", 4},           {"DURATION0", 0.7},
                     {"SCALE0", 6.0},        {"SCALE2_0", 16.0},       {"ADD0", 1},
                     {"TYPE1", 6},           {"TEXTURE1", "TEX_FX_ROCKET_SMOKE"},
                     {"NUM1", 12},           {"SPEED1", 20.0},         {"SCALE1", 4.0},
                     {"DURATION1", 1.2},     {"MAPCOLOR1", 1},         {"TYPE2", 4},
                     {"TEXTURE2", "TEX_FX_SCORCH"},                    {"SCALE2", 12.0},
                     {"DURATION2", 10.0},    {"HIDETIME2", 0.2}}},
                   {"EXP_GLIDER_01",
                    {{"LIGHTRADIUS", 80.0},  {"LIGHTCOLOR", 0xFFA040}, {"TYPE0", 1},
                     {"TEXTURE0", "TEX_FX_FIREBALL"},                  {"XSTATE0", 4},
                     {"YSTATE0", 4},         {"DURATION0", 1.0},       {"SCALE0", 8.0},
                     {"SCALE2_0", 20.0},     {"ADD0", 1},              {"TYPE1", 11},
                     {"NUM1", 6},            {"SPEED1", 40.0},         {"DURATION1", 0.4},
                     {"SCALE1", 0.6},        {"SCALE2_1", 1.2},        {"MODEL1", "MOD_BOX"},
                     {"XTYPE1", 1},          {"TYPE2", 10},            {"NUM2", 2},
                     {"ID1_2", "EXP_SMALL"}, {"SCALE2", 3.0},          {"SCALE2_2", 6.0},
                     {"DURATION2", 0.6}}},
                   {"EXP_GLIDER_02",
                    {{"LIGHTRADIUS", 80.0},  {"LIGHTCOLOR", 0xFFA040}, {"TYPE0", 1},
                     {"TEXTURE0", "TEX_FX_FIREBALL"},                  {"XSTATE0", 4},
                     {"YSTATE0", 4},         {"DURATION0", 1.2},       {"SCALE0", 10.0},
                     {"SCALE2_0", 24.0},     {"ADD0", 1},              {"TYPE1", 11},
                     {"NUM1", 8},            {"SPEED1", 50.0},         {"DURATION1", 0.5},
                     {"SCALE1", 0.6},        {"SCALE2_1", 1.4},        {"MODEL1", "MOD_BOX"},
                     {"XTYPE1", 1}}},
                   {"EXP_DEFAULT", {{"DAMAGE", 10.0}, {"RADIUS", 10.0}, {"TYPE0", 1}, {"DURATION0", 0.4},
                                    {"TEXTURE0", "TEX_FX_FIREBALL"}, {"XSTATE0", 4}, {"YSTATE0", 4},
                                    {"SCALE0", 3.0}, {"SCALE2_0", 8.0}, {"ADD0", 1}}},
                   {"EXP_WATER", {{"TYPE0", 6}, {"NUM0", 16}, {"SPEED0", 20.0}, {"DURATION0", 0.8},
                                  {"TEXTURE0", "TEX_FX_ROCKET_SMOKE"}, {"SCALE0", 2.0}}},
               }) &&
           AddRows(
               db, kEquipment,
               {
                   {"REACTOR_SMALL",
                    {{"TYPE", 1},
                     {"VALUE1", 8.0},
                     {"DAMAGE", 150.0},
                     {"WEIGHT", 60.0},
                     {"PRICE", 800.0},
                     {"STANDARD", 1}}},
                   {"ENGINE_SMALL",
                    {{"TYPE", 4},
                     {"POWER", 3.0},
                     {"VALUE1", 120.0},
                     {"DAMAGE", 150.0},
                     {"WEIGHT", 50.0},
                     {"PRICE", 700.0}}},
                   {"SHIELD_SMALL",
                    {{"TYPE", 2},
                     {"VALUE1", 80.0},
                     {"VALUE2", 40.0},
                     {"VALUE3", 6.0},
                     {"POWER", 1.0},
                     {"DAMAGE", 100.0},
                     {"WEIGHT", 20.0},
                     {"PRICE", 600.0}}},
                   {"ARMOR_SMALL",
                    {{"TYPE", 3},
                     {"VALUE1", 15.0},
                     {"VALUE3", 3.0},
                     {"POWER", 0.5},
                     {"DAMAGE", 200.0},
                     {"WEIGHT", 80.0},
                     {"PRICE", 500.0}}},
                   // The sample glider's drive: strong enough to carry it
                   // over the hills at about 120 units a second.
                   {"REACTOR_GLIDER",
                    {{"TYPE", 1},
                     {"VALUE1", 60.0},
                     {"VALUE2", 40.0},
                     {"DAMAGE", 200.0},
                     {"WEIGHT", 60.0},
                     {"PRICE", 1500.0},
                     {"STANDARD", 1}}},
                   {"ENGINE_GLIDER",
                    {{"TYPE", 4},
                     {"POWER", 3.0},
                     {"VALUE1", 40000.0},
                     {"DAMAGE", 200.0},
                     {"WEIGHT", 50.0},
                     {"PRICE", 1400.0}}},
                   {"EQP_ACCUMULATOR", {{"TYPE", 0}, {"POWER", 0.2}, {"WEIGHT", 10.0}, {"PRICE", 1200.0}}},
                   {"EQP_BOOSTER",
                    {{"TYPE", 5}, {"POWER", 0.5}, {"MANUAL", 1}, {"SHOWONCOCKPIT", 1}, {"PRICE", 2000.0}}},
               }) &&
           AddRows(db, kModifiers,
                   {
                       {"MOD_GUN_RATE_1",
                        {{"UNICUM_ID", 0x2001},
                         {"K_INCREASE_1_PAR", 1.25},
                         {"K_DECREASE_2_PAR", 0.9},
                         {"K_CHANGE_PRICE", 1.3},
                         {"PROBABILITY", 0.1},
                         {"MASK", 1}}},
                       {"MOD_REACTOR_1",
                        {{"UNICUM_ID", 0x3001},
                         {"K_INCREASE_1_PAR", 1.2},
                         {"K_DECREASE_2_PAR", 0.8},
                         {"K_CHANGE_PRICE", 1.5},
                         {"PROBABILITY", 0.05}}},
                       {"MOD_SHIELD_1",
                        {{"UNICUM_ID", 0x5001},
                         {"K_INCREASE_1_PAR", 1.3},
                         {"K_DECREASE_2_PAR", 0.85},
                         {"K_CHANGE_PRICE", 1.4},
                         {"PROBABILITY", 0.05}}},
                   }) &&
           AddRows(db, kGliders,
                   {
                       {"GL_SCOUT",
                        {{"Model", "MOD_GL_SCOUT"},
                         {"WEIGHT", 120.0},
                         {"MAXWEIGHT", 500.0},
                         {"STANDARD", 3},
                         {"DAMAGE", 300.0},
                         {"RESFRONT", 0.2},
                         {"RESSIDE", 0.6},
                         {"RESTOP", 0.8},
                         {"TURBULENCE", 4.0},
                         {"STABFRONT", 1.5},
                         {"STABSIDE", 1.2},
                         {"ROTATESPEED", 2.0},
                         {"CAREEN", 10.0},
                         {"DELTAT", 5.0},
                         {"PRICE", 6000.0},
                         {"RESTORE", 1.0},
                         {"SPECIAL", 0},
                         {"GUNMASK", 0}}},
                       {"GL_HAULER",
                        {{"Model", "MOD_GL_HAULER"},
                         {"WEIGHT", 200.0},
                         {"MAXWEIGHT", 900.0},
                         {"STANDARD", 2},
                         {"DAMAGE", 250.0},
                         {"ROTATESPEED", 1.0},
                         {"PRICE", 4000.0},
                         {"SPECIAL", 2}}},
                   }) &&
           AddRows(db, kGoods,
                   {
                       {"TOV_ORE", {{"MASSA", 2}, {"PRICE", 15.0}, {"TYPE", 0}, {"Model", "MOD_TOV_ORE"}}},
                       {"TOV_FOOD", {{"MASSA", 1}, {"PRICE", 40.0}, {"TYPE", 1}, {"Model", "MOD_TOV_FOOD"}}},
                       {"TOV_MECHANOID", {{"MASSA", 50}, {"NOTRADE", 1}, {"TYPE", 2}}},
                   }) &&
           AddSampleGlider(db) &&
           // "Организации": the two clans of the sample location besides the
           // free pilots and the player's organisation.
           AddRows(db, "\xce\xf0\xe3\xe0\xed\xe8\xe7\xe0\xf6\xe8\xe8",
                   {
                       {"ORG_FREE", {{"ICON", 0}, {"COLOR", 0x808080}, {"HELPNESS", 0}, {"VOLATILE", 0.5}}},
                       {"ORG_PLAYER", {{"ICON", 1}, {"COLOR", 0x00FF00}, {"HELPNESS", 50}, {"VOLATILE", 1.0}}},
                       {"ORG_SAMPLE",
                        {{"ICON", 2}, {"COLOR", 0xFF4020}, {"ICO_MODEL", "MOD_BOX"}, {"HELPNESS", 30},
                         {"VOLATILE", 1.5}}},
                       {"ORG_MERCHANTS",
                        {{"ICON", 3}, {"COLOR", 0x2040FF}, {"HELPNESS", 80}, {"VOLATILE", 0.8}}},
                   });
}

// Two mechanoid configurations on the unit tables' glider types:
// "MECH_LIGHT", which the sample groups' members are fitted from, with both
// guns, missiles and two extra devices; "MECH_TRADER", not traded, on a hull
// with one gun mount. "CfgEquipment" has one row marked deleted.
bool AddMechConfigTables(DataBase& db)
{
    using namespace unit_sections;
    return AddRows(db, kConfigurations,
                   {
                       {"MECH_LIGHT",
                        {{"RATING", 2},
                         {"GLIDER", "GL_SCOUT"},
                         {"LIGHTGUN1", "GUN_LASER"},
                         {"HEAVYGUN1", "GUN_ROCKET_LAUNCHER"},
                         {"REACTOR", "REACTOR_SMALL"},
                         {"ENGINE", "ENGINE_SMALL"},
                         {"SHIELD", "SHIELD_SMALL"},
                         {"ARMOR", "ARMOR_SMALL"},
                         {"NAME_MISSILE1", "MIS_ROCKET"},
                         {"COUNT_MISSILE1", 20},
                         {"NAME_MISSILE2", "MIS_MINE"},
                         {"COUNT_MISSILE2", 5}}},
                       {"MECH_TRADER",
                        {{"RATING", 1},
                         {"NO_TRADING", 1},
                         {"GLIDER", "GL_HAULER"},
                         {"LIGHTGUN1", "GUN_LASER"},
                         {"REACTOR", "REACTOR_SMALL"},
                         {"ENGINE", "ENGINE_SMALL"},
                         {"ARMOR", "ARMOR_SMALL"}}},
                   }) &&
           AddRows(db, kCfgEquipment,
                   {
                       {"CFGEQP_1", {{"CFG", "MECH_LIGHT"}, {"EQP", "EQP_ACCUMULATOR"}}},
                       {"CFGEQP_2", {{"CFG", "MECH_LIGHT"}, {"EQP", "EQP_BOOSTER"}}},
                       {"CFGEQP_3", {{"CFG", "MECH_TRADER"}, {"EQP", "EQP_BOOSTER"}, {"DELETED", 1}}},
                   });
}

SEqpItem StockItem(const char* name, std::uint32_t kind, std::uint32_t modif, float price, std::int32_t count,
                   float rate)
{
    SEqpItem item;
    std::snprintf(item.m_szName, sizeof item.m_szName, "%s", name);
    item.m_dwKind = kind;
    item.m_dwModif = modif;
    item.m_fPrice = price;
    item.m_nCount = count;
    item.m_fRate = rate;
    return item;
}

} // namespace

// Block 5 of the sample objects file: the common offer is what
// "MECH_LIGHT" is made of, and the sample building "SAMPLE_HALL" has a
// rocket launcher and a booster of its own, and a modified reactor that
// comes back now and then.
void WriteSampleEquipmentStock(CMemStream& out)
{
    CEqpTrade stock;
    stock.m_Common = {
        StockItem("GL_SCOUT", 1, 0, 6000.0f, -1, 0.0f),     StockItem("GUN_LASER", 3, 0, 1500.0f, -1, 0.0f),
        StockItem("REACTOR_SMALL", 2, 0, 800.0f, -1, 0.0f), StockItem("ENGINE_SMALL", 2, 0, 700.0f, -1, 0.0f),
        StockItem("SHIELD_SMALL", 2, 0, 600.0f, -1, 0.0f),  StockItem("ARMOR_SMALL", 2, 0, 500.0f, -1, 0.0f),
        StockItem("MIS_ROCKET", 4, 0, 60.0f, -1, 0.0f)};
    stock.m_Buildings.push_back({"SAMPLE_HALL",
                                 {StockItem("GUN_ROCKET_LAUNCHER", 3, 0, 4000.0f, 2, 1.0f),
                                  StockItem("EQP_BOOSTER", 2, 0, 2000.0f, 1, 0.0f),
                                  StockItem("REACTOR_SMALL", 2, 0x3001, 1200.0f, 1, 0.5f)}});
    AddSampleGarageStock(stock);
    stock.SaveToStream(out);
}

// Block 2 of the sample objects file: the sample building "SAMPLE_HALL"
// buys ore and sells food (stocks are drawn when the location loads).
void WriteSampleGoodsTrade(CMemStream& out)
{
    CMMTrade trade;
    SExBuildingTrade* hall = trade.AddBuilding("SAMPLE_HALL");
    STradeGood ore;
    std::strcpy(ore.m_szName, "TOV_ORE");
    ore.m_fUnitMass = 2.0f;
    ore.m_fBuyPrice = 15.0f;
    STradeGood food;
    std::strcpy(food.m_szName, "TOV_FOOD");
    food.m_fUnitMass = 1.0f;
    food.m_fSellPrice = 40.0f;
    food.m_nClass = 1;
    hall->m_Goods = {ore, food};
    // The depot the other way round: it digs ore and feeds on food.
    SExBuildingTrade* depot = trade.AddBuilding("SAMPLE_DEPOT");
    ore.m_fBuyPrice = 0.0f;
    ore.m_fSellPrice = 12.0f;
    food.m_fSellPrice = 0.0f;
    food.m_fBuyPrice = 50.0f;
    depot->m_Goods = {ore, food};
    trade.SaveToStream(out);
}

// Called after the unit tables are written.
bool WriteSampleMechConfigs(const std::string& root)
{
    DataBase db;
    const bool ok =
        db.OpenDatabase(InRoot(root, "Data\\DB.dat").c_str(), false, false) && AddMechConfigTables(db);
    if (!db.CloseDatabase() || !ok)
    {
        std::fprintf(stderr, "mksample: cannot add the glider and configuration tables to Data\\DB.dat\n");
        return false;
    }
    return true;
}

// Called after the database is written.
bool WriteSampleUnits(const std::string& root)
{
    DataBase db;
    const bool ok = db.OpenDatabase(InRoot(root, "Data\\DB.dat").c_str(), false, false) && AddUnitTables(db);
    if (!db.CloseDatabase() || !ok)
    {
        std::fprintf(stderr, "mksample: cannot add the unit tables to Data\\DB.dat\n");
        return false;
    }
    return true;
}
