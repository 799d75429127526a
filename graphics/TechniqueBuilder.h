// CTechniqueBuilder: what a technique variant uses to check its needs and
// record its passes and closing block; the recipe table the manager builds
// from. Internal to the technique manager and its catalogue files.
//
// A variant is a function that checks the capabilities it needs, then
// records each pass and the closing block. Device setters called inside
// Pass, Close and Reenter go into the block being recorded; a validated
// pass first sets its states on the live device and asks ValidateDevice,
// and on refusal resets to the default state so the next variant starts
// clean. Threads: main thread only.
#pragma once

#include "graphics/TexShaderManager.h"
#include "platform/d3d8/D3D8Types.h"

#include <cstdint>
#include <initializer_list>

class CTechniqueBuilder;
using PFNTechniqueVariant = bool (*)(CTechniqueBuilder& b);
// The states of one pass or closing block, called while recording (and,
// for a validated pass, once before on the live device).
using PFNTechniqueStates = void (*)(CTechniqueBuilder& b);

enum ETechniqueClass
{
    TECHNIQUE_REQUIRED, // every variant failed: Init stops with the message
    TECHNIQUE_OPTIONAL, // the message is logged and Init goes on
    TECHNIQUE_SILENT,   // left unbuilt without a word
};

struct STechniqueRecipe
{
    int id = -1;
    const char* name = "";
    ETechniqueClass kind = TECHNIQUE_SILENT;
    const char* message = nullptr; // error-log text when every variant fails
    PFNTechniqueVariant variants[4] = {};
};

// Fills one row of the table (family files).
inline void SetRecipe(STechniqueRecipe table[], int id, ETechniqueClass kind,
                      std::initializer_list<PFNTechniqueVariant> variants, const char* message = nullptr)
{
    STechniqueRecipe& row = table[id];
    row.kind = kind;
    row.message = message;
    int i = 0;
    for (PFNTechniqueVariant v : variants)
        if (i < 4) row.variants[i++] = v;
}

// The recipe of a technique id (0..61).
const STechniqueRecipe& GetTechniqueRecipe(int id);

// Each family file fills the rows of its techniques.
void AddBasicTechniques(STechniqueRecipe table[kTechniqueCount]);
void AddEffectTechniques(STechniqueRecipe table[kTechniqueCount]);
void AddTerrainTechniques(STechniqueRecipe table[kTechniqueCount]);
void AddShaderTechniques(STechniqueRecipe table[kTechniqueCount]);

// Short names of the catalogue's notation.
namespace tech
{
using namespace plat::d3d;
constexpr std::uint32_t KEEP = 0xFFFFFFFFu; // argument left as it was
constexpr std::uint32_t TEX = D3DTA_TEXTURE, CUR = D3DTA_CURRENT, DIF = D3DTA_DIFFUSE, SPC = D3DTA_SPECULAR,
                        TF = D3DTA_TFACTOR, TMP = D3DTA_TEMP;
constexpr std::uint32_t Inv(std::uint32_t a)
{
    return a | D3DTA_COMPLEMENT;
}
constexpr std::uint32_t MODULATE = D3DTOP_MODULATE, MODULATE2X = D3DTOP_MODULATE2X,
                        MODULATE4X = D3DTOP_MODULATE4X, SELECTARG1 = D3DTOP_SELECTARG1,
                        SELECTARG2 = D3DTOP_SELECTARG2, ADD = D3DTOP_ADD, SUBTRACT = D3DTOP_SUBTRACT,
                        BLENDDIFFUSEALPHA = D3DTOP_BLENDDIFFUSEALPHA,
                        BLENDTEXTUREALPHA = D3DTOP_BLENDTEXTUREALPHA,
                        BLENDFACTORALPHA = D3DTOP_BLENDFACTORALPHA,
                        BLENDCURRENTALPHA = D3DTOP_BLENDCURRENTALPHA, DOTPRODUCT3 = D3DTOP_DOTPRODUCT3,
                        BUMPENVMAP = D3DTOP_BUMPENVMAP, MULTIPLYADD = D3DTOP_MULTIPLYADD,
                        DISABLE = D3DTOP_DISABLE;
constexpr std::uint32_t ONE = D3DBLEND_ONE, ZERO = D3DBLEND_ZERO, SRCALPHA = D3DBLEND_SRCALPHA,
                        INVSRCALPHA = D3DBLEND_INVSRCALPHA, DESTCOLOR = D3DBLEND_DESTCOLOR;
constexpr std::uint32_t CULL_NONE = D3DCULL_NONE, CULL_CCW = D3DCULL_CCW;
constexpr std::uint32_t MAT = D3DMCS_MATERIAL, C1 = D3DMCS_COLOR1, C2 = D3DMCS_COLOR2;
constexpr std::uint32_t CSPOS = D3DTSS_TCI_CAMERASPACEPOSITION,
                        CSREFL = D3DTSS_TCI_CAMERASPACEREFLECTIONVECTOR;
constexpr std::uint32_t COUNT2 = D3DTTFF_COUNT2, COUNT3 = D3DTTFF_COUNT3,
                        COUNT3_PROJECTED = D3DTTFF_COUNT3 | D3DTTFF_PROJECTED, TTFF_OFF = D3DTTFF_DISABLE;
} // namespace tech

