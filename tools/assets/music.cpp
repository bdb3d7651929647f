// Synthesiser for the looping background music: a traditional carol on a music box over a soft pad.
#include "music.h"

#include <algorithm>
#include <cmath>

#include "noise.h"

namespace frostel_assets {

namespace {

constexpr double kTwoPi = 6.283185307179586476925;
constexpr int kFramesPerBeat = kMusicRate * 60 / kMusicBeatsPerMinute;
constexpr int kLoopFrames = kFramesPerBeat * kMusicBeats;
constexpr int kSixteenth = kFramesPerBeat / 4;

double midiToHz(double note) { return 440.0 * std::pow(2.0, (note - 69.0) / 12.0); }

// Everything is mixed into a ring of exactly one loop: a note that rings past the
// end continues at the start, as it would on the next pass.
class Ring {
public:
    Ring() : left_(kLoopFrames, 0.0), right_(kLoopFrames, 0.0) { }

    // One decaying sine partial. `pan` runs from -1 (left) to 1 (right).
    void partial(long start, double hz, double amp, double attackSec, double decaySec, double holdSec,
                 double releaseSec, double pan)
    {
        if (hz <= 0.0 || hz >= kMusicRate * 0.45) return;
        const double gl = amp * std::sqrt(0.5 * (1.0 - pan));
        const double gr = amp * std::sqrt(0.5 * (1.0 + pan));
        const double w = kTwoPi * hz / kMusicRate;
        // Sine by recurrence: cheap and exact enough for a few seconds of tone.
        const double k = 2.0 * std::cos(w);
        double s1 = std::sin(-w), s2 = std::sin(-2.0 * w);
        const long attack = std::max(1L, static_cast<long>(attackSec * kMusicRate));
        const long hold = static_cast<long>(holdSec * kMusicRate);
        const double decay = std::exp(-1.0 / (decaySec * kMusicRate));
        const double release = std::exp(-1.0 / (releaseSec * kMusicRate));
        double env = 1.0;
        const long maxLen = std::min<long>(
            kLoopFrames - 1, static_cast<long>((holdSec + 8.0 * releaseSec + 8.0 * decaySec) * kMusicRate));
        for (long i = 0; i < maxLen; ++i) {
            const double s = k * s1 - s2;
            s2 = s1;
            s1 = s;
            double a = env;
            if (i < attack) {
                const double x = static_cast<double>(i) / static_cast<double>(attack);
                a *= x * x * (3.0 - 2.0 * x);
            }
            const size_t at = static_cast<size_t>(((start + i) % kLoopFrames + kLoopFrames) % kLoopFrames);
            left_[at] += a * gl * s;
            right_[at] += a * gr * s;
            env *= (i < hold) ? decay : release;
            if (env < 1e-5) break;
        }
    }

