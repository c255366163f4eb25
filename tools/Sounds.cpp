#include "Sounds.h"

#include "Noise.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace {
constexpr int Rate = 22050;
constexpr double TwoPi = 2.0 * std::numbers::pi;

using Samples = std::vector<double>;

Samples silence(double seconds) { return Samples(std::size_t(std::lround(seconds * Rate)), 0.0); }

// One partial of a struck or plucked sound: its frequency as a multiple of the
// note's, its level, and how fast it dies away (per second).
struct Partial {
    double ratio;
    double level;
    double decay;
};
using Timbre = std::vector<Partial>;

// Wooden bars ring at about 1, 4 and 10 times their note; the upper ones die fast.
const Timbre Marimba{{1.0, 1.0, 3.0}, {3.93, 0.22, 13.0}, {9.9, 0.05, 30.0}};
// Bells have inharmonic partials, which is what makes them sound like bells.
const Timbre Bell{{1.0, 1.0, 2.2}, {2.76, 0.45, 3.5}, {5.40, 0.22, 6.0}, {8.93, 0.10, 9.0}};
const Timbre PluckedBass{{1.0, 1.0, 3.5}, {2.0, 0.45, 6.0}, {3.0, 0.15, 10.0}};
const Timbre SoftChord{{1.0, 1.0, 5.0}, {2.0, 0.25, 9.0}};

double midiFrequency(int note) { return 440.0 * std::pow(2.0, (note - 69) / 12.0); }

// Adds what `sample(t)` gives, shaped by a linear rise over `attack` and a linear fall
// over `release` after `length`, from `at` seconds on. Samples past the end wrap to the
// start, so a tune whose last notes ring over the end joins its own beginning without a
// seam.
template <typename Sample>
void addShaped(Samples &out, double at, double length, double attack, double release, double level, Sample sample)
{
    const auto first = std::size_t(std::lround(at * Rate));
    const auto count = std::size_t(std::lround((length + release) * Rate));
    for (std::size_t i = 0; i < count; ++i) {
        const double t = double(i) / Rate;
        double envelope = std::min(1.0, t / attack);
        if (t > length)
            envelope *= 1.0 - (t - length) / release;
        out[(first + i) % out.size()] += level * envelope * sample(t);
    }
}

// Adds a struck note. A 4 ms attack and a 30 ms release at the end of `length` keep
// it from clicking.
void strike(Samples &out, double at, double length, double frequency, double level, const Timbre &timbre)
{
    addShaped(out, at, length, 0.004, 0.030, level, [&](double t) {
        double value = 0.0;
        for (const Partial &partial : timbre)
            if (frequency * partial.ratio < Rate / 2.0)  // higher ones would fold back, harsh
                value += partial.level * std::exp(-partial.decay * t) * std::sin(TwoPi * frequency * partial.ratio * t);
        return value;
    });
}

// A resonant band-pass filter (the usual biquad) that colours noise.
class BandPass {
public:
    BandPass(double centre, double q)
    {
        const double w = TwoPi * centre / Rate;
        const double alpha = std::sin(w) / (2.0 * q);
        const double a0 = 1.0 + alpha;
        b0 = alpha / a0;
        a1 = -2.0 * std::cos(w) / a0;
        a2 = (1.0 - alpha) / a0;
    }
    double operator()(double x)
    {
        const double y = b0 * x - b0 * x2 - a1 * y1 - a2 * y2;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        return y;
    }

private:
    double b0, a1, a2;
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
};

// A burst of band-limited noise that dies away: claps, shakers, the hiss of a clack.
void burst(Samples &out, double at, double decay, double centre, double q, double level, Noise &noise)
{
    BandPass filter(centre, q);
    const auto first = std::size_t(std::lround(at * Rate));
    const auto count = std::size_t(std::lround(6.0 / decay * Rate));  // down to 0.25 %
    for (std::size_t i = 0; i < count; ++i) {
        const double t = double(i) / Rate;
        const double envelope = std::min(1.0, t / 0.001) * std::exp(-decay * t);
        out[(first + i) % out.size()] += level * envelope * filter(noise.next());
    }
}

// A steady buzz from the first harmonics of a sawtooth, with soft edges.
void buzz(Samples &out, double at, double length, double frequency, double level)
{
    constexpr double Edge = 0.012;
    const auto first = std::size_t(std::lround(at * Rate));
    const auto count = std::size_t(std::lround(length * Rate));
    for (std::size_t i = 0; i < count; ++i) {
        const double t = double(i) / Rate;
        const double envelope = std::min({1.0, t / Edge, (length - t) / Edge});
        double value = 0.0;
        for (int h = 1; h <= 9; ++h)
            value += std::sin(TwoPi * frequency * h * t) / h;
        out[(first + i) % out.size()] += level * envelope * value;
    }
}

