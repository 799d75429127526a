// Techniques of effects, particles, 2-D images, text and sky layers:
// alpha-blended and additive textures tinted by vertex colour or the
// texture factor.

#include "graphics/TechniqueBuilder.h"

using namespace tech;
using B = CTechniqueBuilder;

namespace
{
// ---- 9 SHADER_FIRE, 61 SHADER_FIRE_ADD
void FireStates(B& b)
{
    b.Col(0, MODULATE, TEX, CUR);
    b.Alpha(0, MODULATE, TEX, CUR);
    b.Specular(false);
    b.Cull(CULL_NONE);
    b.Blend(SRCALPHA, INVSRCALPHA);
    b.ZWrite(false);
}
void FireClose(B& b)
{
    b.Cull(CULL_CCW);
    b.ZWrite(true);
    b.Specular(true);
    b.Blend(ONE, ZERO);
}
bool Fire(B& b)
{
    return b.Pass(FireStates, {0}) && b.Close(FireClose);
}
bool FireAdd(B& b)
{
    return b.Pass(
               [](B& b)
               {
                   FireStates(b);
                   b.Blend(SRCALPHA, ONE);
               },
               {0}) &&
           b.Close(FireClose);
}

// ---- 11, 12, 19: alpha effects
void AlphaEffectClose(B& b)
{
    b.Cull(CULL_CCW);
    b.Blend(ONE, ZERO);
    b.ZWrite(true);
    b.ATest(false);
}
void AlphaEffectCommon(B& b)
{
    b.Blend(SRCALPHA, INVSRCALPHA);
    b.ZWrite(false);
    b.Cull(CULL_NONE);
    b.ATest(true);
}
bool AlphaEffectNoLight(B& b)
{
    return b.Pass(
               [](B& b)
               {
                   b.Col(0, SELECTARG1, TEX);
                   b.Alpha(0, SELECTARG1, TEX);
                   AlphaEffectCommon(b);
               },
               {0}) &&
           b.Close(AlphaEffectClose);
}
bool AlphaEffectLight(B& b)
{
    return b.Pass(
               [](B& b)
               {
                   b.Col(0, MODULATE, TEX, CUR);
                   b.Alpha(0, MODULATE, TEX, CUR);
                   AlphaEffectCommon(b);
               },
               {0}) &&
           b.Close(AlphaEffectClose);
}
bool AlphaEffectFactor(B& b)
{
    return b.Pass(
               [](B& b)
               {
                   b.Col(0, MODULATE, TEX, TF);
                   b.Alpha(0, MODULATE, TEX, TF);
                   AlphaEffectCommon(b);
               },
               {0}) &&
           b.Close(AlphaEffectClose);
}

// ---- 13 SHADER_ALPHA_EFFECT_CROSSHAIR
bool Crosshair(B& b)
{
    return b.Pass(
               [](B& b)
               {
                   b.Light(false);
                   b.Col(0, SELECTARG1, TEX);
                   b.Alpha(0, SELECTARG1);
                   b.Blend(SRCALPHA, ONE);
                   b.ATest(true);
                   b.ZTest(false);
                   b.Cull(CULL_NONE);
               },
               {0}) &&
           b.Close(
               [](B& b)
               {
                   b.Cull(CULL_CCW);
                   b.Light(true);
                   b.Blend(ONE, ZERO);
                   b.ATest(false);
                   b.ZTest(true);
               });
}

// ---- 16 SHADER_SKYLAYER: two layers of one texture (set 0 and set 1)
bool SkyLayerStages(B& b)
{
    if (!b.Stages(3)) return false;
    return b.Pass(
               [](B& b)
               {
                   b.Blend(SRCALPHA, INVSRCALPHA);
                   b.Col(0, SELECTARG1, TEX);
                   b.Alpha(0, MODULATE, TEX, CUR);
                   b.DSrc(C1);
                   b.ESrc(C1);
                   b.Tci(1, 1);
                   b.Col(1, SELECTARG2, KEEP, CUR);
                   b.Alpha(1, MODULATE, TEX, CUR);
                   b.Col(2, SELECTARG2, KEEP, CUR);
                   b.Alpha(2, MODULATE, TF, CUR);
                   b.ATest(true);
                   b.Cull(CULL_NONE);
                   b.ZWrite(false);
               },
               {0, 0}, true) &&
           b.Close(
               [](B& b)
               {
                   b.ATest(false);
                   b.Tci(1, 0);
                   b.Off(1);
                   b.Off(2);
                   b.Blend(ONE, ZERO);
                   b.DSrc(MAT);
                   b.ESrc(MAT);
                   b.Cull(CULL_CCW);
                   b.ZWrite(true);
               });
}
bool SkyLayerTwoStages(B& b)
{
    if (!b.Stages(2)) return false;
    return b.Pass(
               [](B& b)
               {
                   b.Blend(SRCALPHA, INVSRCALPHA);
                   b.Col(0, MODULATE, TEX, CUR);
                   b.Alpha(0, MODULATE, TEX, CUR);
                   b.DSrc(C1);
                   b.ESrc(C1);
                   b.Col(1, SELECTARG2, TF, CUR);
                   b.Alpha(1, MODULATE, TF, CUR);
                   b.ATest(true);
               },
               {0, 0}) &&
           b.Close(
               [](B& b)
               {
                   b.ATest(false);
                   b.Tci(1, 0);
                   b.Tss(0, D3DTSS_ALPHAARG2, CUR);
                   b.Off(1);
                   b.Blend(ONE, ZERO);
                   b.DSrc(MAT);
                   b.ESrc(MAT);
               });
}
bool SkyLayerShader(B& b)
{
    if (!b.PS(PS_SKYLAYER)) return false;
    b.UsePixelShader(PS_SKYLAYER, false);
    return b.Pass(
               [](B& b)
               {
                   b.SetPS(PS_SKYLAYER);
                   b.Blend(SRCALPHA, INVSRCALPHA);
                   b.Tci(1, 1);
                   b.DSrc(C1);
                   b.ESrc(C1);
               },
               {0, 0}) &&
           b.Close(
               [](B& b)
               {
                   b.NoPS();
                   b.Tci(1, 0);
                   b.Off(1);
                   b.Off(2);
                   b.Blend(ONE, ZERO);
                   b.DSrc(MAT);
                   b.ESrc(MAT);
               });
}

// ---- 17 SHADER_TEX2FACTOR_NOLIGHT
bool Tex2FactorNoLight(B& b)
{
    if (!(b.Tex(2) && b.Stages(2))) return false;
    return b.Pass(
               [](B& b)
               {
                   b.Col(0, SELECTARG1, TEX, CUR);
                   b.Alpha(0, SELECTARG1, TEX, CUR);
                   b.Col(1, BLENDFACTORALPHA, TEX, CUR);
                   b.Alpha(1, BLENDFACTORALPHA, TEX, CUR);
               },
               {0, 1}) &&
           b.Close([](B& b) { b.Off(1); });
}

// ---- 24, 25, 45, 49: vertex-coloured effects
void VColorCommon(B& b)
{
    b.Light(false);
    b.Blend(SRCALPHA, INVSRCALPHA);
    b.ATest(true);
    b.DSrc(C1);
    b.Cull(CULL_NONE);
    b.ZWrite(false);
}
void VColorClose(B& b)
{
    b.DSrc(MAT);
    b.Cull(CULL_CCW);
    b.Light(true);
    b.Blend(ONE, ZERO);
    b.ATest(false);
    b.ZWrite(true);
}
void VColorStates(B& b)
{
    VColorCommon(b);
    b.Col(0, MODULATE, TEX, DIF);
    b.Alpha(0, MODULATE, TEX, DIF);
}
void VColorFactorStates(B& b)
{
    VColorCommon(b);
    b.Col(0, SELECTARG1, TEX, DIF);
    b.Alpha(0, MODULATE, TEX, DIF);
    b.Col(1, MODULATE, TF, CUR);
    b.Alpha(1, MODULATE, TF, CUR);
}
void VColorFactorClose(B& b)
{
    VColorClose(b);
    b.Off(1);
}
bool AlphaVColorNoLight(B& b)
{
    return b.Pass(VColorStates, {0}) && b.Close(VColorClose);
}
bool AddVColorNoLight(B& b)
{
    return b.Pass(
               [](B& b)
               {
                   VColorStates(b);
                   b.Blend(SRCALPHA, ONE);
               },
               {0}) &&
           b.Close(VColorClose);
}
bool AlphaVColorFactorNoLight(B& b)
{
    return b.Pass(VColorFactorStates, {0}) && b.Close(VColorFactorClose);
}
bool AddVColorFactorNoLight(B& b)
{
    return b.Pass(
               [](B& b)
               {
                   VColorFactorStates(b);
                   b.Blend(SRCALPHA, ONE);
               },
               {0}) &&
           b.Close(VColorFactorClose);
}

// ---- 27 SHADER_ALPHA_DISSOLVE
bool AlphaDissolve(B& b)
{
    if (!(b.Stages(2) && b.Tex(2))) return false;
    const bool third = b.Stages(3) && b.Tex(3);
    if (third)
        return b.Pass(
                   [](B& b)
                   {
                       b.Col(0, SELECTARG1, TEX);
                       b.Alpha(0, SUBTRACT, TEX, TF);
                       b.Col(1, SELECTARG1, TEX);
                       b.Alpha(1, MODULATE4X, TEX, CUR);
                       b.Col(2, SELECTARG1, CUR, CUR);
                       b.Alpha(2, MODULATE4X, CUR, CUR);
                       b.Blend(SRCALPHA, INVSRCALPHA);
                       b.ARef(5);
                       b.ATest(true);
                   },
                   {0, 1, 1}) &&
               b.Close(
                   [](B& b)
                   {
                       b.Off(1);
                       b.Off(2);
                       b.Blend(ONE, ZERO);
                       b.ATest(false);
                       b.ARef(1);
                   });
    return b.Pass(
               [](B& b)
               {
                   b.Col(0, SELECTARG1, TEX);
                   b.Alpha(0, SUBTRACT, TEX, TF);
                   b.Col(1, SELECTARG1, TEX);
                   b.Alpha(1, MODULATE4X, TEX, CUR);
                   b.Blend(SRCALPHA, INVSRCALPHA);
                   b.ARef(5);
                   b.ATest(true);
               },
               {0, 1, 1}) &&
           b.Close(
               [](B& b)
               {
                   b.Off(1);
                   b.Blend(ONE, ZERO);
                   b.ATest(false);
                   b.ARef(1);
               });
}

// ---- 28 SHADER_TEX2_ALPHA_NOCULL
bool Tex2AlphaNoCull(B& b)
{
    return b.Pass(
               [](B& b)
               {
                   b.Col(0, SELECTARG1, TEX);
                   b.Alpha(0, SELECTARG1, TEX);
                   b.Tci(1, 1);
                   b.Col(1, SELECTARG1, TEX);
                   b.Alpha(1, MODULATE, TEX, CUR);
                   b.Blend(SRCALPHA, INVSRCALPHA);
                   b.ATest(true);
                   b.Cull(CULL_NONE);
               },
               {0, 1}) &&
           b.Close(
               [](B& b)
               {
                   b.Tci(1, 0);
                   b.Off(1);
                   b.Blend(ONE, ZERO);
                   b.ATest(false);
                   b.Cull(CULL_CCW);
               });
}

// ---- 30 SHADER_TEX2_MOD_NOCULL
bool Tex2ModNoCull(B& b)
{
    return b.Pass(
               [](B& b)
               {
                   b.Col(0, MODULATE, TEX, CUR);
                   b.Alpha(0, SELECTARG1, TEX);
                   b.Col(1, MODULATE, TEX, CUR);
                   b.Alpha(1, MODULATE, TEX, CUR);
                   b.Blend(SRCALPHA, INVSRCALPHA);
                   b.Cull(CULL_NONE);
                   b.ATest(true);
               },
               {0, 1}) &&
           b.Close(
               [](B& b)
               {
                   b.Off(1);
                   b.Cull(CULL_CCW);
                   b.Blend(ONE, ZERO);
                   b.ATest(false);
               });
}

// ---- 31 SHADER_MOD2X_DIFFUSE_BLEND
bool Mod2xDiffuseBlend(B& b)
{
    return b.Pass(
               [](B& b)
               {
                   b.Col(0, MODULATE2X, TEX, CUR);
                   b.Alpha(0, SELECTARG1, TEX);
                   b.Col(1, BLENDCURRENTALPHA, CUR, DIF);
                   b.Alpha(1, SELECTARG1, DIF);
                   b.Blend(SRCALPHA, INVSRCALPHA);
                   b.NormalizeNormals(true);
               },
               {0}) &&
           b.Close(
               [](B& b)
               {
                   b.Blend(ONE, ZERO);
                   b.Off(1);
               });
}

// ---- 33 SHADER_ADD_FACTOR
bool AddFactor(B& b)
{
    return b.Pass(
               [](B& b)
               {
                   b.Col(0, SELECTARG1, TEX);
                   b.Alpha(0, MODULATE, TEX, TF);
                   b.Blend(SRCALPHA, ONE);
               },
               {0}) &&
           b.Close([](B& b) { b.Blend(ONE, ZERO); });
}

// ---- 34 SHADER_DIFFUSE_TEXTRANSFORM
bool DiffuseTexTransform(B& b)
{
    return b.Pass(
               [](B& b)
               {
                   b.Col(0, SELECTARG1, DIF);
                   b.Alpha(0, SELECTARG1, DIF);
                   b.Ttff(1, COUNT2);
                   b.Col(1, MODULATE, TEX, CUR);
                   b.Alpha(1, SELECTARG1, DIF);
                   b.Blend(ONE, ZERO);
               },
               {0, 0}) &&
           b.Close(
               [](B& b)
               {
                   b.Off(1);
                   b.Ttff(1, TTFF_OFF);
               });
}

// ---- 37 SHADER_TEXT
bool Text(B& b)
{
    return b.Pass(
               [](B& b)
               {
                   b.ZTest(false);
                   b.Light(false);
                   b.Col(0, MODULATE, TEX, TF);
                   b.Alpha(0, MODULATE, TEX, TF);
                   b.Clamp(0);
                   b.Blend(SRCALPHA, INVSRCALPHA);
                   b.ATest(true);
               },
               {0}) &&
           b.Close(
               [](B& b)
               {
                   b.Light(true);
                   b.Blend(ONE, ZERO);
                   b.ATest(false);
                   b.ZTest(true);
                   b.Wrap(0);
               });
}

// ---- 38 SHADER_ADD_EFFECT_FACTOR
bool AddEffectFactor(B& b)
{
    return b.Pass(
               [](B& b)
               {
                   b.Col(0, MODULATE, TEX, TF);
                   b.Alpha(0, MODULATE, TEX, TF);
                   b.Blend(SRCALPHA, ONE);
                   b.ZWrite(false);
                   b.Cull(CULL_NONE);
               },
               {0}) &&
           b.Close(
               [](B& b)
               {
                   b.Cull(CULL_CCW);
                   b.Blend(ONE, ZERO);
                   b.ZWrite(true);
               });
}

// ---- 40 SHADER_ALPHA_MASK_FACTOR
bool AlphaMaskFactor(B& b)
{
    return b.Pass(
               [](B& b)
               {
                   b.Col(0, SELECTARG1, TEX);
                   b.Alpha(0, MODULATE, TEX, TF);
                   b.Col(1, SELECTARG2, TEX, CUR);
                   b.Alpha(1, MODULATE, TEX, CUR);
                   b.Blend(SRCALPHA, INVSRCALPHA);
                   b.Cull(CULL_NONE);
                   b.ATest(true);
               },
               {0, 1}) &&
           b.Close(
               [](B& b)
               {
                   b.Off(1);
                   b.Cull(CULL_CCW);
                   b.Blend(ONE, ZERO);
                   b.ATest(false);
               });
}

// ---- 41 SHADER_FACTOR_SILHOUETTE
bool FactorSilhouette(B& b)
{
    return b.Pass(
               [](B& b)
               {
                   b.Col(0, SELECTARG2, KEEP, TF);
                   b.Alpha(0, MODULATE, TEX, TF);
                   b.Blend(SRCALPHA, INVSRCALPHA);
                   b.ZWrite(false);
                   b.Light(false);
                   b.ATest(true);
               },
               {0}) &&
           b.Close(
               [](B& b)
               {
                   b.Blend(ONE, ZERO);
                   b.ZWrite(true);
                   b.ATest(false);
                   b.Light(true);
               });
}

// ---- 46 SHADER_ALPHA_FACTOR_MASK_CLAMP, 55 SHADER_ADD_FACTOR_MASK_CLAMP
void FactorMaskStates(B& b)
{
    b.Col(0, MODULATE, TEX, TF);
    b.Alpha(0, MODULATE, TEX, TF);
    b.Tci(1, 1);
    b.Col(1, SELECTARG1, CUR);
    b.Alpha(1, MODULATE, CUR, TEX);
    b.Blend(SRCALPHA, INVSRCALPHA);
    b.ZWrite(false);
    b.ClampB(1);
    b.ClampB(0);
    b.Cull(CULL_NONE);
    b.ATest(true);
}
void FactorMaskClose(B& b)
{
    b.Cull(CULL_CCW);
    b.Blend(ONE, ZERO);
    b.ZWrite(true);
    b.ATest(false);
    b.Off(1);
    b.Tci(1, 0);
    b.WrapB(1);
    b.WrapB(0);
}
bool AlphaFactorMaskClamp(B& b)
{
    return b.Pass(FactorMaskStates, {0, 1}) && b.Close(FactorMaskClose);
}
bool AddFactorMaskClamp(B& b)
{
    return b.Pass(
               [](B& b)
               {
                   FactorMaskStates(b);
                   b.Blend(SRCALPHA, ONE);
               },
               {0, 1}) &&
           b.Close(FactorMaskClose);
}

// ---- 48 SHADER_TEX2_COLOR_ALPHA
bool Tex2ColorAlpha(B& b)
{
    return b.Pass(
               [](B& b)
               {
                   b.Col(0, SELECTARG1);
                   b.Alpha(0, SELECTARG1, TEX);
                   b.Tci(1, 1);
                   b.Col(1, SELECTARG1, TEX);
                   b.Alpha(1, SELECTARG2, KEEP, CUR);
                   b.Blend(SRCALPHA, INVSRCALPHA);
                   b.ATest(true);
                   b.Cull(CULL_NONE);
               },
               {0, 1}) &&
           b.Close(
               [](B& b)
               {
                   b.Tci(1, 0);
                   b.Off(1);
                   b.Blend(ONE, ZERO);
                   b.ATest(false);
                   b.Cull(CULL_CCW);
               });
}
} // namespace

