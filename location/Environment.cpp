#include "location/Environment.h"

#include "foundation/ErrorLog.h"
#include "foundation/FrameTimer.h"
#include "foundation/Graphic.h"
#include "foundation/Name32.h"
#include "foundation/PakFileSystem.h"
#include "foundation/Random.h"
#include "foundation/Settings.h"
#include "graphics/ModelManager.h"
#include "graphics/TextureManager.h"
#include "location/EnvFX.h"
#include "location/ViewCamera.h"
#include "sound/SoundManager.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>
#include <string>

CEnvironment g_Environment;

namespace
{
using namespace plat::d3d;

constexpr float kPi = 3.14159265358979f;

std::int32_t FindTexture(const char* field)
{
    char name[33];
    CopyName(name, field);
    name[32] = 0;
    return g_pTextureManager ? g_pTextureManager->FindName(name) : -1;
}

CMatrix ScaleMatrix(float u, float v)
{
    CMatrix m(1.0f);
    m.m[0][0] = u;
    m.m[1][1] = v;
    return m;
}

float Channel(std::uint32_t c, int shift)
{
    return float((c >> shift) & 0xFF) / 255.0f;
}

// The crossing of hour h by a step from t0 to t1.
bool Crosses(float t0, float t1, float h)
{
    return t0 <= h && h < t1;
}
} // namespace

std::int32_t SEnvRecord::TextureId(const char field[32])
{
    std::int32_t id;
    std::memcpy(&id, field, 4);
    return id;
}

void SEnvRecord::SetTextureId(char field[32], std::int32_t id)
{
    std::memcpy(field, &id, 4);
}

SEnvRecord MakeDefaultEnvRecord()
{
    SEnvRecord r{};
    r.skyColor = 0xFF002080;
    r.fogToSun = 0x808080;
    r.fogFromSun = 0x202020;
    r.fogStart = 100.0f;
    r.fogEnd = 1000.0f;
    r.fogDensity = 0.001f;
    r.cloudScale1 = r.cloudScale2 = 1.0f;
    r.cloudScroll1[0] = 1.0f;
    r.cloudScroll1[1] = 1.0f;
    r.cloudScroll2[0] = -1.0f;
    r.cloudScroll2[1] = 1.0f;
    // Texture ids, not names: a record that was never loaded names none.
    for (int offset : CEnvironment::kTextureFields)
        SEnvRecord::SetTextureId(reinterpret_cast<char*>(r.bytes + offset), -1);
    return r;
}

std::uint32_t BlendColorRGB(std::uint32_t a, std::uint32_t b, float t)
{
    std::uint32_t out = 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8)
    {
        const float v = float((a >> shift) & 0xFF) * t + float((b >> shift) & 0xFF) * (1.0f - t);
        out |= std::uint32_t(std::clamp(std::lround(v), 0L, 255L)) << shift;
    }
    return out;
}

CEnvironment::CEnvironment() : m_Work(MakeDefaultEnvRecord()), m_pRandom(&g_Random) {}

CEnvironment::~CEnvironment()
{
    // The global outlives the sound manager and the device at exit: only
    // what the environment owns itself goes here.
    m_pEffect.reset();
    m_HorizonFace.ReleaseMeshes();
}

void CEnvironment::SetRandom(CRandom* random)
{
    m_pRandom = random ? random : &g_Random;
}

const SEnvRecord& CEnvironment::Stored(int i) const
{
    const SEnvRecord* r = GetRecord(i);
    return r ? *r : m_Work;
}