void putWord(QByteArray &out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.append(char((value >> (8 * i)) & 0xFF));
}

// Scales the loudest sample to `peak` of full range and writes a canonical
// 44-byte-header PCM WAV file.
QByteArray toWav(const Samples &samples, double peak = 0.8)
{
    double loudest = 0.0;
    for (double s : samples)
        loudest = std::max(loudest, std::abs(s));
    const double scale = loudest > 0.0 ? peak * 32767.0 / loudest : 0.0;

    const auto dataBytes = std::uint32_t(samples.size() * 2);
    QByteArray out;
    out.append("RIFF");
    putWord(out, 36 + dataBytes, 4);
    out.append("WAVEfmt ");
    putWord(out, 16, 4);  // size of the format chunk
    putWord(out, 1, 2);   // PCM
    putWord(out, 1, 2);   // mono
    putWord(out, Rate, 4);
    putWord(out, Rate * 2, 4);  // bytes per second
    putWord(out, 2, 2);         // bytes per frame
    putWord(out, 16, 2);        // bits per sample
    out.append("data");
    putWord(out, dataBytes, 4);
    for (double s : samples)
        putWord(out, std::uint16_t(std::int16_t(std::lround(s * scale))), 2);
    return out;
}

// A slow sine pad: it swells in and dies away slowly, so that chords change without a bump.
void pad(Samples &out, double at, double length, double frequency, double level)
{
    addShaped(out, at, length, 0.45, 0.6, level, [frequency](double t) {
        return std::sin(TwoPi * frequency * t) + 0.3 * std::sin(TwoPi * 2.0 * frequency * t)
            + 0.12 * std::sin(TwoPi * 3.0 * frequency * t + 1.0);
    });
}

// The tune: a calm song in C at 76 beats a minute, A B A' over 24 bars (about 76 s), so
// that it takes a while before it comes round again. Each bar has its chord, a soft bass
// on beats one and three, a pad and a brush on beats two and four.
constexpr double Beat = 60.0 / 76.0;
constexpr int Bars = 24;

struct Note {
    int bar;
    double beat;
    double length;  // in beats
    int pitch;      // MIDI note number
};

// clang-format off
const std::vector<Note> Verse{
    {0, 0, 1, 76}, {0, 1, 1, 79}, {0, 2, 2, 81},
    {1, 0, 1, 79}, {1, 1, 1, 76}, {1, 2, 2, 72},
    {2, 0, 1, 74}, {2, 1, 1, 76}, {2, 2, 2, 79},
    {3, 0, 3, 76}, {3, 3, 1, 74},
    {4, 0, 1, 76}, {4, 1, 1, 79}, {4, 2, 2, 84},
    {5, 0, 1, 81}, {5, 1, 1, 79}, {5, 2, 2, 76},
    {6, 0, 1, 74}, {6, 1, 1, 76}, {6, 2, 2, 69},
};
const std::vector<Note> Bridge{
    {8, 0, 2, 81}, {8, 2, 1, 79}, {8, 3, 1, 81},
    {9, 0, 2, 86}, {9, 2, 2, 83},
    {10, 0, 2, 79}, {10, 2, 2, 76},
    {11, 0, 3, 81}, {11, 3, 1, 79},
    {12, 0, 1, 77}, {12, 1, 1, 81}, {12, 2, 2, 84},
    {13, 0, 1, 83}, {13, 1, 1, 81}, {13, 2, 2, 79},
    {14, 0, 3, 76}, {14, 3, 1, 74},
    {15, 0, 4, 72},
};
// Bass roots of the bars; the chord is the major or minor triad an octave up.
constexpr int Roots[Bars] = {48, 45, 41, 43, 48, 45, 50, 43,  41, 43, 52, 45, 41, 43, 48, 48,
                             48, 45, 41, 43, 48, 45, 50, 43};
constexpr bool Minor[Bars] = {false, true, false, false, false, true, true, false,
                              false, false, true, true, false, false, false, false,
                              false, true, false, false, false, true, true, false};
// clang-format on

// A soft electric-piano voice for the tune.
const Timbre Keys{{1.0, 1.0, 1.6}, {2.0, 0.28, 3.2}, {3.0, 0.08, 6.0}};

