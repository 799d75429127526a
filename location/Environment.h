// CEnvironment: the look of the world over the day (one global,
// g_Environment).
//
// It keeps the location's environment records (read from the map's
// environment section), runs a time-of-day clock (one game hour per 120 real
// seconds, a day in 48 minutes), draws the next record at random two hours
// before each of the switch hours 5, 13 and 21 and blends sky, fog, light
// and wind towards it, places the sun and the moon, sets device lights 0
// (sun) and 1 (moon) and the ambient light, decides the sun's glare and the
// weights that turn the terrain's packed shadow texels into a light level.
// It draws the sky, the cloud layers, sun, moon and horizon and sets the fog
// for every other draw (Environment_Sky.cpp), owns the weather effect
// (EnvFX.h), plays the weather sounds and writes its state into the saved
// game's "ENV" chunk (Environment_State.cpp).
//
// The environment section (body of a map section of type 2):
//   0    4    i32 count of records
//   4    32   horizon model name, NUL-terminated
//   36   4    f32 upper height limit (0 none)
//   40   4    f32 death height (0 none)
//   44   120  not read
//   164  428 x count  SEnvRecord
//
// Random draws: through m_pRandom (the program's generator by default; a test
// puts its own in). Sounds: through g_pSoundManager when there is one.
// Threads: main thread only.
#pragma once

#include "foundation/Vector.h"
#include "graphics/Mesh.h"
#include "location/SkyHorizonFace.h"

#include <cstdint>
#include <memory>
#include <vector>

class CRandom;
class CMemStream;
class CEnvFX;

#pragma pack(push, 1)
struct SEnvSectionHeader
{
    std::int32_t count;       //   0
    char horizonModel[32];    //   4
    float upperLimit;         //  36
    float deathHeight;        //  40
    std::uint8_t unused[120]; //  44
};
static_assert(sizeof(SEnvSectionHeader) == 164);

// One look of the world. Colours are ARGB. The six texture fields hold a
// NUL-terminated name in the file; after loading their first four bytes
// hold the texture id (-1 unknown): read them with TextureId().
struct SEnvRecord
{
    union
    {
        struct
        {
            char text[64];                //   0: not read
            std::uint8_t night;           //  64: 1 night record, 0 day record
            std::uint8_t pad[3];          //  65
            std::uint32_t skyColor;       //  68: main hours
            std::uint32_t fogToSun;       //  72: main hours
            std::uint32_t fogFromSun;     //  76: main hours
            std::int32_t fogMode;         //  80: 0 default (2), 1 exp, 2 exp2, 3 linear
            float fogStart;               //  84
            float fogEnd;                 //  88
            float fogDensity;             //  92
            char cloud1[32];              //  96
            char cloud2[32];              // 128
            float cloudScale1;            // 160
            float cloudScale2;            // 164
            float cloudScroll1[3];        // 168: u, v, not read
            float cloudScroll2[3];        // 180
            char sun[32];                 // 192
            std::uint32_t ambient;        // 224
            std::uint32_t sunColor;       // 228
            std::uint32_t moonColor;      // 232
            char moon[32];                // 236
            float weight;                 // 268: weight of the random draw
            char sky[32];                 // 272: sky texture, main hours
            char skyDawn[32];             // 304: sky texture, dawn and dusk
            std::uint32_t skyColorDawn;   // 336
            float wind[3];                // 340
            std::uint32_t weather;        // 352: bit 0 rain, 1 snow, 2 storm
            float weatherIntensity;       // 356
            float weatherLength;          // 360
            float weatherSpread;          // 364
            std::uint32_t fogToSunDawn;   // 368
            std::uint32_t fogFromSunDawn; // 372
            std::uint8_t unused[52];      // 376: not read
        };
        std::uint8_t bytes[428];
    };

    static std::int32_t TextureId(const char field[32]);
    static void SetTextureId(char field[32], std::int32_t id);
};
static_assert(sizeof(SEnvRecord) == 428);
#pragma pack(pop)

// The record used before any is loaded.
SEnvRecord MakeDefaultEnvRecord();

// Channel-wise a x t + b x (1 - t) of two colours, rounded, alpha 0xFF.
// (Kept here until the renderer's colour helpers exist.)
std::uint32_t BlendColorRGB(std::uint32_t a, std::uint32_t b, float t);

class CEnvironment
{
public:
    static constexpr int kTextureFields[6] = {96, 128, 192, 236, 272, 304};
    static constexpr int kNightFlagOffset = 64;
    static constexpr std::uint32_t kStateSize = 765;
    static constexpr float kShadowHours[8] = {5.0f, 8.0f, 10.0f, 11.5f, 12.5f, 14.0f, 16.0f, 19.0f};

    CEnvironment();
    virtual ~CEnvironment();
    CEnvironment(const CEnvironment&) = delete;
    CEnvironment& operator=(const CEnvironment&) = delete;

    // ---- records and time of day (Environment.cpp)
    // Reads one environment section body of bodySize bytes from the pack
    // file system's current stream. A count that is negative or does not
    // fit the body, or a body cut short, throws std::runtime_error naming
    // the fault and keeps the previous records. Indices are not touched.
    void Load(std::uint32_t bodySize);
    void AllocRecords(int n);
    // Makes record n current (-1: none); immediate also moves the clock to
    // suit the record and puts the weather at full strength at once.
    void SetEnvironment(int n, bool immediate);
    // The game start: clock running, the last record current, 10:00.
    void StartGame();
    // The per-frame step (0 refreshes without advancing).
    void Run(float seconds);
    void UpdatePhase();
    // The weighted draw among day (0) or night (1) records; see the .cpp.
    int PickNextEnvironment(std::uint8_t night);
    void BlendWeather();
    void PickWeatherWindow();
    void UpdateLights();
    // The level of a packed shadow texel at the current hour: its two 4-bit
    // fields around the hour, weighted (0 when shadows are off).
    float GetShadowLevel(std::uint32_t texel) const;
    // No records, no sounds, indices -1.
    void Clear();

