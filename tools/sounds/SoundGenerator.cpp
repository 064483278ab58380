#include "SoundGenerator.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <numbers>

namespace {

struct Partial {
    double frequency; // Hz
    double amplitude; // 0..1
    double decay;     // seconds for the level to fall to 1/e
};

// A struck sound: decaying sine partials, an optional burst of noise for the strike,
// and a few milliseconds of fade-in so that the start does not click.
std::vector<double> Strike(double seconds, const std::vector<Partial>& partials, double noiseLevel,
                           double noiseDecay, double pitchDrop) {
    const int count = static_cast<int>(seconds * kSampleRate);
    std::vector<double> out(static_cast<size_t>(count), 0.0);
    std::uint32_t seed = 12345;
    for (int i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        // A falling pitch makes the knock sound struck rather than sung.
        const double bend = 1.0 + pitchDrop * std::exp(-t / 0.02);
        double value = 0.0;
        for (const Partial& p : partials)
            value += p.amplitude * std::exp(-t / p.decay) *
                     std::sin(2.0 * std::numbers::pi * p.frequency * bend * t);
        seed = seed * 1664525u + 1013904223u;
        const double noise = (static_cast<double>(seed >> 8) / (1 << 24)) * 2.0 - 1.0;
        value += noiseLevel * std::exp(-t / noiseDecay) * noise;
        const double fadeIn = std::min(1.0, t / 0.002);
        const double fadeOut = std::min(1.0, (seconds - t) / 0.01);
        out[static_cast<size_t>(i)] = value * fadeIn * fadeOut;
    }
    return out;
}

std::vector<std::int16_t> Quantise(const std::vector<double>& signal, double peak) {
    double maximum = 0.0;
    for (double v : signal)
        maximum = std::max(maximum, std::abs(v));
    const double scale = maximum > 0.0 ? peak * 32767.0 / maximum : 0.0;
    std::vector<std::int16_t> samples;
    samples.reserve(signal.size());
    for (double v : signal)
        samples.push_back(static_cast<std::int16_t>(std::lround(v * scale)));
    return samples;
}

void PutLittleEndian(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void PutTag(std::vector<std::uint8_t>& out, const char* tag) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(tag[i]));
}

} // namespace

std::vector<std::int16_t> MoveSound() {
    return Quantise(Strike(0.14, {{760, 1.0, 0.030}, {1490, 0.45, 0.018}, {2600, 0.2, 0.008}}, 0.35,
                           0.004, 0.08),
                    0.6);
}

std::vector<std::int16_t> AttackSound() {
    return Quantise(
        Strike(0.26, {{300, 1.0, 0.060}, {455, 0.7, 0.045}, {1210, 0.35, 0.020}}, 0.8, 0.015, 0.25),
        0.7);
}

std::vector<std::int16_t> MateSound() {
    // C5, E5, G5, then the three together, each note a bell with a soft octave partial.
    const double notes[] = {523.25, 659.25, 783.99};
    const double step = 0.16;
    const double length = 1.1;
    std::vector<double> mix(static_cast<size_t>(length * kSampleRate), 0.0);
    auto add = [&](double start, double frequency, double level) {
        const std::vector<double> bell = Strike(
            length - start, {{frequency, 1.0, 0.35}, {frequency * 2.0, 0.3, 0.15}}, 0.0, 1.0, 0.0);
        const size_t offset = static_cast<size_t>(start * kSampleRate);
        for (size_t i = 0; i < bell.size() && offset + i < mix.size(); ++i)
            mix[offset + i] += level * bell[i];
    };
    for (int n = 0; n < 3; ++n)
        add(step * n, notes[n], 1.0);
    for (double note : notes)
        add(step * 3, note, 0.6);
    return Quantise(mix, 0.6);
}

std::vector<std::uint8_t> WaveFile(const std::vector<std::int16_t>& samples) {
    const std::uint32_t dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
    std::vector<std::uint8_t> out;
    PutTag(out, "RIFF");
    PutLittleEndian(out, 36 + dataBytes, 4);
    PutTag(out, "WAVE");
    PutTag(out, "fmt ");
    PutLittleEndian(out, 16, 4);              // format chunk size
    PutLittleEndian(out, 1, 2);               // PCM
    PutLittleEndian(out, 1, 2);               // mono
    PutLittleEndian(out, kSampleRate, 4);     // samples per second
    PutLittleEndian(out, kSampleRate * 2, 4); // bytes per second
    PutLittleEndian(out, 2, 2);               // bytes per sample frame
    PutLittleEndian(out, 16, 2);              // bits per sample
    PutTag(out, "data");
    PutLittleEndian(out, dataBytes, 4);
    for (std::int16_t s : samples)
        PutLittleEndian(out, static_cast<std::uint16_t>(s), 2);
    return out;
}

bool WriteSounds(const std::string& folder) {
    const struct {
        const char* name;
        std::vector<std::int16_t> samples;
    } sounds[] = {
        {"move.wav", MoveSound()}, {"attack.wav", AttackSound()}, {"mate.wav", MateSound()}};
    for (const auto& sound : sounds) {
        const std::vector<std::uint8_t> bytes = WaveFile(sound.samples);
        std::ofstream file(folder + "/" + sound.name, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        if (!file)
            return false;
    }
    return true;
}
