#include "tools/mksample/SampleSound.h"

#include "foundation/DataBase.h"
#include "platform/CodePage.h"
#include "platform/File.h"
#include "sound/SoundWriters.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace
{

constexpr std::uint32_t kRate = 44100;
constexpr double kPi = 3.14159265358979323846;

std::int16_t Clip(double v)
{
    return static_cast<std::int16_t>(v > 32767.0 ? 32767.0 : (v < -32768.0 ? -32768.0 : v));
}

// A plucked note: a few harmonics under an exponential decay.
double Pluck(double hz, double t, double decay)
{
    const double e = std::exp(-t * decay);
    return e * (std::sin(2 * kPi * hz * t) + 0.4 * std::sin(4 * kPi * hz * t) +
                0.15 * std::sin(6 * kPi * hz * t));
}

std::vector<std::int16_t> Beep()
{
    std::vector<std::int16_t> s(kRate * 3 / 10);
    for (std::size_t i = 0; i < s.size(); ++i)
        s[i] = Clip(14000.0 * Pluck(880.0, double(i) / kRate, 9.0));
    return s;
}

std::vector<std::int16_t> Chord()
{
    const std::uint32_t frames = kRate * 8 / 10;
    std::vector<std::int16_t> s(frames * 2);
    for (std::uint32_t i = 0; i < frames; ++i)
    {
        const double t = double(i) / kRate;
        const double left = Pluck(261.63, t, 3.0) + Pluck(329.63, t, 3.0);
        const double right = Pluck(392.0, t, 3.0) + Pluck(523.25, t, 3.0);
        s[2 * i] = Clip(7000.0 * left);
        s[2 * i + 1] = Clip(7000.0 * right);
    }
    return s;
}

// Noise swept through a resonant filter: a passing whoosh.
std::vector<std::int16_t> Whoosh()
{
    const std::uint32_t frames = kRate * 6 / 10;
    std::vector<std::int16_t> s(frames);
    std::uint32_t noise = 1;
    double low = 0.0;
    double band = 0.0;
    for (std::uint32_t i = 0; i < frames; ++i)
    {
        const double t = double(i) / frames;
        noise = noise * 1664525u + 1013904223u;
        const double in = double(noise >> 16) / 32768.0 - 1.0;
        const double f = 2.0 * std::sin(kPi * (300.0 + 3000.0 * t) / kRate);
        low += f * band;
        band += f * (in - low - 0.3 * band);
        s[i] = Clip(12000.0 * band * std::sin(kPi * t));
    }
    return s;
}

std::vector<std::uint8_t> Click(double hz)
{
    std::vector<std::uint8_t> s(kRate / 20);
    for (std::size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<std::uint8_t>(128.0 + 100.0 * Pluck(hz, double(i) / kRate, 60.0) / 1.55);
    return s;
}

// A short piece: an arpeggio over four chords with a soft pad beneath,
// the two voices a little apart in the stereo field.
std::vector<std::int16_t> Piece(const double (*chords)[3], int chordCount, double noteLength, int rounds)
{
    const std::uint32_t notesPerChord = 8;
    const double seconds = chordCount * notesPerChord * noteLength * rounds;
    const std::uint32_t frames = static_cast<std::uint32_t>(seconds * kRate);
    std::vector<std::int16_t> s(static_cast<std::size_t>(frames) * 2);
    for (std::uint32_t i = 0; i < frames; ++i)
    {
        const double t = double(i) / kRate;
        const int note = static_cast<int>(t / noteLength);
        const int chord = (note / notesPerChord) % chordCount;
        const double* c = chords[chord];
        const int step = note % notesPerChord;
        const double hz = c[step % 3] * (step >= 3 && step < 6 ? 2.0 : 1.0);
        const double inNote = t - note * noteLength;
        const double arp = Pluck(hz, inNote, 5.0);
        double pad = 0.0;
        for (int k = 0; k < 3; ++k)
            pad += std::sin(2 * kPi * c[k] / 2.0 * t) * (0.6 + 0.4 * std::sin(2 * kPi * 0.25 * t + k));
        s[2 * i] = Clip(9000.0 * arp + 2200.0 * pad);
        s[2 * i + 1] = Clip(6500.0 * arp + 3000.0 * pad);
    }
    return s;
}

// ---- the glider's and the weapons' sounds, each unlike the others: a
// falling zap, a buzzing pulse, a hissing launch, a low boom, a rising
// spring, a pulsing whine and three engine loops from a hum to a roar.
// The loops hold whole periods of every tone in them, so they repeat
// without a click; their noise is cross-faded over the seam.

// White noise from a fixed seed, as the whoosh above draws it.
class CNoise
{
public:
    double Next()
    {
        m_nState = m_nState * 1664525u + 1013904223u;
        return double(m_nState >> 16) / 32768.0 - 1.0;
    }

private:
    std::uint32_t m_nState = 12345;
};

// One-pole low-pass of a signal by coefficient k (0..1, larger is brighter).
class CLowPass
{
public:
    double operator()(double in, double k)
    {
        m_fValue += k * (in - m_fValue);
        return m_fValue;
    }

private:
    double m_fValue = 0.0;
};

template <class Voice>
std::vector<std::int16_t> Mono(double seconds, double gain, Voice voice)
{
    std::vector<std::int16_t> s(std::size_t(seconds * kRate));
    for (std::size_t i = 0; i < s.size(); ++i)
        s[i] = Clip(gain * voice(double(i) / kRate, double(i) / double(s.size())));
    return s;
}

// The last 10 ms faded out: a sound that is cut ends without a click.
std::vector<std::int16_t> Faded(std::vector<std::int16_t> s)
{
    const std::size_t n = std::min<std::size_t>(s.size(), kRate / 100);
    for (std::size_t i = 0; i < n; ++i)
        s[s.size() - 1 - i] = Clip(double(s[s.size() - 1 - i]) * double(i) / double(n));
    return s;
}

// The last `fade` seconds faded into the start, then cut: the noise of a
// loop meets itself without a step.
std::vector<std::int16_t> Looped(std::vector<std::int16_t> s, double fade)
{
    const std::size_t n = std::size_t(fade * kRate);
    const std::size_t keep = s.size() - n;
    for (std::size_t i = 0; i < n; ++i)
    {
        const double t = double(i) / double(n);
        s[i] = Clip(double(s[i]) * t + double(s[keep + i]) * (1.0 - t));
    }
    s.resize(keep);
    return s;
}

std::vector<std::int16_t> Laser()
{
    double phase = 0.0;
    return Mono(0.22, 13000.0, [&](double, double k) {
        phase += 2 * kPi * (1800.0 - 1500.0 * k) / kRate;
        return std::exp(-k * 3.0) * (std::sin(phase) + 0.3 * std::sin(3 * phase));
    });
}

std::vector<std::int16_t> Blaster()
{
    CNoise noise;
    return Mono(0.16, 11000.0, [&](double t, double k) {
        const double square = std::sin(2 * kPi * 220.0 * t) > 0 ? 1.0 : -1.0;
        return std::exp(-k * 5.0) * (0.6 * square + 0.5 * noise.Next() * std::exp(-k * 12.0));
    });
}

std::vector<std::int16_t> RocketLaunch()
{
    CNoise noise;
    CLowPass low;
    return Mono(0.7, 14000.0, [&](double t, double k) {
        const double envelope = std::min(1.0, t / 0.05) * std::exp(-k * 2.5);
        return envelope * (low(noise.Next(), 0.08 + 0.3 * (1.0 - k)) * 1.6 + 0.2 * std::sin(2 * kPi * 90.0 * t));
    });
}

std::vector<std::int16_t> Explosion()
{
    CNoise noise;
    CLowPass low, lower;
    return Mono(1.4, 20000.0, [&](double t, double k) {
        const double boom = lower(low(noise.Next(), 0.2), 0.1 * (1.0 - 0.8 * k)) * 3.0;
        const double thump = std::sin(2 * kPi * (60.0 - 25.0 * k) * t) * std::exp(-t * 6.0);
        return std::min(1.0, t / 0.005) * (boom * std::exp(-k * 3.0) + thump);
    });
}

std::vector<std::int16_t> Jump()
{
    double phase = 0.0;
    CNoise noise;
    CLowPass low;
    return Mono(0.5, 12000.0, [&](double, double k) {
        phase += 2 * kPi * (180.0 + 700.0 * k * k) / kRate;
        return std::exp(-k * 2.0) * (0.7 * std::sin(phase) + 0.5 * low(noise.Next(), 0.05 + 0.2 * k));
    });
}

std::vector<std::int16_t> JumpCharge()
{
    // 0.5 s: 300 periods of 600 Hz and 4 of the 8 Hz tremolo.
    return Mono(0.5, 6000.0, [](double t, double) {
        return (0.6 + 0.4 * std::sin(2 * kPi * 8.0 * t)) * (std::sin(2 * kPi * 600.0 * t) + 0.3 * std::sin(2 * kPi * 1200.0 * t));
    });
}

// An engine loop of one second: a drone on `hz` (a whole number) with its
// harmonics, and noise through a low-pass of brightness `air`.
std::vector<std::int16_t> Engine(double hz, double harmonics, double noiseLevel, double air, double gain)
{
    CNoise noise;
    CLowPass low;
    return Looped(Mono(1.1, gain, [&](double t, double) {
                      double drone = 0.0;
                      for (int h = 1; h <= 4; ++h)
                          drone += std::pow(harmonics, h - 1) * std::sin(2 * kPi * hz * h * t);
                      return drone + noiseLevel * low(noise.Next(), air);
                  }),
                  0.1);
}

bool Fail(const std::string& what)
{
    std::fprintf(stderr, "mksample: cannot write %s\n", what.c_str());
    return false;
}

struct SSoundRecord
{
    const char* key;
    const char* name;
    const char* file;
    std::int32_t is3D;
    float minDistance;
    float volume;
};

} // namespace

bool WriteSampleSounds(const std::string& root)
{
    const std::string sounds = root + "\\Data\\Sounds";
    const std::string music = root + "\\Data\\Music";
    if (!plat::CreateDirectory(sounds.c_str()) || !plat::CreateDirectory(music.c_str()))
        return Fail(sounds + " and " + music);

    const std::vector<std::int16_t> beep = Beep();
    const std::vector<std::int16_t> chord = Chord();
    const std::vector<std::int16_t> whoosh = Whoosh();
    plat::ds::WaveFormat mono16{plat::ds::WAVE_FORMAT_PCM, 1, kRate, kRate * 2, 2, 16, 0};
    plat::ds::WaveFormat stereo16{plat::ds::WAVE_FORMAT_PCM, 2, kRate, kRate * 4, 4, 16, 0};
    plat::ds::WaveFormat mono8{plat::ds::WAVE_FORMAT_PCM, 1, kRate, kRate, 1, 8, 0};
    struct SFile
    {
        std::string path;
        bool ok;
    };
    std::vector<SFile> files = {
        {sounds + "\\beep.wav", WriteWaveFile((sounds + "\\beep.wav").c_str(), mono16, beep.data(),
                                              static_cast<std::uint32_t>(beep.size() * 2))},
        {sounds + "\\chord.wav", WriteWaveFile((sounds + "\\chord.wav").c_str(), stereo16, chord.data(),
                                               static_cast<std::uint32_t>(chord.size() * 2))},
        {sounds + "\\whoosh.ogg",
         WriteOggVorbisFile((sounds + "\\whoosh.ogg").c_str(), 1, kRate, whoosh.data(),
                            static_cast<std::uint32_t>(whoosh.size()), 0.4f, 1)},
    };
    const double clicks[3] = {1200.0, 1500.0, 1800.0};
    for (int k = 0; k < 3; ++k)
    {
        const std::vector<std::uint8_t> click = Click(clicks[k]);
        const std::string path = sounds + "\\click" + std::to_string(k) + ".wav";
        files.push_back({path, WriteWaveFile(path.c_str(), mono8, click.data(),
                                             static_cast<std::uint32_t>(click.size()))});
    }
    // C, A minor, F, G; then D minor, G, C, A minor.
    static const double kMenu[4][3] = {
        {261.63, 329.63, 392.0}, {220.0, 261.63, 329.63}, {174.61, 220.0, 261.63}, {196.0, 246.94, 293.66}};
    static const double kTheme[4][3] = {
        {293.66, 349.23, 440.0}, {196.0, 246.94, 293.66}, {261.63, 329.63, 392.0}, {220.0, 261.63, 329.63}};
    const std::vector<std::int16_t> menu = Piece(kMenu, 4, 0.16, 2);
    const std::vector<std::int16_t> theme = Piece(kTheme, 4, 0.2, 2);
    files.push_back(
        {music + "\\menu.ogg", WriteOggVorbisFile((music + "\\menu.ogg").c_str(), 2, kRate, menu.data(),
                                                  static_cast<std::uint32_t>(menu.size() / 2), 0.4f, 2)});
    files.push_back(
        {music + "\\theme.ogg", WriteOggVorbisFile((music + "\\theme.ogg").c_str(), 2, kRate, theme.data(),
                                                   static_cast<std::uint32_t>(theme.size() / 2), 0.4f, 3)});
    const struct
    {
        const char* file;
        std::vector<std::int16_t> samples;
    } effects[] = {
        {"gun_laser.wav", Faded(Laser())},
        {"gun_blaster.wav", Faded(Blaster())},
        {"gun_rocket.wav", Faded(RocketLaunch())},
        {"explosion.wav", Faded(Explosion())},
        {"jump.wav", Faded(Jump())},
        {"jump_charge.wav", JumpCharge()},
        {"engine_idle.wav", Engine(70.0, 0.5, 0.15, 0.02, 7000.0)},
        {"engine_basic.wav", Engine(110.0, 0.7, 0.3, 0.05, 7000.0)},
        {"engine_afterburner.wav", Engine(55.0, 0.4, 1.6, 0.25, 8000.0)},
    };
    for (const auto& e : effects)
    {
        const std::string path = sounds + "\\" + e.file;
        files.push_back({path, WriteWaveFile(path.c_str(), mono16, e.samples.data(),
                                             static_cast<std::uint32_t>(e.samples.size() * 2))});
    }
    for (const SFile& f : files)
        if (!f.ok) return Fail(f.path);

    // The records, in the database mksample has made.
    const std::string base = root[0] == '/' ? root : plat::GetCurrentDirectory() + "/" + root;
    const std::string dbPath = base + "\\Data\\DB.dat";
    DataBase db;
    if (!db.OpenDatabase(dbPath.c_str(), false, false)) return Fail(dbPath);
    const SSoundRecord records[] = {
        {"SND_BEEP", "Beep", "Data\\Sounds\\beep.wav", 1, 5.0f, 1.0f},
        {"SND_CHORD", "Chord", "Data\\Sounds\\chord.wav", 0, 1.0f, 0.8f},
        {"SND_WHOOSH", "Whoosh", "Data\\Sounds\\whoosh.ogg", 1, 10.0f, 1.0f},
        // One key and two synonyms: a random one of the three plays.
        {"SND_CLICK", "Click", "Data\\Sounds\\click0.wav", 0, 1.0f, 0.7f},
        {"SND_CLICK.01", "Click", "Data\\Sounds\\click1.wav", 0, 1.0f, 0.7f},
        {"SND_CLICK.02", "Click", "Data\\Sounds\\click2.wav", 0, 1.0f, 0.7f},
        // The weapons (their rows name them; WriteSampleUnitSounds) and the
        // glider's jump and engine (the engine and the glider find them by
        // these keys).
        {"SND_GUN_LASER", "Laser", "Data\\Sounds\\gun_laser.wav", 1, 10.0f, 0.8f},
        {"SND_GUN_BLASTER", "Blaster", "Data\\Sounds\\gun_blaster.wav", 1, 10.0f, 0.8f},
        {"SND_GUN_ROCKET", "Rocket launch", "Data\\Sounds\\gun_rocket.wav", 1, 15.0f, 0.9f},
        {"SND_EXPLOSION", "Explosion", "Data\\Sounds\\explosion.wav", 1, 40.0f, 1.0f},
        {"SND_G_JUMP", "Jump", "Data\\Sounds\\jump.wav", 1, 10.0f, 0.9f},
        {"SND_G_JUMP_CHARGE_L", "Jump charge", "Data\\Sounds\\jump_charge.wav", 1, 10.0f, 0.6f},
        {"SND_G_ENGINE_IDLE_L", "Engine idle", "Data\\Sounds\\engine_idle.wav", 1, 10.0f, 0.6f},
        {"SND_G_ENGINE_BASIC_L", "Engine", "Data\\Sounds\\engine_basic.wav", 1, 10.0f, 0.7f},
        {"SND_G_ENGINE_AFTERBURNER_L", "Afterburner", "Data\\Sounds\\engine_afterburner.wav", 1, 15.0f, 0.8f},
    };
    bool ok = db.SelectTable(plat::Utf8ToCp1251("Звуки").c_str());
    for (const SSoundRecord& r : records)
    {
        ok = ok && db.Append(r.key) && db.SetField("NAME", r.name) && db.SetField("CATEGORY", "sample") &&
             db.SetField("VOLUME", r.volume) && db.SetField("FILENAME", r.file) &&
             db.SetField("3DSOUND", r.is3D) && db.SetField("MINDIST", r.minDistance) && db.Post();
    }
    // The first piece of the list is the one the game starts with.
    ok = ok && db.SelectTable(plat::Utf8ToCp1251("Музыка").c_str());
    ok = ok && db.Append("MUS_INT_MENU") && db.SetField("Filename", "Data\\Music\\menu.ogg") &&
         db.SetField("TYPE", std::int32_t{0}) && db.Post();
    ok = ok && db.Append("MUS_THEME") && db.SetField("Filename", "Data\\Music\\theme.ogg") &&
         db.SetField("TYPE", std::int32_t{1}) && db.Post();
    if (!db.CloseDatabase() || !ok) return Fail(dbPath + " (sound and music records)");
    return true;
}

bool WriteSampleUnitSounds(const std::string& root)
{
    const std::string base = root[0] == '/' ? root : plat::GetCurrentDirectory() + "/" + root;
    const std::string dbPath = base + "\\Data\\DB.dat";
    struct SRow
    {
        const char* section; // UTF-8
        const char* row;
        const char* field;
        const char* sound;
    };
    static const SRow kRows[] = {
        {"Оружие", "GUN_LASER", "IDSOUND", "SND_GUN_LASER"},
        {"Оружие", "GUN_BLASTER", "IDSOUND", "SND_GUN_BLASTER"},
        {"Оружие", "GUN_ROCKET_LAUNCHER", "IDSOUND", "SND_GUN_ROCKET"},
        {"Взрывы", "EXP_SMALL", "SOUND", "SND_EXPLOSION"},
    };
    DataBase db;
    bool ok = db.OpenDatabase(dbPath.c_str(), false, false);
    for (const SRow& r : kRows)
        ok = ok && db.SelectTable(plat::Utf8ToCp1251(r.section).c_str()) && db.Edit(r.row) &&
             db.SetField(r.field, r.sound) && db.Post();
    if (!db.CloseDatabase() || !ok) return Fail(dbPath + " (the weapons' sounds)");
    return true;
}