    // ---- sky, horizon and fog (Environment_Sky.cpp)
    void SetFog(bool on, float scale, float add);
    void ClearScreen();
    void RenderEnv();
    void RenderHorizonLimit();
    void RenderFX(bool skipWeather);
    void RenderCloudLayer(std::int32_t texture, const CMatrix& matrix, float alpha);
    void InitResources();
    void ReleaseResources();
    void UpdateHorizont();

    // ---- sounds and saved state (Environment_State.cpp)
    void WriteState(CMemStream* stream, std::uint32_t* size);
    // Reads the 765-byte state at the stream's position; false (nothing
    // changed) when fewer bytes are left. Indices are clamped to the records.
    bool ReadState(CMemStream* stream, std::uint32_t* size);
    void SaveToStream(CMemStream* stream) { WriteState(stream, nullptr); }
    bool LoadFromStream(CMemStream* stream) { return ReadState(stream, nullptr); }
    void Pause(bool pause);
    void StartRainLoop();
    void ProcSound(float seconds);

    const SEnvRecord* GetRecord(int i) const
    {
        return i >= 0 && i < std::int32_t(m_Records.size()) ? &m_Records[std::size_t(i)] : nullptr;
    }
    std::int32_t GetCount() const { return std::int32_t(m_Records.size()); }
    CEnvFX* GetEffect() const { return m_pEffect.get(); }
    // The random generator the environment and its weather effect draw from.
    void SetRandom(CRandom* random);
    CRandom& Random() const { return *m_pRandom; }

    float m_fFogMultiplier = 1.0f;
    bool m_bHorizonEnabled = true;
    bool m_bFrozen = true;
    float m_fTime = 12.0f;
    float m_fMoonTime = 0.0f;
    float m_fDays = 1.5f;
    CVector m_vSunDir{0.0f, 0.0f, 1.0f};
    CVector m_vMoonDir{0.0f, 0.0f, -1.0f};
    float m_fGlareLimit = 0.0f;
    float m_fSunStrength = 0.0f;
    float m_fSunBrightness = 0.0f;
    float m_fSunColorMax = 0.0f;
    std::int32_t m_iHorizonModel = -1;
    bool m_bShadowsOff = false;

    float m_fRainVolume = 0.0f;
    std::int32_t m_iRainSource = -1;
    float m_fWindTimer = 30.0f;
    float m_fThunderTimer = 30.0f;
    bool m_bRaining = false;
    bool m_bWasRaining = false;
    bool m_bSoundsPaused = false;
    std::int32_t m_iRainSound = -1;

    bool m_bChanging = false;
    float m_fChange = 0.0f;
    float m_fPhase = 0.0f;
    std::uint32_t m_uFogColor = 0;
    CMatrix m_mCloud[2]{CMatrix(1.0f), CMatrix(1.0f)};
    CMatrix m_mNextCloud[2]{CMatrix(1.0f), CMatrix(1.0f)};
    CHorizonFace m_HorizonFace;
    std::unique_ptr<CMesh> m_pSkyDome;
    std::unique_ptr<CMesh> m_pGlowBand;
    // The unit sprite quad of the sun, the moon and the glare (the model
    // manager has no sprite mesh of its own yet).
    std::unique_ptr<CMesh> m_pSprite;
    std::int32_t m_iSkyA = -1;
    std::int32_t m_iSkyB = -1;
    float m_fSkyBlend = 0.0f;
    std::uint32_t m_uSkyColor = 0xFF002080;
    float m_fReserved = 0.0f;
    float m_fGlare = 0.0f;
    float m_fUpperLimit = 0.0f;
    float m_fDeathHeight = 0.0f;
    float m_fWindowStart = 0.0f;
    float m_fWindowLength = 1000.0f;
    CVector m_vWind;
    SEnvRecord m_Work;
    std::int32_t m_iCurrent = -1;
    std::int32_t m_iNext = -1;
    std::int32_t m_iPrevious = -1;
    std::vector<SEnvRecord> m_Records;

    std::uint32_t m_uShadowMask1 = 0xF;
    std::int32_t m_iShadowShift1 = 0;
    float m_fShadowWeight1 = 1.0f / 15.0f;
    std::uint32_t m_uShadowMask2 = 0;
    std::int32_t m_iShadowShift2 = 0;
    float m_fShadowWeight2 = 0.0f;

    // The near and far distances fog is computed for (the view camera's).
    float m_fLastFogDensity = 0.0f; // what SetFog gave the device last
    float m_fNearDistance = 1.0f;
    float m_fFarDistance = 10000.0f;

private:
    void BlendSky(float t);
    void UpdateGlare(float frameTime);
    void UpdateShadowWeights(float t);
    // The stored record of an index, or the working record for -1.
    const SEnvRecord& Stored(int i) const;
    CVector ViewDirection() const;

    std::unique_ptr<CEnvFX> m_pEffect;
    SEnvRecord m_Previous{}; // the record current before the last switch
    bool m_bHavePrevious = false;
    CRandom* m_pRandom;
};

extern CEnvironment g_Environment;