void CEnvironment::Load(std::uint32_t bodySize)
{
    XTRACE("CEnvironment::Load");
    CPakFileSystem& files = GetPakFileSystem();
    SEnvSectionHeader header{};
    if (bodySize < sizeof(header))
        throw std::runtime_error("environment section of " + std::to_string(bodySize) +
                                 " bytes is shorter than its 164-byte header");
    if (files.ReadBytes(&header, sizeof(header)) != sizeof(header))
        throw std::runtime_error("environment header cut short");
    // The count comes from the file: it must fit the section it came in.
    const std::uint64_t need =
        sizeof(header) + std::uint64_t(header.count < 0 ? 0 : header.count) * sizeof(SEnvRecord);
    if (header.count < 0 || need != bodySize)
        throw std::runtime_error("environment count " + std::to_string(header.count) + " needs " +
                                 std::to_string(need) + " bytes, the section has " +
                                 std::to_string(bodySize));
    std::vector<SEnvRecord> records(std::size_t(header.count));
    const std::uint32_t bytes = std::uint32_t(records.size() * sizeof(SEnvRecord));
    if (bytes && files.ReadBytes(records.data(), bytes) != bytes)
        throw std::runtime_error("environment records cut short");
    for (SEnvRecord& record : records)
    {
        for (int offset : kTextureFields)
        {
            char* field = reinterpret_cast<char*>(record.bytes + offset);
            SEnvRecord::SetTextureId(field, FindTexture(field));
        }
    }
    header.horizonModel[sizeof(header.horizonModel) - 1] = 0;
    m_iHorizonModel = g_pModelManager ? g_pModelManager->FindName(header.horizonModel) : -1;
    m_fUpperLimit = header.upperLimit;
    m_fDeathHeight = header.deathHeight;
    m_Records = std::move(records);
}

void CEnvironment::AllocRecords(int n)
{
    m_Records.assign(std::size_t(std::max(n, 0)), SEnvRecord{});
}

void CEnvironment::StartGame()
{
    m_bFrozen = false;
    if (GetCount() > 0) SetEnvironment(GetCount() - 1, false);
    m_fTime = m_fMoonTime = 10.0f;
}

void CEnvironment::SetEnvironment(int n, bool immediate)
{
    XTRACE("CEnvironment::SetEnvironment");
    if (n != -1 && !GetRecord(n))
    {
        g_ErrorLog.LogError("Environment record %d of %d asked for; the environment stays", n, GetCount());
        return;
    }
    m_iPrevious = m_iCurrent;
    m_bHavePrevious = GetRecord(m_iPrevious) != nullptr;
    if (m_bHavePrevious) m_Previous = m_Records[std::size_t(m_iPrevious)];
    m_iCurrent = n;
    if (n == -1) return;

    m_Work = m_Records[std::size_t(n)];
    m_iSkyA = SEnvRecord::TextureId(m_Work.sky);
    m_fSkyBlend = 0.0f;
    m_uSkyColor = m_Work.skyColor | 0xFF000000u;
    if (n != m_iNext)
    {
        m_mCloud[0] = ScaleMatrix(m_Work.cloudScale1, m_Work.cloudScale1);
        m_mCloud[1] = ScaleMatrix(m_Work.cloudScale2, m_Work.cloudScale2);
    }
    else
    {
        // The record faded in with these: keep their scroll.
        m_mCloud[0] = m_mNextCloud[0];
        m_mCloud[1] = m_mNextCloud[1];
    }

    if (immediate)
    {
        Run(0.0f);
        if (m_Work.night && m_fTime > 5.0f && m_fTime < 21.0f)
        {
            m_fTime = 0.0f;
            m_bChanging = false;
        }
        else if (!m_Work.night && (m_fTime > 21.0f || m_fTime < 5.0f))
        {
            m_fTime = 14.0f;
            m_bChanging = false;
        }
    }
    else
    {
        m_iNext = -1;
        m_bChanging = false;
    }

    m_pEffect.reset();
    if (m_Work.weather & 1)
        m_pEffect = std::make_unique<CEnvFXRain>();
    else if (m_Work.weather & 2)
        m_pEffect = std::make_unique<CEnvFXSnow>();
    else if (m_Work.weather & 4)
        m_pEffect = std::make_unique<CEnvFXStorm>();
    if (m_pEffect) m_pEffect->SetRandom(m_pRandom);

    m_bRaining = (m_Work.weather & 1) != 0;
    m_bWasRaining = m_bHavePrevious && (m_Previous.weather & 1) != 0;
    if (g_pSoundManager && m_bRaining != m_bWasRaining && m_bRaining)
    {
        const float zero[3] = {};
        if (m_iRainSource == -1) m_iRainSource = g_pSoundManager->AddSndSrc(m_iRainSound, zero);
        g_pSoundManager->PlaySndSrc(m_iRainSource, true, false, false);
    }

    if (m_pEffect)
    {
        m_pEffect->Init(m_Work.weatherIntensity);
        if (immediate) m_pEffect->SetFull();
    }
    UpdatePhase();
    PickWeatherWindow();
}

