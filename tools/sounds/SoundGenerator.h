#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Synthesises the program's three sounds as 16-bit mono samples and wraps them in the
// wave file format. Deterministic: the same build makes the same bytes.

inline constexpr int kSampleRate = 22050;

std::vector<std::int16_t> MoveSound();   // a short wooden knock
std::vector<std::int16_t> AttackSound(); // a lower, harder knock with a rattle
std::vector<std::int16_t> MateSound();   // a rising three-note chime

// The bytes of a PCM wave file holding the samples.
std::vector<std::uint8_t> WaveFile(const std::vector<std::int16_t>& samples);

// Writes the three files move.wav, attack.wav and mate.wav into `folder`, which must
// exist. Returns false when a file cannot be written.
bool WriteSounds(const std::string& folder);
