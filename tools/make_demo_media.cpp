// Writes the demo's media under a data folder: the two start-up videos, a
// synthesised sound for every entry of the sound table (tones, sweeps and
// noise bursts), the front-end and level music beds, and the spoken
// remarks the dialogue table names, each as long as reading its line takes.
// Usage: make_demo_media <root>/data
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "game/framework/TsAudioSoundTable.h"
#include "game/framework/TsDialogStrings.h"
#include "platform/MpegEncoder.h"

namespace fs = std::filesystem;

namespace {

constexpr int kRate = 22050;
// Spoken lines are long and only blips: a low rate keeps them small.
constexpr int kVoiceRate = 8000;
constexpr double kPi = 3.14159265358979323846;

using Samples = std::vector<float>;

// A game path ("data\audio\x.wav") under the folder that holds data/.
fs::path HostPath(const fs::path& gameRoot, std::string gamePath)
{
    std::replace(gamePath.begin(), gamePath.end(), '\\', '/');
    return gameRoot / gamePath;
}

void PutWord(std::ofstream& out, uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.put(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// 16-bit mono PCM.
bool WriteWav(const fs::path& path, const Samples& samples, int rate = kRate)
{
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    const auto dataBytes = static_cast<uint32_t>(samples.size() * 2);
    out.write("RIFF", 4);
    PutWord(out, 36 + dataBytes, 4);
    out.write("WAVEfmt ", 8);
    PutWord(out, 16, 4);
    PutWord(out, 1, 2);         // PCM
    PutWord(out, 1, 2);         // mono
    PutWord(out, static_cast<uint32_t>(rate), 4);
    PutWord(out, static_cast<uint32_t>(rate) * 2, 4); // bytes a second
    PutWord(out, 2, 2);         // bytes a frame
    PutWord(out, 16, 2);
    out.write("data", 4);
    PutWord(out, dataBytes, 4);
    for (float s : samples) {
        const auto v = static_cast<int16_t>(std::lround(std::clamp(s, -1.0f, 1.0f) * 32000.0f));
        PutWord(out, static_cast<uint16_t>(v), 2);
    }
    out.close(); // the last bytes reach the disk only here
    if (!out) {
        std::fprintf(stderr, "make_demo_media: cannot write %s\n", path.string().c_str());
        return false;
    }
    return true;
}

// A small, fixed noise source, so the data is the same on every run.
struct Noise {
    uint32_t state;
    float Next()
    {
        state = state * 1664525u + 1013904223u;
        return static_cast<float>(state >> 8) / 8388608.0f - 1.0f;
    }
};

float Envelope(double t, double length, double attack)
{
    const double rise = std::min(t / attack, 1.0);
    const double fall = std::max(0.0, 1.0 - t / length);
    return static_cast<float>(rise * fall * fall);
}

// Each effect gets its own character from its id: a falling or rising
// sweep, a noise burst through a simple low-pass, or a two-tone blip.
Samples Effect(int id, int rate = kRate)
{
    Noise noise{static_cast<uint32_t>(id) * 2654435761u + 1u};
    const int kind = id % 3;
    const double length = 0.15 + (id % 7) * 0.06;
    const double base = 180.0 + (id * 37) % 700;
    Samples out(static_cast<size_t>(length * rate));
    double phase = 0;
    float smooth = 0;
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        const float env = Envelope(t, length, 0.005);
        float v = 0;
        if (kind == 0) {
            const double f = base * (id % 2 ? 1.0 + t / length : 2.0 - t / length);
            phase += 2 * kPi * f / rate;
            v = static_cast<float>(std::sin(phase));
        } else if (kind == 1) {
            smooth += (noise.Next() - smooth) * static_cast<float>(0.05 + (id % 5) * 0.1);
            v = smooth * 1.5f;
        } else {
            const double f = t < length / 2 ? base : base * 1.5;
            phase += 2 * kPi * f / rate;
            v = std::sin(phase) > 0 ? 0.5f : -0.5f;
        }
        out[i] = 0.6f * env * v;
    }
    return out;
}

double NoteHz(int semitonesFromA)
{
    return 220.0 * std::pow(2.0, semitonesFromA / 12.0);
}

// A loop of chords, each held for `beat` seconds; `pulse` makes each chord
// repeat as short notes instead of one held pad. Whole cycles only, so the
// loop has no click where it joins.
Samples MusicBed(const std::vector<std::vector<int>>& chords, double beat, int repeats, bool pulse, float level)
{
    const double length = chords.size() * beat * repeats;
    Samples out(static_cast<size_t>(length * kRate));
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        const auto step = static_cast<size_t>(t / beat);
        const std::vector<int>& chord = chords[step % chords.size()];
        const double inStep = t - step * beat;
        const double note = pulse ? std::fmod(inStep, beat / 4) : inStep;
        const double noteLength = pulse ? beat / 4 : beat;
        const float env = static_cast<float>(std::min(note / 0.02, 1.0) * std::min((noteLength - note) / 0.05, 1.0));
        double v = 0;
        for (int n : chord)
            v += std::sin(2 * kPi * NoteHz(n) * t);
        out[i] = level * env * static_cast<float>(v / chord.size());
    }
    return out;
}

bool WriteSounds(const fs::path& gameRoot)
{
    bool ok = true;
    for (const TsAudioSoundRecord& record : TsAudioSoundTable) {
        if (record.path[0] == '\0' || record.id == AID_FRONTEND_MUSIC)
            continue;
        ok = WriteWav(HostPath(gameRoot, record.path), Effect(record.id)) && ok;
    }
    const std::vector<std::vector<int>> minor = {{0, 3, 7}, {-4, 0, 3}, {-2, 2, 5}, {-5, -1, 2}};
    ok = WriteWav(HostPath(gameRoot, TsAudioSoundTable[AID_FRONTEND_MUSIC].path),
                  MusicBed({{0, 4, 7}, {-3, 0, 4}, {-7, -3, 0}, {-5, -1, 2}}, 1.0, 2, false, 0.5f)) && ok;
    ok = WriteWav(HostPath(gameRoot, "data\\audio\\music\\desertbed.wav"), MusicBed({{-12, -5}, {-14, -7}}, 2.0, 2, false, 0.5f)) && ok;
    ok = WriteWav(HostPath(gameRoot, "data\\audio\\music\\desertpassive.wav"), MusicBed(minor, 1.0, 2, false, 0.35f)) && ok;
    ok = WriteWav(HostPath(gameRoot, "data\\audio\\music\\desertaction.wav"), MusicBed(minor, 1.0, 2, true, 0.45f)) && ok;
    return ok;
}

// A line is on the screen as long as its recording plays: one second, and
// 70 ms for each character of the text a player reads, but never under two.
double ReadingSeconds(const char* text)
{
    return std::max(2.0, 1.0 + 0.07 * static_cast<double>(std::strlen(text)));
}

// The spoken lines of the dialogue table ("scripts\script" beside data/):
// a short "voice" of gliding tones, one effect per line, then quiet until
// the line has been read. The demo level's door line stays unrecorded: a
// line without a recording is timed by its text.
bool WriteVoices(const fs::path& gameRoot)
{
    // The table is read as the game reads it, by a game path from its folder.
    fs::current_path(gameRoot);
    const TsDialogStrings strings(TsDialogStrings::kFileName);
    const std::pair<DialogStringId, int> voices[] = {
        {5970, 100}, {5980, 104}, {6000, 104}, {6010, 100}, {6020, 104},
        {6030, 100}, {6110, 100}, {6350, 104}, {6360, 100},
    };
    bool ok = true;
    for (const auto& [id, effect] : voices) {
        const char* name = strings.GetAudioFile(id);
        const char* text = strings.GetString(id);
        if (!name || !text) {
            std::fprintf(stderr, "make_demo_media: line %d has no recording or text in %s\n", id,
                         TsDialogStrings::kFileName);
            ok = false;
            continue;
        }
        Samples voice = Effect(effect, kVoiceRate);
        voice.resize(static_cast<size_t>(std::ceil(ReadingSeconds(text) * kVoiceRate)), 0.0f);
        ok = WriteWav(HostPath(gameRoot, std::string("data\\audio\\dialogue\\") + name), voice, kVoiceRate) && ok;
    }
    return ok;
}

uint32_t Rgb(int r, int g, int b)
{
    return 0xFF000000u | static_cast<uint32_t>(r) << 16 | static_cast<uint32_t>(g) << 8 | static_cast<uint32_t>(b);
}

bool WriteVideos(const fs::path& gameRoot)
{
    std::string error;
    // Title cards: four half-second cards of one colour each.
    plat::MpegClip cards;
    cards.frameCount = 50;
    cards.toneHz = 330;
    cards.draw = plat::SolidColour([](int frame) {
        static const uint32_t colours[4] = {Rgb(20, 20, 60), Rgb(120, 30, 30), Rgb(200, 160, 60), Rgb(20, 20, 20)};
        return colours[(frame / 13) % 4];
    });
    const fs::path cardsPath = HostPath(gameRoot, "data\\FMV\\TitleCards.mpg");
    fs::create_directories(cardsPath.parent_path());
    bool ok = plat::EncodeMpegClip(cardsPath.string(), cards, error);
    if (!ok)
        std::fprintf(stderr, "make_demo_media: %s\n", error.c_str());
    // The intro: a dawn over the desert, a band of light rising on a sky that brightens.
    plat::MpegClip intro;
    intro.frameCount = 50;
    intro.toneHz = 220;
    intro.draw = [](int frame, uint32_t* pixels, int width, int height) {
        const int horizon = height - frame * height / 60;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const int glow = std::max(0, 255 - std::abs(y - horizon) * 4);
                const uint32_t c = y > height * 3 / 4 ? Rgb(150 + frame, 110 + frame / 2, 60)
                                                      : Rgb(std::min(255, 30 + glow), std::min(255, 20 + glow * 3 / 4),
                                                            std::min(255, 60 + frame * 2));
                pixels[y * width + x] = c;
            }
        }
    };
    if (!plat::EncodeMpegClip(HostPath(gameRoot, "data\\FMV\\intro.mpg").string(), intro, error)) {
        std::fprintf(stderr, "make_demo_media: %s\n", error.c_str());
        ok = false;
    }
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_demo_media <root>/data\n");
        return 2;
    }
    // Game paths start with "data\", so they are taken from the folder above.
    fs::path dataDir = fs::absolute(argv[1]).lexically_normal();
    if (!dataDir.has_filename())
        dataDir = dataDir.parent_path(); // given with a trailing slash
    const fs::path gameRoot = dataDir.parent_path();
    const bool sounds = WriteSounds(gameRoot);
    const bool voices = WriteVoices(gameRoot);
    const bool videos = WriteVideos(gameRoot);
    return sounds && voices && videos ? 0 : 1;
}
