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

// Adds a struck note. A 4 ms attack and a 30 ms release at the end of `length` keep
// it from clicking. Samples past the end wrap to the start, so a tune whose last
// notes ring over the end joins its own beginning without a seam.
void strike(Samples &out, double at, double length, double frequency, double level, const Timbre &timbre)
{
    constexpr double Attack = 0.004;
    constexpr double Release = 0.030;
    const auto first = std::size_t(std::lround(at * Rate));
    const auto count = std::size_t(std::lround((length + Release) * Rate));
    for (std::size_t i = 0; i < count; ++i) {
        const double t = double(i) / Rate;
        double envelope = std::min(1.0, t / Attack);
        if (t > length)
            envelope *= 1.0 - (t - length) / Release;
        double value = 0.0;
        for (const Partial &partial : timbre)
            if (frequency * partial.ratio < Rate / 2.0)  // higher ones would fold back, harsh
                value += partial.level * std::exp(-partial.decay * t) * std::sin(TwoPi * frequency * partial.ratio * t);
        out[(first + i) % out.size()] += level * envelope * value;
    }
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

// The tune: C, A minor, F, G twice over, 120 beats a minute, eighth notes.
constexpr double Eighth = 0.25;
constexpr int Bars = 8;

struct Note {
    int bar;
    int eighth;
    int length;  // in eighths
    int pitch;   // MIDI note number
};

// clang-format off
const std::vector<Note> Melody{
    {0, 0, 1, 72}, {0, 1, 1, 76}, {0, 2, 2, 79}, {0, 4, 1, 76}, {0, 5, 1, 79}, {0, 6, 2, 84},
    {1, 0, 1, 83}, {1, 1, 1, 81}, {1, 2, 2, 76}, {1, 4, 1, 72}, {1, 5, 1, 76}, {1, 6, 2, 81},
    {2, 0, 1, 79}, {2, 1, 1, 77}, {2, 2, 2, 72}, {2, 4, 1, 69}, {2, 5, 1, 72}, {2, 6, 2, 77},
    {3, 0, 1, 76}, {3, 1, 1, 74}, {3, 2, 2, 71}, {3, 4, 2, 67}, {3, 6, 1, 71}, {3, 7, 1, 74},
    {4, 0, 1, 76}, {4, 1, 1, 79}, {4, 2, 2, 84}, {4, 4, 1, 79}, {4, 5, 1, 76}, {4, 6, 2, 79},
    {5, 0, 2, 81}, {5, 2, 1, 76}, {5, 3, 1, 81}, {5, 4, 2, 84}, {5, 6, 2, 83},
    {6, 0, 1, 81}, {6, 1, 1, 79}, {6, 2, 1, 77}, {6, 3, 1, 81}, {6, 4, 2, 84}, {6, 6, 2, 81},
    {7, 0, 3, 79}, {7, 3, 1, 77}, {7, 4, 2, 74}, {7, 6, 1, 71}, {7, 7, 1, 74},
};
// clang-format on

// Root notes of the bars (C, A, F, G) and their triads, one octave apart.
constexpr int Roots[Bars] = {48, 45, 41, 43, 48, 45, 41, 43};
constexpr bool Minor[Bars] = {false, true, false, false, false, true, false, false};

void addBass(Samples &out, int bar)
{
    // A calypso step: root, fifth, root, fifth.
    const int root = Roots[bar];
    const struct {
        int eighth, length, pitch;
    } steps[] = {{0, 3, root}, {3, 1, root + 7}, {4, 2, root}, {6, 2, root + 7}};
    for (const auto &step : steps)
        strike(out, (bar * 8 + step.eighth) * Eighth, step.length * Eighth * 0.9, midiFrequency(step.pitch), 0.45,
               PluckedBass);
}

void addChords(Samples &out, int bar)
{
    // Light stabs on beats two and four.
    const int root = Roots[bar] + 12;
    const int third = root + (Minor[bar] ? 3 : 4);
    for (int eighth : {2, 6})
        for (int pitch : {root, third, root + 7})
            strike(out, (bar * 8 + eighth) * Eighth, Eighth * 0.8, midiFrequency(pitch), 0.12, SoftChord);
}

void addShaker(Samples &out, int bar, Noise &noise)
{
    for (int eighth = 0; eighth < 8; ++eighth)
        burst(out, (bar * 8 + eighth) * Eighth, 70.0, 6500.0, 0.8, eighth % 2 ? 0.10 : 0.05, noise);
}
}  // namespace

QByteArray MusicWav()
{
    Samples out = silence(Bars * 8 * Eighth);
    Noise noise(0x5EED1);
    for (const Note &note : Melody)
        strike(out, (note.bar * 8 + note.eighth) * Eighth, note.length * Eighth, midiFrequency(note.pitch), 0.5,
               Marimba);
    for (int bar = 0; bar < Bars; ++bar) {
        addBass(out, bar);
        addChords(out, bar);
        addShaker(out, bar, noise);
    }
    return toWav(out, 0.7);
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
    Samples out = silence(1.4);
    const int notes[] = {79, 84, 88};  // G, C, E: a rising major chord
    for (int i = 0; i < 3; ++i)
        strike(out, 0.11 * i, 1.4 - 0.11 * i - 0.03, midiFrequency(notes[i]), 1.0, Bell);
    return toWav(out, 0.7);
}

QByteArray ClackWav()
{
    Samples out = silence(0.16);
    Noise noise(0xC1AC);
    // The sharp hiss of the impact, the ring of the hard tile and a low knock of
    // the table under it.
    burst(out, 0.0, 220.0, 3200.0, 1.2, 1.0, noise);
    const Timbre tile{{1.0, 0.5, 70.0}, {1.63, 0.3, 110.0}};
    strike(out, 0.0, 0.12, 2150.0, 1.0, tile);
    const Timbre knock{{1.0, 1.0, 45.0}};
    strike(out, 0.0, 0.12, 190.0, 0.6, knock);
    return toWav(out, 0.8);
}

QByteArray TickWav()
{
    Samples out = silence(0.05);
    Noise noise(0x71C);
    burst(out, 0.0, 400.0, 4000.0, 1.5, 0.6, noise);
    const Timbre tick{{1.0, 1.0, 180.0}};
    strike(out, 0.0, 0.02, 1800.0, 0.7, tick);
    return toWav(out, 0.5);
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
