// TexShaderManager: the catalogue of the engine's 62 rendering techniques.
//
// A technique is a numbered recipe for drawing one mesh: up to three passes,
// each a state block recorded once per device, the caller textures each
// pass binds to its stages, an optional vertex and pixel program, and a
// closing block that returns the device to the default state of
// SetDefaultStates. Init picks, per technique, the first variant the device
// can run (capability flags of graph, the specular probe and
// ValidateDevice); the variants themselves are in TechniqueCatalogue*.cpp.
//
// Every renderer draws through ApplyStateBlock; loops over many meshes
// bracket themselves with InvalidateState / RestoreState (batch mode), which
// defers closing blocks until the technique changes.
//
// Ownership: the manager owns every state block, program and the ramp
// texture it creates; Purge releases all of them (the shell purges before a
// device reset and calls Init(false) after it).
// Threads: main thread only; not locked.
#pragma once

#include "graphics/Shaders.h"

#include <cstdint>

class CMesh;
class CTexture;

constexpr int kTechniqueCount = 62;
constexpr std::uint32_t kNoBlock = 0xFFFFFFFFu;

enum ETechnique : int
{
    SHADER_NORMAL = 0,
    SHADER_SPECMAP = 1,
    SHADER_ALPHA_SI = 2,
    SHADER_ALPHA_SI_ADD = 3,
    SHADER_SPECMAP_ALPHA = 4,
    SHADER_BUMP_ENV = 5,
    SHADER_ALPHA_NORMAL_NOCULL = 6,
    SHADER_SHADOW = 7,
    SHADER_OBJ_DETAILS = 8,
    SHADER_FIRE = 9,
    SHADER_ALPHA_COLOR_NOCULL = 10,
    SHADER_ALPHA_EFFECT_NOLIGHT = 11,
    SHADER_ALPHA_EFFECT_LIGHT = 12,
    SHADER_ALPHA_EFFECT_CROSSHAIR = 13,
    SHADER_ONLYCOLOR = 14,
    SHADER_FACTOR_NOLIGHT = 15,
    SHADER_SKYLAYER = 16,
    SHADER_TEX2FACTOR_NOLIGHT = 17,
    SHADER_TEXFACTOR_NOLIGHT = 18,
    SHADER_ALPHA_EFFECT_FACTOR = 19,
    SHADER_ONLYMATERIAL = 20,
    SHADER_SPECALPHA_LIGHT = 21,
    SHADER_ALPHA_LIGHT = 22,
    SHADER_WATER = 23,
    SHADER_ALPHA_VCOLOR_NOLIGHT = 24,
    SHADER_ALPHA_VCOLOR_FACTOR_NOLIGHT = 25,
    SHADER_NORMAL_WITHDETAILS = 26,
    SHADER_ALPHA_DISSOLVE = 27,
    SHADER_TEX2_ALPHA_NOCULL = 28,
    SHADER_FACTOR_ALPHA = 29,
    SHADER_TEX2_MOD_NOCULL = 30,
    SHADER_MOD2X_DIFFUSE_BLEND = 31,
    SHADER_NORMAL_WITHDETAILS_ADD = 32,
    SHADER_ADD_FACTOR = 33,
    SHADER_DIFFUSE_TEXTRANSFORM = 34,
    SHADER_BUMP_DIFFUSE = 35,
    SHADER_BUMPMAP_SPEC = 36,
    SHADER_TEXT = 37,
    SHADER_ADD_EFFECT_FACTOR = 38,
    SHADER_TEX_DIFFUSE_ALPHA = 39,
    SHADER_ALPHA_MASK_FACTOR = 40,
    SHADER_FACTOR_SILHOUETTE = 41,
    SHADER_HORIZONT = 42,
    SHADER_BUMPMAP_SPEC2 = 43,
    SHADER_MINIMAP = 44,
    SHADER_ADD_VCOLOR_NOLIGHT = 45,
    SHADER_ALPHA_FACTOR_MASK_CLAMP = 46,
    SHADER_DETAIL_BLEND = 47,
    SHADER_TEX2_COLOR_ALPHA = 48,
    SHADER_ADD_VCOLOR_FACTOR_NOLIGHT = 49,
    SHADER_SPECMAP_MASK = 50,
    SHADER_MAP_HIDE_COLOR = 51,
    SHADER_DEPTH_ONLY = 52,
    SHADER_MAP_MASK = 53,
    SHADER_WATER_REFLECTION = 54,
    SHADER_ADD_FACTOR_MASK_CLAMP = 55,
    SHADER_TEX_FACTOR_ALPHA = 56,
    SHADER_MAP_NEAR = 57,
    SHADER_MAP_NEAR_1 = 58,
    SHADER_DIFFUSE2X_OPAQUE = 59,
    SHADER_DIFFUSE_OPAQUE = 60,
    SHADER_FIRE_ADD = 61,
};