void CEnvironment::UpdatePhase()
{
    const float t = m_fTime;
    if (t <= 5.0f)
        m_fPhase = (t + 3.0f) * 0.125f;
    else if (t <= 13.0f)
        m_fPhase = (t - 5.0f) * 0.125f;
    else if (t <= 21.0f)
        m_fPhase = (t - 13.0f) * 0.125f;
    else
        m_fPhase = (t - 21.0f) * 0.125f;
}

int CEnvironment::PickNextEnvironment(std::uint8_t night)
{
    float sum = 0.0f;
    for (const SEnvRecord& r : m_Records)
        if (r.night == night) sum += r.weight;
    const int count = GetCount();
    if (count < 1 || sum == 0.0f)
    {
        // No candidate of the kind: the clock stops with the sky it has.
        m_iCurrent = -1;
        m_bFrozen = true;
        m_bChanging = false;
        return count > 0 ? 0 : -1;
    }
    float r = float(m_pRandom->Next() % 1000u) * 0.001f * sum;
    for (int i = 0; i < count; ++i)
    {
        const SEnvRecord& record = m_Records[std::size_t(i)];
        if (record.night != night) continue;
        if (record.weight + 1e-6f >= r)
        {
            m_mNextCloud[0] = ScaleMatrix(record.cloudScale1, record.cloudScale1);
            m_mNextCloud[1] = ScaleMatrix(record.cloudScale2, record.cloudScale2);
            return i;
        }
        r -= record.weight;
    }
    g_ErrorLog.LogError("\xCE\xF8\xE8\xE1\xEA\xE0 \xEF\xF0\xE8 \xEE\xEF\xF0\xE5\xE4\xE5\xEB\xE5\xED\xE8\xE8 "
                        "\xE2\xE5\xF0\xEE\xFF\xF2\xED\xEE\xF1\xF2\xE8 \xEF\xEE\xFF\xE2\xEB\xE5\xED\xE8\xFF "
                        "\xEF\xEE\xE3\xEE\xE4\xFB");
    return 0;
}

void CEnvironment::BlendWeather()
{
    const float k = m_fChange;
    const SEnvRecord& next = Stored(m_iNext);
    const SEnvRecord& cur = Stored(m_iCurrent);
    m_Work.ambient = BlendColorRGB(next.ambient, cur.ambient, k);
    m_Work.sunColor = BlendColorRGB(next.sunColor, cur.sunColor, k);
    m_Work.fogStart = next.fogStart * k + cur.fogStart * (1.0f - k);
    m_Work.fogEnd = next.fogEnd * k + cur.fogEnd * (1.0f - k);
    m_Work.fogDensity = next.fogDensity * k + cur.fogDensity * (1.0f - k);
    for (int i = 0; i < 3; ++i)
        m_Work.wind[i] = next.wind[i] * k + cur.wind[i] * (1.0f - k);
}

void CEnvironment::PickWeatherWindow()
{
    if (!m_pEffect) return;
    // The record's window values are drawn (keeping the generator's
    // sequence) but the window used is the whole phase.
    (void)m_pRandom->Random(m_Work.weatherLength);
    (void)m_pRandom->Random(m_Work.weatherSpread);
    m_fWindowStart = 0.0f;
    m_fWindowLength = 1000.0f;
}

