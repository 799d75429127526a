// The recipe table of the 62 techniques: names, classes and messages here,
// the variants in the family files (TechniqueCatalogue_*.cpp).

#include "graphics/TechniqueBuilder.h"

#include <string>

namespace
{
const char* const kNames[kTechniqueCount] = {
    "SHADER_NORMAL",
    "SHADER_SPECMAP",
    "SHADER_ALPHA_SI",
    "SHADER_ALPHA_SI_ADD",
    "SHADER_SPECMAP_ALPHA",
    "SHADER_BUMP_ENV",
    "SHADER_ALPHA_NORMAL_NOCULL",
    "SHADER_SHADOW",
    "SHADER_OBJ_DETAILS",
    "SHADER_FIRE",
    "SHADER_ALPHA_COLOR_NOCULL",
    "SHADER_ALPHA_EFFECT_NOLIGHT",
    "SHADER_ALPHA_EFFECT_LIGHT",
    "SHADER_ALPHA_EFFECT_CROSSHAIR",
    "SHADER_ONLYCOLOR",
    "SHADER_FACTOR_NOLIGHT",
    "SHADER_SKYLAYER",
    "SHADER_TEX2FACTOR_NOLIGHT",
    "SHADER_TEXFACTOR_NOLIGHT",
    "SHADER_ALPHA_EFFECT_FACTOR",
    "SHADER_ONLYMATERIAL",
    "SHADER_SPECALPHA_LIGHT",
    "SHADER_ALPHA_LIGHT",
    "SHADER_WATER",
    "SHADER_ALPHA_VCOLOR_NOLIGHT",
    "SHADER_ALPHA_VCOLOR_FACTOR_NOLIGHT",
    "SHADER_NORMAL_WITHDETAILS",
    "SHADER_ALPHA_DISSOLVE",
    "SHADER_TEX2_ALPHA_NOCULL",
    "SHADER_FACTOR_ALPHA",
    "SHADER_TEX2_MOD_NOCULL",
    "SHADER_MOD2X_DIFFUSE_BLEND",
    "SHADER_NORMAL_WITHDETAILS_ADD",
    "SHADER_ADD_FACTOR",
    "SHADER_DIFFUSE_TEXTRANSFORM",
    "SHADER_BUMP_DIFFUSE",
    "SHADER_BUMPMAP_SPEC",
    "SHADER_TEXT",
    "SHADER_ADD_EFFECT_FACTOR",
    "SHADER_TEX_DIFFUSE_ALPHA",
    "SHADER_ALPHA_MASK_FACTOR",
    "SHADER_FACTOR_SILHOUETTE",
    "SHADER_HORIZONT",
    "SHADER_BUMPMAP_SPEC2",
    "SHADER_MINIMAP",
    "SHADER_ADD_VCOLOR_NOLIGHT",
    "SHADER_ALPHA_FACTOR_MASK_CLAMP",
    "SHADER_DETAIL_BLEND",
    "SHADER_TEX2_COLOR_ALPHA",
    "SHADER_ADD_VCOLOR_FACTOR_NOLIGHT",
    "SHADER_SPECMAP_MASK",
    "SHADER_MAP_HIDE_COLOR",
    "SHADER_DEPTH_ONLY",
    "SHADER_MAP_MASK",
    "SHADER_WATER_REFLECTION",
    "SHADER_ADD_FACTOR_MASK_CLAMP",
    "SHADER_TEX_FACTOR_ALPHA",
    "SHADER_MAP_NEAR",
    "SHADER_MAP_NEAR_1",
    "SHADER_DIFFUSE2X_OPAQUE",
    "SHADER_DIFFUSE_OPAQUE",
    "SHADER_FIRE_ADD",
};

// " создать не получилось" and "Шейдер " in code page 1251.
constexpr const char* kFailed =
    " \xf1\xee\xe7\xe4\xe0\xf2\xfc \xed\xe5 \xef\xee\xeb\xf3\xf7\xe8\xeb\xee\xf1\xfc";
constexpr const char* kShaderWord = "\xd8\xe5\xe9\xe4\xe5\xf0 ";

struct SCatalogue
{
    STechniqueRecipe rows[kTechniqueCount];
    std::string messages[kTechniqueCount];

    SCatalogue()
    {
        for (int id = 0; id < kTechniqueCount; ++id)
        {
            rows[id].id = id;
            rows[id].name = kNames[id];
        }
        AddBasicTechniques(rows);
        AddEffectTechniques(rows);
        AddTerrainTechniques(rows);
        AddShaderTechniques(rows);
        for (int id = 0; id < kTechniqueCount; ++id)
        {
            STechniqueRecipe& row = rows[id];
            if (row.kind != TECHNIQUE_REQUIRED || id == SHADER_NORMAL) continue;
            std::string& text = messages[id];
            if (id == SHADER_MINIMAP)
                text = "TexShaderManager::Init SHADER_MINIMAP fails";
            else if (id == SHADER_FIRE || id == SHADER_FIRE_ADD)
                text = std::string("TexShaderManager::Init SHADER_FIRE") + kFailed;
            else if (id == SHADER_ALPHA_SI || id == SHADER_ALPHA_SI_ADD)
                text = std::string("TexShaderManager::Init ") + kShaderWord + row.name + kFailed;
            else
                text = std::string("TexShaderManager::Init ") + row.name + kFailed;
            row.message = text.c_str();
        }
    }
};

const SCatalogue& Catalogue()
{
    static const SCatalogue catalogue;
    return catalogue;
}
} // namespace

const STechniqueRecipe& GetTechniqueRecipe(int id)
{
    return Catalogue().rows[id];
}

const char* GetTechniqueName(int id)
{
    return id >= 0 && id < kTechniqueCount ? kNames[id] : "";
}
