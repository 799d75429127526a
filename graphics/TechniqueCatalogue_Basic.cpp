// Techniques of models and plain geometry: opaque, alpha-blended and
// additive textures, specular maps, vertex and material colour.

#include "graphics/TechniqueBuilder.h"

using namespace tech;
using B = CTechniqueBuilder;

namespace
{
// ---- 0 SHADER_NORMAL
bool Normal(B& b)
{
    return b.Pass([](B& b) { b.Col(0, MODULATE, TEX, CUR); }, {0});
}

// ---- 1 SHADER_SPECMAP: model texture (0) with a specular map (1)
bool SpecMapStages(B& b)
{
    if (!(b.Stages(2) && b.Tex(2) && b.Temp() && b.Spec())) return false;
    return b.Pass(
               [](B& b)
               {
                   b.Col(0, MODULATE, TEX, CUR);
                   b.Alpha(0, SELECTARG1, CUR);
                   b.Result(0, TMP);
                   b.Tci(1, 0);
                   b.ColMulAdd(1, TEX, SPC, TMP);
                   b.Alpha(1, SELECTARG1, CUR);
                   b.Specular(false);
               },
               {0, 1}) &&
           b.Close(
               [](B& b)
               {
                   b.Result(0, CUR);
                   b.Off(1);
                   b.Specular(true);
               });
}
bool SpecMapShader(B& b)
{
    if (!b.PS(PS_SPECMAP)) return false;
    b.UsePixelShader(PS_SPECMAP, true);
    return b.Pass(
               [](B& b)
               {
                   b.SetPS(PS_SPECMAP);
                   b.Tci(1, 0);
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
bool SpecMapThreePasses(B& b)
{
    // Black with the post-blend specular of vertex colour 2; the frame
    // multiplied by the specular map; the lit texture added.
    return b.Pass(
               [](B& b)
               {
                   b.SSrc(C2);
                   b.Col(0, SUBTRACT, DIF, DIF);
                   b.Alpha(0, SELECTARG2);
               },
               {}) &&
           b.Pass(
               [](B& b)
               {
                   b.SSrc(MAT);
                   b.Specular(false);
                   b.ZWrite(false);
                   b.Blend(DESTCOLOR, ZERO);
                   b.Col(0, SELECTARG1, TEX);
               },
               {1}) &&
           b.Pass(
               [](B& b)
               {
                   b.Blend(ONE, ONE);
                   b.Col(0, MODULATE);
               },
               {0}) &&
           b.Close(
               [](B& b)
               {
                   b.ZWrite(true);
                   b.Rs(D3DRS_DESTBLEND, ZERO);
                   b.Specular(true);
               });
}

// ---- 2 SHADER_ALPHA_SI, 3 SHADER_ALPHA_SI_ADD
bool AlphaSI(B& b)
{
    return b.Pass(
               [](B& b)
               {
                   b.Col(0, SELECTARG1, TEX);
                   b.Alpha(0, SELECTARG1, TEX);
                   b.Blend(SRCALPHA, INVSRCALPHA);
               },
               {0}) &&
           b.Close([](B& b) { b.Blend(ONE, ZERO); });
}
bool AlphaSIAdd(B& b)
{
    return b.Pass(
               [](B& b)
               {
                   b.Col(0, SELECTARG1, TEX);
                   b.Alpha(0, SELECTARG1, TEX);
                   b.ZWrite(false);
                   b.Blend(SRCALPHA, ONE);
               },
               {0}) &&
           b.Close(
               [](B& b)
               {
                   b.ZWrite(true);
                   b.Blend(ONE, ZERO);
               });
}

// ---- 4 SHADER_SPECMAP_ALPHA
bool SpecMapAlphaA(B& b)
{
    return b.Pass(
               [](B& b)
               {
                   b.Col(0, MODULATE, TEX, CUR);
                   b.Alpha(0, MODULATE, TEX, CUR);
                   b.Result(0, TMP);
                   b.Tci(1, 0);
                   b.ColMulAdd(1, TEX, SPC, TMP);
                   b.Alpha(1, SELECTARG2, KEEP, TMP);
                   b.Specular(false);
               },
               {0, 1}, true) &&
           b.Close(
               [](B& b)
               {
                   b.Specular(true);
                   b.Result(0, CUR);
                   b.Off(1);
                   b.Blend(ONE, ZERO);
               });
}
bool SpecMapAlphaB(B& b)
{
    if (!(b.Stages(3) && b.Tex(2) && b.Temp() && b.Spec())) return false;
    return b.Pass(
               [](B& b)
               {
                   b.Cull(CULL_NONE);
                   b.Col(0, MODULATE, TEX, CUR);
                   b.Result(0, TMP);
                   b.Tci(1, 0);
                   b.Col(1, MODULATE, TEX, SPC);
                   b.Tci(2, 0);
                   b.Col(2, ADD, TMP, CUR);
                   b.Blend(SRCALPHA, INVSRCALPHA);
               },
               {0, 1}) &&
           b.Close(
               [](B& b)
               {
                   b.Blend(ONE, ZERO);
                   b.Result(0, CUR);
                   b.Off(1);
                   b.Off(2);
                   b.Cull(CULL_CCW);
               });
}
bool SpecMapAlphaC(B& b)
{
    SetDefaultStates();
    return b.Pass(
               [](B& b)
               {
                   b.Cull(CULL_NONE);
                   b.Specular(false);
                   b.Col(0, MODULATE, TEX, CUR);
                   b.Blend(SRCALPHA, INVSRCALPHA);
               },
               {0}) &&
           b.Pass(
               [](B& b)
               {
                   b.Cull(CULL_CCW);
                   b.Blend(ONE, ONE);
                   b.Col(0, MODULATE, TEX, SPC);
               },
               {1}) &&
           b.Close(
               [](B& b)
               {
                   b.Specular(true);
                   b.Blend(ONE, ZERO);
               });
}

// ---- 6 SHADER_ALPHA_NORMAL_NOCULL
bool AlphaNormalNoCull(B& b)
{
    return b.Pass(
               [](B& b)
               {
                   b.Col(0, MODULATE, TEX, CUR);
                   b.Alpha(0, SELECTARG1, TEX);
                   b.Blend(SRCALPHA, INVSRCALPHA);
                   b.Cull(CULL_NONE);
                   b.ATest(true);
               },
               {0}) &&
           b.Close(
               [](B& b)
               {
                   b.Cull(CULL_CCW);
                   b.Blend(ONE, ZERO);
                   b.ATest(false);
               });
}

// ---- 7 SHADER_SHADOW
bool Shadow(B& b)
{
    return b.Pass(
               [](B& b)
               {
                   b.ZWrite(false);
                   b.Clamp(0);
                   b.ClampB(0);
                   b.Alpha(0, MODULATE, TEX, TF);
                   b.Blend(ZERO, INVSRCALPHA);
                   b.ATest(true);
               },
               {0}) &&
           b.Close(
               [](B& b)
               {
                   b.ATest(false);
                   b.WrapB(0);
                   b.Wrap(0);
                   b.Blend(ONE, ZERO);
                   b.ZWrite(true);
               });
}

// ---- 8 SHADER_OBJ_DETAILS
bool ObjDetails(B& b)
{
    return b.Pass(
               [](B& b)
               {
                   b.Col(0, MODULATE, TEX, CUR);
                   b.Alpha(0, MODULATE, TEX, CUR);
                   b.Blend(SRCALPHA, INVSRCALPHA);
                   b.Cull(CULL_NONE);
                   b.ZWrite(false);
                   b.Clamp(0);
                   b.NormalizeNormals(true);
               },
               {0}) &&
           b.Close(
               [](B& b)
               {
                   b.Wrap(0);
                   b.ZWrite(true);
                   b.Blend(ONE, ZERO);
                   b.Cull(CULL_CCW);
               });
}

// ---- 10 SHADER_ALPHA_COLOR_NOCULL
bool AlphaColorNoCull(B& b)
{
    return b.Pass(
               [](B& b)
               {
                   b.Col(0, MODULATE, TEX);
                   b.Alpha(0, MODULATE);
                   b.Blend(SRCALPHA, INVSRCALPHA);
                   b.Cull(CULL_NONE);
                   b.DSrc(C1);
               },
               {0}) &&
           b.Close(
               [](B& b)
               {
                   b.Blend(ONE, ZERO);
                   b.Cull(CULL_CCW);
                   b.DSrc(MAT);
               });
}

// ---- 14 SHADER_ONLYCOLOR, 20 SHADER_ONLYMATERIAL
bool OnlyColor(B& b)
{
    return b.Pass(
               [](B& b)
               {
                   b.Light(false);
                   b.Blend(SRCALPHA, INVSRCALPHA);
                   b.Col(0, SELECTARG2, KEEP, CUR);
                   b.Alpha(0, SELECTARG2, KEEP, CUR);
               },
               {}) &&
           b.Close(
               [](B& b)
               {
                   b.Blend(ONE, ZERO);
                   b.Light(true);
               });
}
bool OnlyMaterial(B& b)
{
    return b.Pass(
        [](B& b)
        {
            b.Col(0, SELECTARG2, KEEP, CUR);
            b.Alpha(0, SELECTARG2, KEEP, CUR);
        },
        {});
}

// ---- 15 SHADER_FACTOR_NOLIGHT, 29 SHADER_FACTOR_ALPHA
bool FactorNoLight(B& b)
{
    // The closing block ends with the default blend (ONE/ZERO) like every
    // other technique; no caller relies on blending staying on after it.
    return b.Pass(
               [](B& b)
               {
                   b.Col(0, SELECTARG1, TF);
                   b.Alpha(0, SELECTARG1, TF);
                   b.Blend(SRCALPHA, INVSRCALPHA);
               },
               {}) &&
           b.Close([](B& b) { b.Blend(ONE, ZERO); });
}
bool FactorAlpha(B& b)
{
    return FactorNoLight(b);
}

// ---- 18 SHADER_TEXFACTOR_NOLIGHT
bool TexFactorNoLight(B& b)
{
    return b.Pass(
               [](B& b)
               {
                   b.Col(0, MODULATE, TEX, TF);
                   b.Alpha(0, MODULATE, TEX, TF);
                   b.Blend(SRCALPHA, INVSRCALPHA);
                   b.ATest(true);
               },
               {0}) &&
           b.Close(
               [](B& b)
               {
                   b.Blend(ONE, ZERO);
                   b.ATest(false);
               });
}

// ---- 21 SHADER_SPECALPHA_LIGHT
bool SpecAlphaLightA(B& b)
{
    if (!(b.Stages(2) && b.Spec())) return false;
    return b.Pass(
               [](B& b)
               {
                   b.Blend(SRCALPHA, ONE);
                   b.Col(0, MODULATE, TEX, CUR);
                   b.Alpha(0, MODULATE, TEX, CUR);
                   b.Col(1, MODULATE, SPC, CUR);
                   b.Alpha(1, SELECTARG2, DIF, CUR);
                   b.Specular(false);
               },
               {0}) &&
           b.Close(
               [](B& b)
               {
                   b.Off(1);
                   b.Specular(true);
                   b.Blend(ONE, ZERO);
               });
}
bool SpecAlphaLightB(B& b)
{
    return b.Pass(
               [](B& b)
               {
                   b.Blend(SRCALPHA, ONE);
                   b.Col(0, MODULATE, DIF, DIF);
                   b.Alpha(0, MODULATE);
               },
               {0}) &&
           b.Close([](B& b) { b.Blend(ONE, ZERO); });
}

// ---- 22 SHADER_ALPHA_LIGHT
bool AlphaLight(B& b)
{
    return b.Pass(
               [](B& b)
               {
                   b.Col(0, MODULATE, TEX, DIF);
                   b.Alpha(0, MODULATE, TEX, DIF);
                   b.Blend(SRCALPHA, INVSRCALPHA);
                   b.ATest(true);
               },
               {0}) &&
           b.Close(
               [](B& b)
               {
                   b.Blend(ONE, ZERO);
                   b.ATest(false);
               });
}

// ---- 39 SHADER_TEX_DIFFUSE_ALPHA
bool TexDiffuseAlpha(B& b)
{
    return b.Pass(
        [](B& b)
        {
            b.Col(0, SELECTARG1, TEX);
            b.Alpha(0, SELECTARG1, CUR);
        },
        {0});
}

// ---- 47 SHADER_DETAIL_BLEND
bool DetailBlend(B& b)
{
    // The closing block switches alpha testing off again (the default), not
    // on: nothing drawn after it expects a test it did not ask for.
    return b.Pass(
               [](B& b)
               {
                   b.ATest(false);
                   b.Col(0, SELECTARG1, TEX);
                   b.Alpha(0, SELECTARG1, TEX);
                   b.Result(0, TMP);
                   b.Col(1, MODULATE2X, TEX, TMP);
                   b.Alpha(1, SELECTARG1, TMP);
                   b.Wrap(1);
                   b.Col(2, BLENDCURRENTALPHA, TMP, CUR);
                   b.Alpha(2, SELECTARG1, CUR);
                   b.Blend(ONE, ZERO);
                   b.Cull(CULL_NONE);
               },
               {0, 1}) &&
           b.Close(
               [](B& b)
               {
                   b.Result(0, CUR);
                   b.Off(1);
                   b.Off(2);
                   b.ATest(false);
                   b.Cull(CULL_CCW);
               });
}

// ---- 52 SHADER_DEPTH_ONLY
bool DepthOnly(B& b)
{
    return b.Pass(
               [](B& b)
               {
                   b.Col(0, SELECTARG1, CUR);
                   b.Alpha(0, SELECTARG1, CUR);
                   b.Blend(ZERO, ONE);
                   b.Specular(false);
               },
               {0, 1}, true) &&
           b.Close(
               [](B& b)
               {
                   b.Specular(true);
                   b.Blend(ONE, ZERO);
               });
}

// ---- 56 SHADER_TEX_FACTOR_ALPHA
bool TexFactorAlpha(B& b)
{
    return b.Pass(
               [](B& b)
               {
                   b.Col(0, SELECTARG1, TEX);
                   b.Alpha(0, SELECTARG1, TF);
                   b.Blend(SRCALPHA, INVSRCALPHA);
                   b.ZWrite(false);
               },
               {0}) &&
           b.Close(
               [](B& b)
               {
                   b.Blend(ONE, ZERO);
                   b.ZWrite(true);
               });
}

// ---- 59 SHADER_DIFFUSE2X_OPAQUE, 60 SHADER_DIFFUSE_OPAQUE
bool Diffuse2xOpaque(B& b)
{
    return b.Pass(
               [](B& b)
               {
                   b.Col(0, ADD, DIF, DIF);
                   b.Alpha(0, SELECTARG1, DIF);
                   b.ABlend(false);
               },
               {}) &&
           b.Close([](B& b) { b.ABlend(true); });
}
bool DiffuseOpaque(B& b)
{
    return b.Pass(
               [](B& b)
               {
                   b.Col(0, SELECTARG1, DIF);
                   b.Alpha(0, SELECTARG1, DIF);
                   b.ABlend(false);
               },
               {}) &&
           b.Close([](B& b) { b.ABlend(true); });
}
} // namespace

void AddBasicTechniques(STechniqueRecipe table[kTechniqueCount])
{
    SetRecipe(table, SHADER_NORMAL, TECHNIQUE_REQUIRED, {Normal});
    SetRecipe(table, SHADER_SPECMAP, TECHNIQUE_REQUIRED, {SpecMapStages, SpecMapShader, SpecMapThreePasses});
    SetRecipe(table, SHADER_ALPHA_SI, TECHNIQUE_REQUIRED, {AlphaSI});
    SetRecipe(table, SHADER_ALPHA_SI_ADD, TECHNIQUE_REQUIRED, {AlphaSIAdd});
    SetRecipe(table, SHADER_SPECMAP_ALPHA, TECHNIQUE_REQUIRED, {SpecMapAlphaA, SpecMapAlphaB, SpecMapAlphaC});
    SetRecipe(table, SHADER_ALPHA_NORMAL_NOCULL, TECHNIQUE_REQUIRED, {AlphaNormalNoCull});
    SetRecipe(table, SHADER_SHADOW, TECHNIQUE_REQUIRED, {Shadow});
    SetRecipe(table, SHADER_OBJ_DETAILS, TECHNIQUE_REQUIRED, {ObjDetails});
    SetRecipe(table, SHADER_ALPHA_COLOR_NOCULL, TECHNIQUE_REQUIRED, {AlphaColorNoCull});
    SetRecipe(table, SHADER_ONLYCOLOR, TECHNIQUE_REQUIRED, {OnlyColor});
    SetRecipe(table, SHADER_FACTOR_NOLIGHT, TECHNIQUE_REQUIRED, {FactorNoLight});
    SetRecipe(table, SHADER_TEXFACTOR_NOLIGHT, TECHNIQUE_REQUIRED, {TexFactorNoLight});
    SetRecipe(table, SHADER_ONLYMATERIAL, TECHNIQUE_REQUIRED, {OnlyMaterial});
    SetRecipe(table, SHADER_SPECALPHA_LIGHT, TECHNIQUE_REQUIRED, {SpecAlphaLightA, SpecAlphaLightB});
    SetRecipe(table, SHADER_ALPHA_LIGHT, TECHNIQUE_REQUIRED, {AlphaLight});
    SetRecipe(table, SHADER_FACTOR_ALPHA, TECHNIQUE_SILENT, {FactorAlpha});
    SetRecipe(table, SHADER_TEX_DIFFUSE_ALPHA, TECHNIQUE_SILENT, {TexDiffuseAlpha});
    SetRecipe(table, SHADER_DETAIL_BLEND, TECHNIQUE_SILENT, {DetailBlend});
    SetRecipe(table, SHADER_DEPTH_ONLY, TECHNIQUE_SILENT, {DepthOnly});
    SetRecipe(table, SHADER_TEX_FACTOR_ALPHA, TECHNIQUE_SILENT, {TexFactorAlpha});
    SetRecipe(table, SHADER_DIFFUSE2X_OPAQUE, TECHNIQUE_SILENT, {Diffuse2xOpaque});
    SetRecipe(table, SHADER_DIFFUSE_OPAQUE, TECHNIQUE_SILENT, {DiffuseOpaque});
}