void CEnvironment::BlendSky(float t)
{
    const SEnvRecord& work = m_Work;
    const SEnvRecord& cur = Stored(m_iCurrent);
    const SEnvRecord& next = Stored(m_iNext);
    const SEnvRecord& prev = Stored(m_iPrevious);
    // Which blend of the table the hour falls in.
    enum
    {
        kSteady,
        kToDawn,
        kToNext,
        kFromPrev,
        kMidday
    } kind = kSteady;
    float f = 0.0f;
    if (t >= 2.0f && t < 4.0f)
        kind = kToDawn, f = (t - 2.0f) * 0.5f;
    else if (t >= 4.0f && t < 5.0f)
        kind = kToNext, f = (t - 4.0f) * 0.5f;
    else if (t >= 5.0f && t < 6.0f)
        kind = kFromPrev, f = (t - 4.0f) * 0.5f;
    else if (t >= 11.0f && t < 13.0f)
        kind = kMidday, f = (t - 11.0f) * 0.5f;
    else if (t >= 18.0f && t < 20.0f)
        kind = kToDawn, f = (t - 18.0f) * 0.5f;
    else if (t >= 20.0f && t < 21.0f)
        kind = kToNext, f = (t - 20.0f) * 0.5f;
    else if (t >= 21.0f && t < 22.0f)
        kind = kFromPrev, f = (t - 20.0f) * 0.5f;
    const float g = 1.0f - f;
    m_fSkyBlend = f;
    switch (kind)
    {
    case kToDawn:
        m_iSkyA = SEnvRecord::TextureId(work.sky);
        m_iSkyB = SEnvRecord::TextureId(work.skyDawn);
        m_uSkyColor = BlendColorRGB(work.skyColor, work.skyColorDawn, g);
        m_Work.fogToSun = BlendColorRGB(cur.fogToSun, cur.fogToSunDawn, g);
        m_Work.fogFromSun = BlendColorRGB(cur.fogFromSun, cur.fogFromSunDawn, g);
        break;
    case kToNext:
        m_iSkyA = SEnvRecord::TextureId(work.skyDawn);
        m_iSkyB = SEnvRecord::TextureId(next.sky);
        m_uSkyColor = BlendColorRGB(work.skyColorDawn, next.skyColor, g);
        m_Work.fogToSun = BlendColorRGB(cur.fogToSunDawn, next.fogToSun, g);
        m_Work.fogFromSun = BlendColorRGB(cur.fogFromSunDawn, next.fogFromSun, g);
        break;
    case kFromPrev:
        m_iSkyA = SEnvRecord::TextureId(prev.skyDawn);
        m_iSkyB = SEnvRecord::TextureId(work.sky);
        m_uSkyColor = BlendColorRGB(prev.skyColorDawn, work.skyColor, g);
        m_Work.fogToSun = BlendColorRGB(prev.fogToSunDawn, cur.fogToSun, g);
        m_Work.fogFromSun = BlendColorRGB(prev.fogFromSunDawn, cur.fogFromSun, g);
        break;
    case kMidday:
        m_iSkyA = SEnvRecord::TextureId(work.sky);
        m_iSkyB = SEnvRecord::TextureId(next.sky);
        m_uSkyColor = BlendColorRGB(work.skyColor, next.skyColor, g);
        m_Work.fogToSun = BlendColorRGB(cur.fogToSun, next.fogToSun, g);
        m_Work.fogFromSun = BlendColorRGB(cur.fogFromSun, next.fogFromSun, g);
        break;
    case kSteady:
        m_iSkyA = SEnvRecord::TextureId(work.sky);
        m_uSkyColor = work.skyColor;
        m_Work.fogToSun = cur.fogToSun;
        m_Work.fogFromSun = cur.fogFromSun;
        break;
    }
}