// The technique's name ("SHADER_WATER"); "" for an id out of range.
const char* GetTechniqueName(int id);

struct STechnique
{
    std::int32_t m_iPassCount = 0;
    std::uint32_t m_hPass[3] = {};
    std::uint32_t m_hClose = kNoBlock;
    std::uint32_t m_hReenter = kNoBlock;
    // Per pass, the caller texture (0-3) for stage 0, 1, ...; -1 ends.
    std::int32_t m_aStageTexture[3][5] = {{-1, -1, -1, -1, -1}, {-1, -1, -1, -1, -1}, {-1, -1, -1, -1, -1}};
    std::uint32_t* m_pVertexShader = nullptr;
    std::uint32_t* m_pPixelShader = nullptr;
    bool m_bSpecularX4 = false;
};

class TexShaderManager
{
public:
    TexShaderManager();
    ~TexShaderManager();
    TexShaderManager(const TexShaderManager&) = delete;
    TexShaderManager& operator=(const TexShaderManager&) = delete;

    // Builds the shaders and every technique; with testDevice, runs the
    // specular probe first. False when a required technique failed.
    bool Init(bool testDevice);
    // The specular probe: sets m_bSpecularOk.
    void GetCaps();
    // Builds the device's programs for every pass of every built technique
    // with the vertex formats the engine draws, so that play does not stop
    // to compile them. The thread that owns the device only (elsewhere the
    // device refuses and nothing is built); leaves the default state.
    // Returns the number of programs compiled.
    int WarmUpPrograms();
    // Draws the mesh with technique id and up to four textures (may be null).
    void ApplyStateBlock(int id, CMesh* mesh, CTexture* tex0 = nullptr, CTexture* tex1 = nullptr,
                         CTexture* tex2 = nullptr, CTexture* tex3 = nullptr);
    void InvalidateState();
    void RestoreState();
    // Bit 0: the technique has a pixel program; bit 1: a vertex program.
    int GetTechniqueCaps(int id) const;
    // WRAP, or BORDER (CLAMP without border addressing) on U then V.
    void SetTextureClamp(bool clamp, int stage);
    // Releases every state block, program and the ramp texture.
    void Purge();
    void Done() { Purge(); }

    // Which variant built technique id (0 = the first), -1 when unbuilt.
    int GetVariant(int id) const;

    bool m_bBatch = false;
    std::int32_t m_iCurrent = -1;
    STechnique m_Techniques[kTechniqueCount];
    std::uint32_t m_hPixelShader[20] = {};
    std::uint32_t m_hVertexShader[20] = {};
    CTexture* m_pRampTexture = nullptr;
    bool m_bSpecularOk = false;

private:
    friend class CTechniqueBuilder;
    bool BuildTechnique(int id);
    void DeleteBlocks(STechnique& t);
    void ClearTables();
    void FillRampTexture();

    std::int8_t m_aVariant[kTechniqueCount] = {};
};

extern TexShaderManager* g_pTexShaderManager;

// The engine's default device state, which every closing block returns to;
// also unbinds stages 0-3, clears their texture-stage cache entries and
// sets no pixel program.
void SetDefaultStates();