void AddEffectTechniques(STechniqueRecipe table[kTechniqueCount])
{
    SetRecipe(table, SHADER_FIRE, TECHNIQUE_REQUIRED, {Fire});
    SetRecipe(table, SHADER_FIRE_ADD, TECHNIQUE_REQUIRED, {FireAdd});
    SetRecipe(table, SHADER_ALPHA_EFFECT_NOLIGHT, TECHNIQUE_REQUIRED, {AlphaEffectNoLight});
    SetRecipe(table, SHADER_ALPHA_EFFECT_LIGHT, TECHNIQUE_REQUIRED, {AlphaEffectLight});
    SetRecipe(table, SHADER_ALPHA_EFFECT_CROSSHAIR, TECHNIQUE_REQUIRED, {Crosshair});
    SetRecipe(table, SHADER_SKYLAYER, TECHNIQUE_REQUIRED,
              {SkyLayerStages, SkyLayerTwoStages, SkyLayerShader});
    SetRecipe(table, SHADER_TEX2FACTOR_NOLIGHT, TECHNIQUE_REQUIRED, {Tex2FactorNoLight});
    SetRecipe(table, SHADER_ALPHA_EFFECT_FACTOR, TECHNIQUE_REQUIRED, {AlphaEffectFactor});
    SetRecipe(table, SHADER_ALPHA_VCOLOR_NOLIGHT, TECHNIQUE_SILENT, {AlphaVColorNoLight});
    SetRecipe(table, SHADER_ALPHA_VCOLOR_FACTOR_NOLIGHT, TECHNIQUE_SILENT, {AlphaVColorFactorNoLight});
    SetRecipe(table, SHADER_ALPHA_DISSOLVE, TECHNIQUE_SILENT, {AlphaDissolve});
    SetRecipe(table, SHADER_TEX2_ALPHA_NOCULL, TECHNIQUE_SILENT, {Tex2AlphaNoCull});
    SetRecipe(table, SHADER_TEX2_MOD_NOCULL, TECHNIQUE_SILENT, {Tex2ModNoCull});
    SetRecipe(table, SHADER_MOD2X_DIFFUSE_BLEND, TECHNIQUE_SILENT, {Mod2xDiffuseBlend});
    SetRecipe(table, SHADER_ADD_FACTOR, TECHNIQUE_SILENT, {AddFactor});
    SetRecipe(table, SHADER_DIFFUSE_TEXTRANSFORM, TECHNIQUE_SILENT, {DiffuseTexTransform});
    SetRecipe(table, SHADER_TEXT, TECHNIQUE_SILENT, {Text});
    SetRecipe(table, SHADER_ADD_EFFECT_FACTOR, TECHNIQUE_SILENT, {AddEffectFactor});
    SetRecipe(table, SHADER_ALPHA_MASK_FACTOR, TECHNIQUE_SILENT, {AlphaMaskFactor});
    SetRecipe(table, SHADER_FACTOR_SILHOUETTE, TECHNIQUE_SILENT, {FactorSilhouette});
    SetRecipe(table, SHADER_ADD_VCOLOR_NOLIGHT, TECHNIQUE_SILENT, {AddVColorNoLight});
    SetRecipe(table, SHADER_ALPHA_FACTOR_MASK_CLAMP, TECHNIQUE_SILENT, {AlphaFactorMaskClamp});
    SetRecipe(table, SHADER_TEX2_COLOR_ALPHA, TECHNIQUE_SILENT, {Tex2ColorAlpha});
    SetRecipe(table, SHADER_ADD_VCOLOR_FACTOR_NOLIGHT, TECHNIQUE_SILENT, {AddVColorFactorNoLight});
    SetRecipe(table, SHADER_ADD_FACTOR_MASK_CLAMP, TECHNIQUE_SILENT, {AddFactorMaskClamp});
}