void CEnvironment::Run(float seconds)
{
    XTRACE("CEnvironment::Run");
    StartRainLoop();

    const float s = seconds * 0.01f;
    m_vWind = CVector{m_Work.wind[0], m_Work.wind[1], m_Work.wind[2]};
    m_mCloud[0].m[2][0] -= s * m_Work.cloudScroll1[0];
    m_mCloud[0].m[2][1] -= s * m_Work.cloudScroll1[1];
    m_mCloud[1].m[2][0] -= s * m_Work.cloudScroll2[0];
    m_mCloud[1].m[2][1] -= s * m_Work.cloudScroll2[1];
    if (const SEnvRecord* next = GetRecord(m_iNext))
    {
        m_mNextCloud[0].m[2][0] -= s * next->cloudScroll1[0];
        m_mNextCloud[0].m[2][1] -= s * next->cloudScroll1[1];
        m_mNextCloud[1].m[2][0] -= s * next->cloudScroll2[0];
        m_mNextCloud[1].m[2][1] -= s * next->cloudScroll2[1];
    }

    // A running clock needs a current record to blend from; without one
    // (a restored state may carry -1) it behaves as frozen.
    if (!m_bFrozen && GetCount() > 1 && m_iCurrent != -1)
    {
        if (m_iPrevious == -1) m_iPrevious = 0;
        if (m_iNext == -1) m_iNext = 0;
        const float t0 = m_fTime;
        m_fTime += seconds / 120.0f;
        m_fDays += seconds / 120.0f / 24.0f;
        m_fChange = 0.0f;
        const float t1 = m_fTime;
        if (Crosses(t0, t1, 3.0f))
            m_bChanging = true, m_iNext = PickNextEnvironment(0);
        else if (Crosses(t0, t1, 5.0f))
            m_bChanging = false, SetEnvironment(m_iNext, false);
        else if (Crosses(t0, t1, 11.0f))
            m_bChanging = true, m_iNext = PickNextEnvironment(0);
        else if (Crosses(t0, t1, 13.0f))
            m_bChanging = false, SetEnvironment(m_iNext, false);
        else if (Crosses(t0, t1, 19.0f))
            m_bChanging = true, m_iNext = PickNextEnvironment(1);
        else if (Crosses(t0, t1, 21.0f))
            m_bChanging = false, SetEnvironment(m_iNext, false);

        // A draw that found no candidate stopped the clock: the last sky
        // stays as it was.
        if (m_iCurrent != -1)
        {
            BlendSky(m_fTime);
            m_uSkyColor |= 0xFF000000u;
            if (m_bChanging)
            {
                const float x = (m_fTime - 1.0f) * 0.5f;
                m_fChange = x - std::trunc(x);
                BlendWeather();
            }
        }
        UpdatePhase();
        if (m_fTime >= 24.0f) m_fTime -= 24.0f;
        m_fMoonTime += seconds / 162.5f;
        if (m_fMoonTime >= 24.0f) m_fMoonTime -= 24.0f;
    }

    UpdateLights();

    if (m_pEffect)
    {
        const CVector& eye = g_ViewCamera.m_vPosition;
        m_pEffect->SetCenter(eye.x, eye.y, eye.z);
        if (m_pEffect->m_nActive != 0 || m_pEffect->m_nFade != 0) m_pEffect->Run(seconds);
        if (m_pEffect->m_nFade == 0 && !m_bFrozen)
        {
            if (m_fPhase > m_fWindowStart + m_fWindowLength)
            {
                if (m_pEffect->m_nActive == 0)
                    PickWeatherWindow();
                else
                    m_pEffect->m_nFade = 2;
            }
            else if (m_pEffect->m_nActive == 0 && m_fWindowStart < m_fPhase)
                m_pEffect->m_nFade = 1;
        }
    }

    {
        XTRACE("Sun Light");
        UpdateGlare(g_FrameTimer.GetFrameTime());
    }
    UpdateShadowWeights(m_fTime);
    if (!m_bSoundsPaused)
    {
        XTRACE("ProcSound");
        ProcSound(seconds);
    }
}

void CEnvironment::UpdateGlare(float frameTime)
{
    const CVector p = g_ViewCamera.m_vPosition + m_vSunDir * 30.0f;
    // Hidden by the view only: the terrain and object ray tests join when
    // those queries exist.
    const bool hidden = !g_ViewCamera.IsSphereVisible(p, 1.0f);
    if (hidden)
        m_fGlare = m_fGlare / std::pow(60.0f * (1.0f + std::fabs(m_fGlare) * 1e-10f), frameTime);
    else
        m_fGlare = std::min(m_fGlare + 4.0f * frameTime, m_fGlareLimit);
}

void CEnvironment::UpdateShadowWeights(float t)
{
    const float k = std::min(1.0f, std::sqrt(2.0f * std::max(m_fSunStrength, 0.0f))) / 15.0f;
    m_uShadowMask2 = 0;
    m_iShadowShift2 = 0;
    m_fShadowWeight2 = 0.0f;
    if (t <= 5.0f)
    {
        m_uShadowMask1 = 0xF;
        m_iShadowShift1 = 0;
        m_fShadowWeight1 = k;
        return;
    }
    if (t >= 19.0f)
    {
        m_uShadowMask1 = 0xF0000000u;
        m_iShadowShift1 = 28;
        m_fShadowWeight1 = k;
        return;
    }
    int i = 0;
    while (i < 6 && kShadowHours[i + 1] < t)
        ++i;
    const float w = 1.0f - (t - kShadowHours[i]) / (kShadowHours[i + 1] - kShadowHours[i]);
    m_uShadowMask1 = 0xFu << (4 * i);
    m_iShadowShift1 = 4 * i;
    m_fShadowWeight1 = w * k;
    m_uShadowMask2 = 0xFu << (4 * (i + 1));
    m_iShadowShift2 = 4 * (i + 1);
    m_fShadowWeight2 = (1.0f - w) * k;
}