class CTechniqueBuilder
{
public:
    CTechniqueBuilder(TexShaderManager& manager, STechnique& technique);

    // ---- requirements ----
    bool Stages(int n) const; // usable blend stages
    bool Tex(int n) const;    // simultaneous textures
    bool Temp() const;        // D3DTA_TEMP and RESULTARG
    bool Bump() const;        // BUMPENVMAP
    bool Projected() const;   // projected texture coordinates
    bool Spec() const;        // the specular probe passed
    bool PS(int slot) const;  // pixel shaders and that program created
    bool VS(int slot) const;  // vertex shaders and that program created

    // ---- recording ----
    bool Pass(PFNTechniqueStates states, std::initializer_list<int> textures, bool validated = false);
    bool Close(PFNTechniqueStates states);
    bool Reenter(PFNTechniqueStates states);
    void NoClose() { m_t.m_hClose = kNoBlock; }
    void UsePixelShader(int slot, bool specularX4);
    void UseVertexShader(int slot);
    void SetSpecularX4(bool x4) { m_t.m_bSpecularX4 = x4; }

    // ---- states (see the notation of the catalogue) ----
    void Col(int s, std::uint32_t op, std::uint32_t a1 = tech::KEEP, std::uint32_t a2 = tech::KEEP);
    void Alpha(int s, std::uint32_t op, std::uint32_t a1 = tech::KEEP, std::uint32_t a2 = tech::KEEP);
    void ColMulAdd(int s, std::uint32_t a1, std::uint32_t a2, std::uint32_t a0);
    void Result(int s, std::uint32_t arg); // ->TMP, ->CUR
    void Tci(int s, std::uint32_t v);
    void Ttff(int s, std::uint32_t v);
    void Clamp(int s);
    void Wrap(int s);
    void ClampB(int s); // clamp*: border addressing when the device has it
    void WrapB(int s);  // wrap*
    void AddressV(int s, std::uint32_t v);
    void BumpMat(int s, float m00, float m01, float m10, float m11, float scale, float offset);
    void Off(int s);  // COLOROP DISABLE
    void OffA(int s); // COLOROP and ALPHAOP DISABLE
    void Tss(int s, std::uint32_t type, std::uint32_t value);
    void Rs(std::uint32_t state, std::uint32_t value);
    void Blend(std::uint32_t src, std::uint32_t dst);
    void ZWrite(bool on) { Rs(plat::d3d::D3DRS_ZWRITEENABLE, on); }
    void ZTest(bool on) { Rs(plat::d3d::D3DRS_ZENABLE, on); }
    void Cull(std::uint32_t mode) { Rs(plat::d3d::D3DRS_CULLMODE, mode); }
    void ATest(bool on) { Rs(plat::d3d::D3DRS_ALPHATESTENABLE, on); }
    void ARef(std::uint32_t ref) { Rs(plat::d3d::D3DRS_ALPHAREF, ref); }
    void Light(bool on) { Rs(plat::d3d::D3DRS_LIGHTING, on); }
    void Specular(bool on) { Rs(plat::d3d::D3DRS_SPECULARENABLE, on); }
    void ABlend(bool on) { Rs(plat::d3d::D3DRS_ALPHABLENDENABLE, on); }
    void Clip(bool on) { Rs(plat::d3d::D3DRS_CLIPPING, on); }
    void NormalizeNormals(bool on) { Rs(plat::d3d::D3DRS_NORMALIZENORMALS, on); }
    void DSrc(std::uint32_t v) { Rs(plat::d3d::D3DRS_DIFFUSEMATERIALSOURCE, v); }
    void ESrc(std::uint32_t v) { Rs(plat::d3d::D3DRS_EMISSIVEMATERIALSOURCE, v); }
    void SSrc(std::uint32_t v) { Rs(plat::d3d::D3DRS_SPECULARMATERIALSOURCE, v); }
    void Factor(std::uint32_t colour); // SetTextureFactor(colour, 3)
    void FactorA(float alpha);         // SetTextureFactorAlpha(alpha, 3)
    void SetPS(int slot);              // the program of a slot
    void NoPS();                       // PS 0 of a closing block: no pixel program
    void VSConst(std::uint32_t reg, float x, float y, float z, float w);
    void Filter(int s); // the device's filter setting for the stage
    void BindRamp(int s);

    // After a successful variant: when its passes leave a default state
    // changed and it has no closing block, records one that restores them.
    bool Finish();

private:
    bool Record(PFNTechniqueStates states, std::uint32_t* handle, bool track);
    void Track(std::uint32_t key, std::uint32_t value);
    // Sets every tracked default state that differs back to its default.
    void RestoreDrift();
    bool HasDrift() const;

    TexShaderManager& m_manager;
    STechnique& m_t;
    bool m_bTracking = false;
    // Last value the recorded blocks set for each render state, stage
    // state of stages 0-3 and the pixel shader; kUntouched when none did.
    std::uint32_t m_aRenderState[plat::d3d::kRenderStateCount];
    std::uint32_t m_aStageState[4][plat::d3d::kStageStateCount];
    std::uint32_t m_nPixelShader;
};
