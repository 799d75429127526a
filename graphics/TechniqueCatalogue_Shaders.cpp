// Techniques whose best variant runs a pixel program: the colour masks of
// models and the map colouring.

#include "graphics/TechniqueBuilder.h"

using namespace tech;
using B = CTechniqueBuilder;

namespace
{
// " создать не получилось" in code page 1251.
#define TVX_FAILED " \xf1\xee\xe7\xe4\xe0\xf2\xfc \xed\xe5 \xef\xee\xeb\xf3\xf7\xe8\xeb\xee\xf1\xfc"

// Stages 0-2 of the fixed-function mask: the texture's alpha marks the
// paintable areas, which take the factor colour.
void MaskStages(B& b)
{
    b.Col(0, MODULATE, TEX, CUR);
    b.Alpha(0, SELECTARG1, CUR);
    b.Result(0, TMP);
    b.Tci(1, 0);
    b.Col(1, MODULATE, TMP, TF);
    b.Alpha(1, MODULATE, TEX, TF);
    b.Col(2, BLENDCURRENTALPHA, CUR, TMP);
    b.Alpha(2, SELECTARG1, DIF);
}

// ---- 50 SHADER_SPECMAP_MASK: model texture (0), specular map (1)
bool SpecMapMaskShader(B& b)
{
    if (!b.PS(PS_SPECMAPMASK)) return false;
    b.UsePixelShader(PS_SPECMAPMASK, true);
    return b.Pass(
               [](B& b)
               {
                   b.SetPS(PS_SPECMAPMASK);
                   b.Tci(1, 0);
                   b.Tci(2, 0);
                   b.Specular(true);
               },
               {0, 1}, true) &&
           b.Close(
               [](B& b)
               {
                   b.NoPS();
                   b.Off(1);
                   b.Off(2);
               });
}
bool SpecMapMaskStages(B& b)
{
    if (!b.Temp()) return false;
    return b.Pass(
               [](B& b)
               {
                   MaskStages(b);
                   b.Tci(3, 0);
                   b.ColMulAdd(3, TEX, SPC, CUR);
                   b.Alpha(3, SELECTARG1, CUR);
                   b.Specular(false);
               },
               {0, 0, 1, 1}, true) &&
           b.Close(
               [](B& b)
               {
                   b.Result(0, CUR);
                   b.Off(1);
                   b.Off(2);
                   b.Off(3);
                   b.Specular(true);
               });
}
bool MaskTwoStages(B& b)
{
    b.SetSpecularX4(false);
    return b.Pass(
               [](B& b)
               {
                   b.Col(0, BLENDTEXTUREALPHA, TF, TEX);
                   b.Alpha(0, SELECTARG1, CUR);
                   b.Col(1, MODULATE, CUR, DIF);
               },
               {0}, true) &&
           b.Close([](B& b) { b.Off(1); });
}

// ---- 53 SHADER_MAP_MASK
bool MapMaskShader(B& b)
{
    if (!b.PS(PS_MAPMASK)) return false;
    b.UsePixelShader(PS_MAPMASK, false);
    return b.Pass([](B& b) { b.SetPS(PS_MAPMASK); }, {0}, true) && b.Close(
                                                                       [](B& b)
                                                                       {
                                                                           b.NoPS();
                                                                           b.Off(1);
                                                                       });
}
bool MapMaskStages(B& b)
{
    if (!(b.Stages(3) && b.Tex(2) && b.Temp())) return false;
    return b.Pass(MaskStages, {0}, true) && b.Close(
                                                [](B& b)
                                                {
                                                    b.Result(0, CUR);
                                                    b.Off(1);
                                                    b.Off(2);
                                                });
}

// ---- 51 SHADER_MAP_HIDE_COLOR
bool MapHideColor(B& b)
{
    // Both programs must exist: the vertex program supplies the position.
    if (!(b.PS(PS_MAPHIDECOLOR) && b.VS(VS_MAPHIDECOLOR))) return false;
    b.UsePixelShader(PS_MAPHIDECOLOR, false);
    b.UseVertexShader(VS_MAPHIDECOLOR);
    return b.Pass(
               [](B& b)
               {
                   b.Blend(SRCALPHA, INVSRCALPHA);
                   b.ABlend(true);
                   b.Clamp(0);
                   b.SetPS(PS_MAPHIDECOLOR);
                   b.BindRamp(0);
               },
               {}) &&
           b.Close(
               [](B& b)
               {
                   b.Blend(ONE, ZERO);
                   b.NoPS();
                   b.Off(1);
               });
}
} // namespace

void AddShaderTechniques(STechniqueRecipe table[kTechniqueCount])
{
    SetRecipe(table, SHADER_SPECMAP_MASK, TECHNIQUE_OPTIONAL,
              {SpecMapMaskShader, SpecMapMaskStages, MaskTwoStages},
              "TexShaderManager::Init SHADER_SPECMAP_MASK" TVX_FAILED);
    SetRecipe(table, SHADER_MAP_MASK, TECHNIQUE_OPTIONAL, {MapMaskShader, MapMaskStages, MaskTwoStages},
              "TexShaderManager::Init SHADER_MAP_MASK" TVX_FAILED);
    SetRecipe(table, SHADER_MAP_HIDE_COLOR, TECHNIQUE_SILENT, {MapHideColor});
}