float CEnvironment::GetShadowLevel(std::uint32_t texel) const
{
    if (m_bShadowsOff) return 0.0f;
    return float((texel & m_uShadowMask2) >> m_iShadowShift2) * m_fShadowWeight2 +
           float((texel & m_uShadowMask1) >> m_iShadowShift1) * m_fShadowWeight1;
}

void CEnvironment::UpdateLights()
{
    if (m_iCurrent == -1) return;
    Device* device = graph.m_lpDevice;
    if (device) device->SetRenderState(D3DRS_AMBIENT, m_Work.ambient);

    // The sun turns 15 degrees an hour in a plane tipped 45 degrees, lifted
    // so that it stays up longer than it is down.
    const float c = std::cos(11.780972480773926f), sn = std::sin(11.780972480773926f);
    const auto orbit = [&](float angle)
    {
        const float x = std::sin(angle), y = -std::cos(angle), z = 0.0f;
        return CVector{x, c * y + sn * z, -sn * y + c * z};
    };
    CVector sun = orbit((m_fTime - 0.25f) * kPi / 12.0f);
    sun.z += 0.4f;
    m_vSunDir = Normalize(sun);
    m_vMoonDir = orbit(m_fMoonTime * kPi / 12.0f);

    const std::uint32_t sc = m_Work.sunColor;
    const float r = Channel(sc, 16), g = Channel(sc, 8), b = Channel(sc, 0), a = Channel(sc, 24);
    if (device)
    {
        SLight light{};
        light.Type = D3DLIGHT_DIRECTIONAL;
        light.Diffuse = {r, g, b, a};
        light.Specular = {2.0f * r, 2.0f * g, 2.0f * b, a};
        light.Direction = {-m_vSunDir.x, -m_vSunDir.y, -m_vSunDir.z};
        device->SetLight(0, &light);
        device->LightEnable(0, sc != 0);
    }
    m_fSunColorMax = std::max({r, g, b});
    m_fGlareLimit = std::clamp((2.0f * r - 0.5f) * (6.0f - std::fabs(12.0f - m_fTime)) * 0.2f, 0.0f, 1.0f);
    m_fSunStrength = r;
    m_fSunBrightness = std::min(1.0f, 0.5f * r + float(m_Work.ambient & 0xFF) / 255.0f);

    std::uint32_t m = SEnvRecord::TextureId(m_Work.moon) != -1 ? m_Work.moonColor : 0;
    if (m_bChanging)
    {
        const SEnvRecord& next = Stored(m_iNext);
        const std::uint32_t nm = SEnvRecord::TextureId(next.moon) != -1 ? next.moonColor : 0;
        m = BlendColorRGB(m, nm, 1.0f - m_fChange);
    }
    const float z = m_vMoonDir.z;
    if (z < 0.0f)
        m = 0;
    else if (z < 0.1f)
    {
        // Near the horizon the moon light fades out.
        const std::uint32_t n = std::uint32_t(z * 2550.0f);
        std::uint32_t out = 0;
        for (int shift = 0; shift < 24; shift += 8)
            out |= ((((m >> shift) & 0xFF) * n / 256) & 0xFF) << shift;
        m = out;
    }
    if (device)
    {
        SLight light{};
        light.Type = D3DLIGHT_DIRECTIONAL;
        light.Diffuse = light.Specular = {Channel(m, 16), Channel(m, 8), Channel(m, 0), Channel(m, 24)};
        light.Direction = {-m_vMoonDir.x, -m_vMoonDir.y, -m_vMoonDir.z};
        device->SetLight(1, &light);
        device->LightEnable(1, m != 0);
    }
}

void CEnvironment::Clear()
{
    m_Records.clear();
    m_iCurrent = m_iNext = -1;
    if (g_pSoundManager)
    {
        g_pSoundManager->DeleteSndSrc(&m_iRainSource, true);
        g_pSoundManager->Stop("SND_W_WIND");
        g_pSoundManager->Stop("SND_W_THUNDER");
    }
    m_iRainSource = -1;
    m_fWindTimer = m_fThunderTimer = 0.0f;
    m_bRaining = m_bWasRaining = false;
}