    std::vector<double> &left() { return left_; }
    std::vector<double> &right() { return right_; }

private:
    std::vector<double> left_;
    std::vector<double> right_;
};

// A comb of a music box: a clear fundamental, a little octave and the tine's own
// higher, quickly fading modes; a tiny pluck at the start.
void musicBox(Ring &ring, long start, double note, double velocity, double pan)
{
    const double hz = midiToHz(note);
    const double sustain = 1.7 * std::sqrt(523.25 / hz);
    ring.partial(start, hz, 0.50 * velocity, 0.002, sustain, 0.0, sustain, pan);
    ring.partial(start, hz * 2.0, 0.11 * velocity, 0.002, sustain * 0.45, 0.0, sustain * 0.45, pan);
    ring.partial(start, hz * 3.0, 0.035 * velocity, 0.002, sustain * 0.25, 0.0, sustain * 0.25, pan);
    ring.partial(start, hz * 5.93, 0.03 * velocity, 0.001, 0.09, 0.0, 0.09, pan);
    ring.partial(start, hz * 8.4, 0.012 * velocity, 0.001, 0.05, 0.0, 0.05, pan);
}

// Softer struck bar for the harmony and the twinkles: inharmonic overtones of a free bar.
void glock(Ring &ring, long start, double note, double velocity, double pan)
{
    const double hz = midiToHz(note);
    const double sustain = 1.2 * std::sqrt(523.25 / hz);
    ring.partial(start, hz, 0.45 * velocity, 0.003, sustain, 0.0, sustain, pan);
    ring.partial(start, hz * 2.756, 0.09 * velocity, 0.002, sustain * 0.3, 0.0, sustain * 0.3, pan);
    ring.partial(start, hz * 5.404, 0.03 * velocity, 0.001, sustain * 0.12, 0.0, sustain * 0.12, pan);
}

// Pad voice: a few soft harmonics, two copies a few cents apart spread left and right.
void padVoice(Ring &ring, long start, long length, double note, double level)
{
    const double hz = midiToHz(note);
    const double seconds = static_cast<double>(length) / kMusicRate;
    const double harmonics[] = {1.0, 0.32, 0.12, 0.05};
    for (int copy = 0; copy < 2; ++copy) {
        const double detune = copy == 0 ? 0.9977 : 1.0023;
        const double pan = copy == 0 ? -0.6 : 0.6;
        for (int h = 0; h < 4; ++h)
            ring.partial(start, hz * (h + 1) * detune, level * harmonics[h] / (h + 1.0), 0.45, 30.0, seconds, 0.55,
                         pan);
    }
}

void bass(Ring &ring, long start, long length, double note, double level)
{
    const double hz = midiToHz(note);
    const double seconds = static_cast<double>(length) / kMusicRate;
    ring.partial(start, hz, level, 0.02, 2.5, seconds, 0.35, 0.0);
    ring.partial(start, hz * 2.0, level * 0.25, 0.02, 1.0, seconds, 0.25, 0.0);
}

// A small hall: eight delay lines mixed through a Householder matrix, each damped
// a little, left and right taken from different lines. Run twice round the ring,
// so the tail of the end already sounds at the start.
void reverb(Ring &ring, double wet, double seconds)
{
    const int lengths[8] = {1031, 1327, 1523, 1709, 1951, 2179, 2399, 2621};
    std::vector<double> lines[8];
    size_t pos[8] = {};
    double gain[8], damp[8] = {};
    for (int i = 0; i < 8; ++i) {
        lines[i].assign(static_cast<size_t>(lengths[i]), 0.0);
        gain[i] = std::pow(10.0, -3.0 * lengths[i] / (seconds * kMusicRate));
    }
    std::vector<double> &left = ring.left();
    std::vector<double> &right = ring.right();
    std::vector<double> outL(left.size(), 0.0), outR(left.size(), 0.0);
    // Only what lies above the bass is sent, or the low notes boom.
    const double hpCoeff = 1.0 / (1.0 + kTwoPi * 250.0 / kMusicRate);
    double hp = 0.0, previous = 0.0;
    for (int lap = 0; lap < 2; ++lap) {
        for (size_t n = 0; n < left.size(); ++n) {
            const double mono = 0.5 * (left[n] + right[n]);
            hp = hpCoeff * (hp + mono - previous);
            previous = mono;
            double y[8], sum = 0.0;
            for (int i = 0; i < 8; ++i) {
                y[i] = lines[i][pos[i]];
                sum += y[i];
            }
            double l = 0.0, r = 0.0;
            for (int i = 0; i < 8; ++i) {
                const double mixed = y[i] - 0.25 * sum;  // Householder: lossless, every line feeds all
                damp[i] = 0.65 * mixed + 0.35 * damp[i];
                lines[i][pos[i]] = gain[i] * damp[i] + 0.25 * hp;
                pos[i] = (pos[i] + 1) % lines[i].size();
                if (i % 2 == 0)
                    l += y[i];
                else
                    r += y[i];
            }
            if (lap == 1) {
                outL[n] = l;
                outR[n] = r;
            }
        }
    }
    for (size_t n = 0; n < left.size(); ++n) {
        left[n] += wet * outL[n];
        right[n] += wet * outR[n];
    }
}

struct Note {
    int pitch;       // MIDI number
    int sixteenths;  // length
};

// "O Tannenbaum", traditional German folk melody, in F major and 3/4: twelve bars
// that begin on the downbeat after the pickup; the pickup closes bar 12, so that
// the tune leads straight into its own repeat.
const std::vector<std::vector<Note>> kTune = {
    {{65, 3}, {65, 1}, {65, 6}, {67, 2}},  // F. F F. G
    {{69, 3}, {69, 1}, {69, 6}, {69, 2}},  // A. A A. A
    {{67, 3}, {69, 1}, {70, 4}, {64, 4}},  // G. A Bb E
    {{67, 4}, {65, 4}, {72, 4}},           // G F C'
    {{72, 3}, {69, 1}, {74, 6}, {72, 2}},  // C'. A D'. C'
    {{72, 3}, {70, 1}, {70, 6}, {70, 2}},  // C'. Bb Bb. Bb
    {{70, 3}, {67, 1}, {72, 6}, {70, 2}},  // Bb. G C'. Bb
    {{70, 3}, {69, 1}, {69, 6}, {60, 2}},  // Bb. A A. C
    {{65, 3}, {65, 1}, {65, 6}, {67, 2}}, {{69, 3}, {69, 1}, {69, 6}, {69, 2}},
    {{67, 3}, {69, 1}, {70, 4}, {64, 4}}, {{67, 4}, {65, 4}, {60, 4}},  // G F, and the pickup C again
};

enum Chord { kF, kBb, kC7, kGm };
// One chord per beat.
const Chord kHarmony[12][3] = {
    {kF, kF, kF},    {kF, kF, kF},  {kGm, kGm, kC7}, {kC7, kF, kF}, {kF, kBb, kBb},  {kC7, kC7, kC7},
    {kGm, kC7, kC7}, {kC7, kF, kF}, {kF, kF, kF},    {kF, kF, kF},  {kGm, kGm, kC7}, {kC7, kF, kF},
};

struct Voicing {
    std::vector<int> pad;
    int bassNote;
    std::vector<int> sparkle;  // chord tones high up, for the broken chords
};

Voicing voicing(Chord c)
{
    switch (c) {
    case kF: return {{53, 57, 60}, 41, {77, 81, 84, 89}};
    case kBb: return {{53, 58, 62}, 46, {77, 82, 86, 89}};
    case kC7: return {{52, 55, 58, 60}, 48, {76, 79, 82, 84}};
    default: return {{50, 55, 58}, 43, {74, 79, 82, 86}};
    }
}

// The note a diatonic third below, in F major.
int thirdBelow(int pitch)
{
    const int scale[] = {0, 2, 4, 5, 7, 9, 10};  // F G A Bb C D E, as steps above F
    const int rel = ((pitch - 65) % 12 + 12) % 12;
    int degree = 0;
    for (int i = 0; i < 7; ++i)
        if (scale[i] == rel) degree = i;
    const int octave = (pitch - 65 - rel) / 12;
    const int target = degree - 2;
    const int wrapped = (target + 7) % 7;
    const int octaveShift = target < 0 ? -1 : 0;
    return 65 + 12 * (octave + octaveShift) + scale[wrapped];
}

}  // namespace

Music makeMusic()
{
    Ring ring;
    Rng rng(0x3051C);
    // A beat's shift makes the file begin with the pickup that ends bar 12.
    const long offset = kFramesPerBeat;
    auto humanise = [&](long at) { return at + static_cast<long>(rng.range(-60.0f, 60.0f)); };

    for (int pass = 0; pass < 2; ++pass) {
        const long passStart = offset + static_cast<long>(pass) * 36 * kFramesPerBeat;
        for (int bar = 0; bar < 12; ++bar) {
            const long barStart = passStart + static_cast<long>(bar) * 3 * kFramesPerBeat;
            // Melody on the music box, an octave up; the second time with thirds below.
            long at = barStart;
            for (const Note &n : kTune[bar]) {
                const double velocity = (n.sixteenths >= 4 ? 1.0 : 0.85) * rng.range(0.92f, 1.05f);
                musicBox(ring, humanise(at), n.pitch + 12, velocity, 0.15);
                if (pass == 1 && n.pitch > 60)
                    glock(ring, humanise(at + 90), thirdBelow(n.pitch) + 12, 0.42 * velocity, -0.3);
                at += static_cast<long>(n.sixteenths) * kSixteenth;
            }
            // Pad and bass change with the chord.
            int beat = 0;
            while (beat < 3) {
                const Chord chord = kHarmony[bar][beat];
                int span = 1;
                while (beat + span < 3 && kHarmony[bar][beat + span] == chord) ++span;
                const Voicing v = voicing(chord);
                const long start = barStart + static_cast<long>(beat) * kFramesPerBeat;
                const long length = static_cast<long>(span) * kFramesPerBeat;
                for (int p : v.pad) padVoice(ring, start, length, p, pass == 0 ? 0.05 : 0.06);
                bass(ring, start, length, v.bassNote, beat == 0 ? 0.16 : 0.11);
                beat += span;
            }
            // Second time round, quiet broken chords twinkle above.
            if (pass == 1) {
                const int pattern[6] = {0, 1, 2, 3, 2, 1};
                for (int e = 0; e < 6; ++e) {
                    const Voicing v = voicing(kHarmony[bar][e / 2]);
                    const int note = v.sparkle[static_cast<size_t>(pattern[e]) % v.sparkle.size()];
                    const long start = humanise(barStart + static_cast<long>(e) * 2 * kSixteenth);
                    const double velocity = 0.16 * rng.range(0.8f, 1.1f);
                    glock(ring, start, note, velocity, (e % 2) ? 0.55 : -0.55);
                }
            }
        }
    }
    reverb(ring, 0.5, 2.4);

    // No DC, and the peak at half of full scale (-6 dBFS).
    for (std::vector<double> *ch : {&ring.left(), &ring.right()}) {
        double mean = 0.0;
        for (double v : *ch) mean += v;
        mean /= static_cast<double>(ch->size());
        for (double &v : *ch) v -= mean;
    }
    double peak = 1e-9;
    for (size_t i = 0; i < static_cast<size_t>(kLoopFrames); ++i)
        peak = std::max({peak, std::fabs(ring.left()[i]), std::fabs(ring.right()[i])});
    const double gain = 0.5 / peak;
    Music music;
    music.samples.reserve(static_cast<size_t>(kLoopFrames) * 2);
    for (size_t i = 0; i < static_cast<size_t>(kLoopFrames); ++i) {
        for (std::vector<double> *ch : {&ring.left(), &ring.right()}) {
            const double v = std::round((*ch)[i] * gain * 32767.0);
            music.samples.push_back(static_cast<int16_t>(std::max(-32767.0, std::min(32767.0, v))));
        }
    }
    return music;
}

}  // namespace frostel_assets
