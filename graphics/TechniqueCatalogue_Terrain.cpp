// Techniques of terrain, water, bump lighting, the horizon and the big map.

#include "graphics/TechniqueBuilder.h"

using namespace tech;
using B = CTechniqueBuilder;

namespace
{
// ---- 5 SHADER_BUMP_ENV
bool BumpEnv(B& b)
{
    if (!(b.Stages(3) && b.Tex(3) && b.Bump())) return false;
    return b.Pass(
               [](B& b)
               {
                   b.Specular(false);
                   b.Col(0, MODULATE, TEX, DIF);
                   b.Tci(1, 0);
                   b.Col(1, BUMPENVMAP, TEX, CUR);
                   b.BumpMat(1, 1, 0, 0, 1, 1, 0);
                   b.Tci(2, CSREFL | 0);
                   b.Ttff(2, COUNT3);
                   b.Col(2, ADD, TEX, CUR);
               },
               {0, 2, 3}) &&
           b.Close(
               [](B& b)
               {
                   b.Specular(true);
                   b.Ttff(1, TTFF_OFF);
                   b.Off(1);
                   b.Off(2);
                   b.Tci(2, 0);
               });
}

// ---- 23 SHADER_WATER: bump map (1), reflection (2), water texture (0)
bool WaterNeeds(B& b)
{
    return b.Stages(4) && b.Tex(3) && b.Bump() && b.Projected() && b.Temp();
}
void WaterVertexConstants(B& b)
{
    b.VSConst(kVSReflectionOffset, 0.5f, 0.5f, -0.25f, 1.0f);
    b.VSConst(kVSReflectionStrength, 0.5f, 0.0f, 1.0f, 1.3f);
}
bool WaterShader(B& b)
{
    SetDefaultStates();
    // The vertex program must exist: without it the draw would have no
    // vertex processing at all.
    if (!(WaterNeeds(b) && b.VS(VS_WATER))) return false;
    b.UseVertexShader(VS_WATER);
    return b.Pass(
               [](B& b)
               {
                   WaterVertexConstants(b);
                   b.Col(0, BUMPENVMAP, TEX);
                   b.Alpha(0, SELECTARG1, TF);
                   b.BumpMat(0, 0.1f, 0, 0, 0.1f, 0.1f, 0);
                   b.Col(1, SELECTARG1, TEX);
                   b.Result(1, TMP);
                   b.Col(2, MODULATE, DIF, TEX);
                   b.Alpha(2, SELECTARG2, KEEP, SPC);
                   b.Col(3, BLENDDIFFUSEALPHA, TMP, CUR);
                   b.Alpha(3, SELECTARG2, KEEP, SPC);
                   b.Cull(CULL_CCW);
                   b.Blend(SRCALPHA, INVSRCALPHA);
               },
               {1, 2, 0}) &&
           b.Close(
               [](B& b)
               {
                   b.Tci(1, 0);
                   b.Tci(2, 0);
                   b.Blend(ONE, ZERO);
                   b.Wrap(1);
                   b.Wrap(0);
                   b.Result(1, CUR);
                   b.Off(1);
                   b.Off(2);
                   b.Off(3);
                   b.ZWrite(true);
                   b.DSrc(MAT);
                   b.Filter(0);
                   b.Filter(1);
               });
}
bool WaterFixed(B& b)
{
    if (!WaterNeeds(b)) return false;
    return b.Pass(
               [](B& b)
               {
                   b.Col(0, BUMPENVMAP, TEX);
                   b.Alpha(0, SELECTARG1, TF);
                   b.BumpMat(0, 0.1f, 0, 0, 0.1f, 0.1f, 0);
                   b.Clamp(0);
                   b.Tci(1, CSPOS | 1);
                   b.Ttff(1, COUNT3_PROJECTED);
                   b.Col(1, SELECTARG1, TEX);
                   b.Clamp(1);
                   b.FactorA(0.75f);
                   b.Col(2, BLENDFACTORALPHA, CUR, TEX);
                   b.Alpha(2, SELECTARG2, KEEP, DIF);
                   b.ZWrite(false);
                   b.Blend(SRCALPHA, INVSRCALPHA);
               },
               {1, 2, 0}, true) &&
           b.Close(
               [](B& b)
               {
                   b.OffA(1);
                   b.OffA(2);
                   b.Tci(1, 0);
                   b.Ttff(0, TTFF_OFF);
                   b.Ttff(1, TTFF_OFF);
                   b.Ttff(2, TTFF_OFF);
                   b.Wrap(1);
                   b.Wrap(0);
                   b.ZWrite(true);
                   b.Blend(ONE, ZERO);
               });
}
bool WaterProjected(B& b)
{
    if (!(b.Stages(2) && b.Tex(2) && b.Projected())) return false;
    return b.Pass(
               [](B& b)
               {
                   b.DSrc(C1);
                   b.Col(0, MODULATE, TEX, DIF);
                   b.Alpha(0, SELECTARG1, TEX);
                   b.Tci(1, CSPOS | 1);
                   b.Ttff(1, COUNT3_PROJECTED);
                   b.FactorA(0.5f);
                   b.Col(1, BLENDFACTORALPHA, CUR, TEX);
                   b.Alpha(1, SELECTARG2, KEEP, DIF);
                   b.Clamp(1);
                   b.ZWrite(false);
                   b.Blend(SRCALPHA, INVSRCALPHA);
               },
               {0, 2}) &&
           b.Close(
               [](B& b)
               {
                   b.Clip(true);
                   b.DSrc(MAT);
                   b.Off(1);
                   b.Tci(1, 0);
                   b.Ttff(0, TTFF_OFF);
                   b.Ttff(1, TTFF_OFF);
                   b.Wrap(1);
                   b.Blend(ONE, ZERO);
                   b.ZWrite(true);
               });
}
bool WaterSimple(B& b)
{
    return b.Pass(
               [](B& b)
               {
                   b.Col(0, MODULATE, TEX, DIF);
                   b.Alpha(0, SELECTARG2, KEEP, DIF);
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

// ---- 54 SHADER_WATER_REFLECTION
bool WaterReflection(B& b)
{
    SetDefaultStates();
    if (!(WaterNeeds(b) && b.VS(VS_WATER))) return false;
    b.UseVertexShader(VS_WATER);
    return b.Pass(
               [](B& b)
               {
                   b.VSConst(kVSReflectionOffset, 0.5f, 0.5f, -0.25f, 1.0f);
                   b.Col(0, BUMPENVMAP, TEX);
                   b.Alpha(0, SELECTARG1, TF);
                   b.BumpMat(0, 0.5f, 0, 0, 0.5f, 0.1f, 0);
                   b.Ttff(0, COUNT3);
                   b.Clamp(0);
                   b.Col(1, SELECTARG1, TEX);
                   b.Alpha(1, SELECTARG1, SPC);
                   b.Clamp(1);
                   b.ZWrite(false);
                   b.Cull(CULL_CCW);
                   b.Blend(SRCALPHA, ONE);
               },
               {1, 2, 0}) &&
           b.Close(
               [](B& b)
               {
                   b.Tci(1, 0);
                   b.Tci(2, 0);
                   b.Blend(ONE, ZERO);
                   b.Wrap(1);
                   b.Wrap(0);
                   b.Result(1, CUR);
                   b.Off(1);
                   b.Off(2);
                   b.Off(3);
                   b.ZWrite(true);
                   b.DSrc(MAT);
                   b.Filter(0);
                   b.Filter(1);
               });
}

// ---- 26 SHADER_NORMAL_WITHDETAILS, 32 SHADER_NORMAL_WITHDETAILS_ADD
template <std::uint32_t DetailOp> bool WithDetailsStages(B& b)
{
    if (!(b.Stages(3) && b.Tex(2) && b.Temp())) return false;
    return b.Pass(
               [](B& b)
               {
                   b.Col(0, MODULATE, TEX, DIF);
                   b.Alpha(0, MODULATE, TEX, DIF);
                   b.Result(0, TMP);
                   b.Col(1, DetailOp, TEX, TMP);
                   b.Alpha(1, MODULATE, TEX, TMP);
                   b.Ttff(1, COUNT2);
                   b.Col(2, BLENDCURRENTALPHA, CUR, TMP);
                   b.Alpha(2, SELECTARG2, CUR, TMP);
               },
               {0, 1}) &&
           b.Close(
               [](B& b)
               {
                   b.Off(1);
                   b.Off(2);
                   b.Ttff(1, TTFF_OFF);
                   b.Result(0, CUR);
               });
}
template <std::uint32_t DetailOp> bool WithDetailsTwoPasses(B& b)
{
    return b.Pass(
               [](B& b)
               {
                   b.Col(0, MODULATE, TEX, DIF);
                   b.Alpha(0, MODULATE, TEX, DIF);
               },
               {0}) &&
           b.Pass(
               [](B& b)
               {
                   b.Col(0, MODULATE, TEX, CUR);
                   b.Alpha(0, MODULATE, TEX, CUR);
                   b.Col(1, DetailOp, TEX, CUR);
                   b.Alpha(1, MODULATE, TEX, CUR);
                   b.Ttff(1, COUNT2);
                   b.Blend(SRCALPHA, INVSRCALPHA);
                   b.ZWrite(false);
               },
               {0, 1}) &&
           b.Close(
               [](B& b)
               {
                   b.Off(1);
                   b.ZWrite(true);
                   b.Ttff(1, TTFF_OFF);
                   b.Blend(ONE, ZERO);
               });
}

// ---- 35 SHADER_BUMP_DIFFUSE
bool BumpDiffuse(B& b)
{
    if (!(b.Stages(2) && b.Tex(2))) return false;
    return b.Pass(
               [](B& b)
               {
                   b.Light(false);
                   b.ATest(true);
                   b.Cull(CULL_NONE);
                   b.Blend(DESTCOLOR, ZERO);
                   b.Col(0, DOTPRODUCT3, TEX, Inv(DIF));
                   b.Alpha(0, MODULATE, TEX, DIF);
                   b.Col(1, BLENDTEXTUREALPHA, Inv(CUR), TF);
                   b.Alpha(1, SELECTARG1, CUR);
                   b.Factor(0xFFFFFFFFu);
               },
               {0, 0}) &&
           b.Pass(
               [](B& b)
               {
                   b.Blend(DESTCOLOR, ONE);
                   b.Factor(0);
                   b.Col(0, DOTPRODUCT3, TEX, DIF);
                   b.Alpha(0, SELECTARG2, DIF, TEX);
                   b.Col(1, BLENDTEXTUREALPHA, CUR, TF);
                   b.Alpha(1, SELECTARG1, CUR);
               },
               {0, 0}) &&
           b.Reenter(
               [](B& b)
               {
                   b.Rs(D3DRS_DESTBLEND, ZERO);
                   b.Tss(0, D3DTSS_COLORARG2, Inv(DIF));
                   b.Tss(1, D3DTSS_COLORARG1, Inv(CUR));
                   b.Factor(0xFFFFFFFFu);
               }) &&
           b.Close(
               [](B& b)
               {
                   b.Cull(CULL_CCW);
                   b.ATest(false);
                   b.Off(1);
                   b.Blend(ONE, ZERO);
                   b.Light(true);
               });
}

// ---- 36 SHADER_BUMPMAP_SPEC
bool BumpSpecStages(B& b)
{
    if (!b.Stages(3)) return false;
    return b.Pass(
               [](B& b)
               {
                   // The dot product raised to the fourth power.
                   b.Col(0, DOTPRODUCT3, TEX, SPC);
                   b.Alpha(0, SELECTARG2, KEEP, DIF);
                   b.Col(1, MODULATE, CUR, CUR);
                   b.Alpha(1, SELECTARG2, KEEP, DIF);
                   b.Col(2, MODULATE, CUR, CUR);
                   b.Alpha(2, SELECTARG2, KEEP, DIF);
                   b.Blend(SRCALPHA, ONE);
                   b.Light(false);
               },
               {0}) &&
           b.Close(
               [](B& b)
               {
                   b.Off(1);
                   b.Off(2);
                   b.Blend(ONE, ZERO);
                   b.Light(true);
               });
}
bool BumpSpecShader(B& b)
{
    if (!b.PS(PS_SPECBUMP)) return false;
    b.UsePixelShader(PS_SPECBUMP, false);
    return b.Pass(
               [](B& b)
               {
                   b.SetPS(PS_SPECBUMP);
                   b.Blend(SRCALPHA, ONE);
                   b.Light(false);
               },
               {0}) &&
           b.Close(
               [](B& b)
               {
                   b.Blend(ONE, ZERO);
                   b.Light(true);
                   b.NoPS();
                   b.Off(1);
                   b.Off(2);
               });
}
bool BumpSpecTwoStages(B& b)
{
    SetDefaultStates();
    if (!(b.Stages(2) && b.Tex(2))) return false;
    return b.Pass(
               [](B& b)
               {
                   b.Cull(CULL_NONE);
                   b.Col(0, DOTPRODUCT3, TEX, SPC);
                   b.Alpha(0, SELECTARG2, TEX, DIF);
                   b.Col(1, MODULATE, CUR, CUR);
                   b.Alpha(1, MODULATE, TEX, DIF);
                   b.Blend(SRCALPHA, ONE);
                   b.Light(false);
               },
               {0, 0}) &&
           b.Close(
               [](B& b)
               {
                   b.Cull(CULL_CCW);
                   b.Off(1);
                   b.Blend(ONE, ZERO);
                   b.Light(true);
               });
}

// ---- 42 SHADER_HORIZONT
bool HorizontStages(B& b)
{
    SetDefaultStates();
    return b.Pass(
               [](B& b)
               {
                   b.DSrc(MAT);
                   b.Col(0, MODULATE, TEX, DIF);
                   b.Alpha(0, SELECTARG1, TEX);
                   b.Result(0, TMP);
                   b.Col(1, MODULATE, TEX, TMP);
                   b.Alpha(1, SELECTARG1, TEX);
                   b.Ttff(1, COUNT2);
                   b.Col(2, BLENDCURRENTALPHA, CUR, TMP);
                   b.Alpha(2, MODULATE, TF, TEX);
                   b.AddressV(2, D3DTADDRESS_CLAMP);
                   b.Tci(2, 1);
                   b.Ttff(2, COUNT2);
                   b.Col(3, BLENDCURRENTALPHA, TF, CUR);
                   b.Alpha(3, SELECTARG2, KEEP, DIF);
               },
               {0, 1, 2}, true) &&
           b.Close(
               [](B& b)
               {
                   b.AddressV(2, D3DTADDRESS_WRAP);
                   b.Off(1);
                   b.Off(2);
                   b.Off(3);
                   b.Result(0, CUR);
                   b.Ttff(1, TTFF_OFF);
                   b.Ttff(2, TTFF_OFF);
                   b.Tci(2, 0);
               });
}
bool HorizontTwoPasses(B& b)
{
    return b.Pass(
               [](B& b)
               {
                   b.DSrc(MAT);
                   b.Col(0, MODULATE, TEX, DIF);
                   b.Alpha(0, SELECTARG1, TEX);
                   b.Col(1, MODULATE, CUR, TEX);
                   b.Alpha(1, SELECTARG1, CUR);
                   b.Ttff(1, COUNT2);
               },
               {0, 1}) &&
           b.Pass(
               [](B& b)
               {
                   b.AddressV(0, D3DTADDRESS_CLAMP);
                   b.Tci(0, 1);
                   b.Ttff(0, COUNT2);
                   b.Col(0, SELECTARG1, TF);
                   b.Alpha(0, SELECTARG1, TEX);
                   b.Blend(SRCALPHA, INVSRCALPHA);
                   b.Off(1);
                   b.Ttff(1, TTFF_OFF);
               },
               {2}) &&
           b.Close(
               [](B& b)
               {
                   b.AddressV(0, D3DTADDRESS_WRAP);
                   b.Ttff(0, TTFF_OFF);
                   b.Tci(0, 0);
                   b.Blend(ONE, ZERO);
               });
}

// ---- 43 SHADER_BUMPMAP_SPEC2
bool BumpSpec2(B& b)
{
    if (!(b.Stages(2) && b.Tex(2))) return false;
    return b.Pass(
               [](B& b)
               {
                   b.Col(0, DOTPRODUCT3, TEX, DIF);
                   b.Alpha(0, SELECTARG2, TEX, TF);
                   b.Tci(1, 0);
                   b.Col(1, MODULATE, CUR, TF);
                   b.Alpha(1, MODULATE, TEX, DIF);
                   b.Cull(CULL_NONE);
                   b.Blend(SRCALPHA, ONE);
                   b.Light(false);
                   b.DSrc(C1);
                   b.Specular(false);
               },
               {0, 0}) &&
           b.Close(
               [](B& b)
               {
                   b.DSrc(MAT);
                   b.Cull(CULL_CCW);
                   b.Off(1);
                   b.Blend(ONE, ZERO);
                   b.Light(true);
                   b.Specular(true);
               });
}

// ---- 44 SHADER_MINIMAP: map (0), mask (1) on set 1, overlay (2)
bool MinimapStages(B& b)
{
    if (!(b.Stages(3) && b.Tex(3))) return false;
    return b.Pass(
               [](B& b)
               {
                   b.Blend(SRCALPHA, INVSRCALPHA);
                   b.Col(0, SELECTARG1, TEX);
                   b.Alpha(0, SELECTARG1, TEX);
                   b.Tci(1, 1);
                   b.Col(1, SELECTARG1, CUR);
                   b.Alpha(1, MODULATE, TEX, TF);
                   b.Clamp(1);
                   b.Cull(CULL_NONE);
               },
               {0, 2, 1}) &&
           b.Close(
               [](B& b)
               {
                   b.Cull(CULL_CCW);
                   b.Blend(ONE, ZERO);
                   b.Tci(1, 0);
                   b.Off(1);
                   b.Wrap(1);
               });
}
bool MinimapSimple(B& b)
{
    return b.Pass(
               [](B& b)
               {
                   b.ZTest(false);
                   b.Blend(SRCALPHA, INVSRCALPHA);
                   b.Col(0, SELECTARG1, TEX);
                   b.Alpha(0, SELECTARG1, TF);
                   b.Tci(1, 1);
                   b.Col(1, SELECTARG1, CUR);
                   b.Alpha(1, MODULATE, TEX);
                   b.Cull(CULL_NONE);
               },
               {0, 2}) &&
           b.Close(
               [](B& b)
               {
                   b.Cull(CULL_CCW);
                   b.Blend(ONE, ZERO);
                   b.Off(1);
                   b.Tci(1, 0);
                   b.ZTest(true);
               });
}

// ---- 57 SHADER_MAP_NEAR, 58 SHADER_MAP_NEAR_1
bool MapNear(B& b)
{
    if (!(b.Stages(3) && b.Tex(2))) return false;
    return b.Pass(
               [](B& b)
               {
                   b.Blend(SRCALPHA, INVSRCALPHA);
                   b.Col(0, MODULATE, TEX, DIF);
                   b.Alpha(0, SELECTARG1, TEX);
                   b.Col(1, BLENDCURRENTALPHA, CUR, DIF);
                   b.Alpha(1, SELECTARG1, DIF);
                   b.Col(2, ADD, CUR, CUR);
                   b.Alpha(2, SELECTARG1, DIF);
               },
               {0}, true) &&
           b.Close(
               [](B& b)
               {
                   b.Off(1);
                   b.Off(2);
                   b.Blend(ONE, ZERO);
               });
}
bool MapNear1(B& b)
{
    return b.Pass(
               [](B& b)
               {
                   b.Blend(SRCALPHA, INVSRCALPHA);
                   b.Col(0, MODULATE, TEX, DIF);
                   b.Alpha(0, SELECTARG1, TEX);
                   b.Col(1, BLENDCURRENTALPHA, CUR, DIF);
                   b.Alpha(1, SELECTARG1, DIF);
               },
               {0}, true) &&
           b.Close(
               [](B& b)
               {
                   b.Off(1);
                   b.Blend(ONE, ZERO);
               });
}
} // namespace

void AddTerrainTechniques(STechniqueRecipe table[kTechniqueCount])
{
    SetRecipe(table, SHADER_BUMP_ENV, TECHNIQUE_SILENT, {BumpEnv});
    SetRecipe(table, SHADER_WATER, TECHNIQUE_REQUIRED,
              {WaterShader, WaterFixed, WaterProjected, WaterSimple});
    SetRecipe(table, SHADER_WATER_REFLECTION, TECHNIQUE_SILENT, {WaterReflection});
    SetRecipe(table, SHADER_NORMAL_WITHDETAILS, TECHNIQUE_REQUIRED,
              {WithDetailsStages<MODULATE>, WithDetailsTwoPasses<MODULATE>});
    SetRecipe(table, SHADER_NORMAL_WITHDETAILS_ADD, TECHNIQUE_REQUIRED,
              {WithDetailsStages<MODULATE2X>, WithDetailsTwoPasses<MODULATE2X>});
    SetRecipe(table, SHADER_BUMP_DIFFUSE, TECHNIQUE_OPTIONAL, {BumpDiffuse},
              "TexShaderManager::Init SHADER_BUMP_DIFFUSE not supported");
    SetRecipe(table, SHADER_BUMPMAP_SPEC, TECHNIQUE_OPTIONAL,
              {BumpSpecStages, BumpSpecShader, BumpSpecTwoStages},
              "TexShaderManager::Init SHADER_BUMPMAP_SPEC not supported");
    SetRecipe(table, SHADER_HORIZONT, TECHNIQUE_REQUIRED, {HorizontStages, HorizontTwoPasses});
    SetRecipe(table, SHADER_BUMPMAP_SPEC2, TECHNIQUE_OPTIONAL, {BumpSpec2},
              "TexShaderManager::Init SHADER_BUMPMAP_SPEC2 not supported");
    SetRecipe(table, SHADER_MINIMAP, TECHNIQUE_REQUIRED, {MinimapStages, MinimapSimple});
    SetRecipe(table, SHADER_MAP_NEAR, TECHNIQUE_OPTIONAL, {MapNear},
              "TexShaderManager::Init SHADER_MAP_NEAR fails");
    SetRecipe(table, SHADER_MAP_NEAR_1, TECHNIQUE_OPTIONAL, {MapNear1},
              "TexShaderManager::Init SHADER_MAP_NEAR_1 fails");
}