std::vector<Note> melody()
{
    std::vector<Note> notes = Verse;
    notes.insert(notes.end(), Bridge.begin(), Bridge.end());
    for (const Note &note : Verse)  // the verse again, eight bars on
        notes.push_back({note.bar + 16, note.beat, note.length, note.pitch});
    notes.push_back({7, 0, 3, 67});   // the verse rests on G ...
    notes.push_back({23, 0, 2, 74});  // ... and the last bar leads back to the start
    notes.push_back({23, 2, 2, 71});
    return notes;
}

void addBar(Samples &out, int bar, Noise &noise)
{
    const double start = bar * 4 * Beat;
    const int root = Roots[bar];
    for (int beat : {0, 2})
        strike(out, start + beat * Beat, 1.6 * Beat, midiFrequency(root), 0.30, PluckedBass);
    const int chord = root + 12;
    for (int pitch : {chord, chord + (Minor[bar] ? 3 : 4), chord + 7})
        pad(out, start, 4 * Beat - 0.2, midiFrequency(pitch), 0.045);
    for (int beat : {1, 3})
        burst(out, start + beat * Beat, 28.0, 5200.0, 0.7, 0.025, noise);
}
}  // namespace

QByteArray MusicWav()
{
    Samples out = silence(Bars * 4 * Beat);
    Noise noise(0x5EED1);
    for (const Note &note : melody())
        strike(out, (note.bar * 4 + note.beat) * Beat, note.length * Beat * 0.95, midiFrequency(note.pitch), 0.32,
               Keys);
    for (int bar = 0; bar < Bars; ++bar)
        addBar(out, bar, noise);
    return toWav(out, 0.6);
}

QByteArray RefusalWav()
{
    Samples out = silence(0.40);
    for (double at : {0.0, 0.20}) {
        // Two slightly detuned voices beat against each other: a rough, unhappy sound.
        buzz(out, at, 0.15, 98.0, 0.5);
        buzz(out, at, 0.15, 103.5, 0.5);
    }
    return toWav(out, 0.6);
}

QByteArray ConnectWav()
{
    Samples out = silence(0.9);
    const int notes[] = {79, 84, 88};  // G, C, E: a rising major chord
    for (int i = 0; i < 3; ++i)
        strike(out, 0.09 * i, 0.9 - 0.09 * i - 0.04, midiFrequency(notes[i]), 1.0, Bell);
    return toWav(out, 0.7);
}

QByteArray ClackWav()
{
    Samples out = silence(0.16);
    Noise noise(0xC1AC);
    // A soft click: the short hiss of the touch, the ring of the hard tile and a low
    // knock of the table under it.
    burst(out, 0.0, 260.0, 2800.0, 1.2, 0.45, noise);
    const Timbre tile{{1.0, 0.5, 70.0}, {1.63, 0.3, 110.0}};
    strike(out, 0.0, 0.12, 2150.0, 0.7, tile);
    const Timbre knock{{1.0, 1.0, 45.0}};
    strike(out, 0.0, 0.12, 190.0, 0.8, knock);
    return toWav(out, 0.7);
}

QByteArray WhooshWav()
{
    // Noise through a band-pass filter whose centre sweeps up and back down while the
    // level swells and fades: air moved by a hand.
    constexpr double Length = 0.38;
    Samples out = silence(Length);
    Noise noise(0x3005);
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double phase = double(i) / double(out.size());      // 0 .. 1
        const double swell = std::sin(std::numbers::pi * phase);  // up and down
        const double centre = 450.0 + 1900.0 * swell * swell;
        const double w = TwoPi * centre / Rate;
        const double alpha = std::sin(w) / (2.0 * 1.4);
        const double a0 = 1.0 + alpha;
        const double x = noise.next();
        const double y = (alpha * x - alpha * x2 + 2.0 * std::cos(w) * y1 - (1.0 - alpha) * y2) / a0;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        out[i] = swell * swell * y;
    }
    return toWav(out, 0.6);
}

QByteArray ApplauseWav()
{
    constexpr double Length = 2.6;
    Samples out = silence(Length + 0.2);
    Noise noise(0xC1A9);
    // A dozen clappers, each with a hand size (the colour of the clap) and a pace of
    // their own; everybody starts within the first moment and stops near the end.
    for (int clapper = 0; clapper < 12; ++clapper) {
        const double colour = noise.between(900.0, 2200.0);
        const double pace = noise.between(0.19, 0.29);
        const double stop = Length - noise.between(0.0, 0.5);
        for (double at = noise.between(0.0, 0.25); at < stop; at += pace * noise.between(0.9, 1.1)) {
            const double fade = std::min(1.0, (stop - at) / 0.6);
            burst(out, at, 90.0, colour, 1.1, fade * noise.between(0.6, 1.0), noise);
        }
    }
    return toWav(out, 0.7);
}
