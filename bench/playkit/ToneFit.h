#pragma once

#include <span>

struct SToneFit {
    double dFrequency = 0;  // Hz, refined around the guess
    double dAmplitude = 0;  // peak amplitude of the fitted sine
    double dResidualDb = 0; // everything but the sine (noise, distortion, aliases) against the sine, dB
};

// Least-squares fit of one sine (plus DC) near the expected frequency; the residual is the
// THD+N of the signal. The frequency is refined a little (at most +-0.05 %) so that a
// resampler whose ratio is off by a hair is not charged for it.
SToneFit FitTone(std::span<const float> signal, double sampleRate, double expectedFrequency);

// Peak amplitude of the sine at exactly this frequency (a windowed transform at that one
// frequency): picks out a spur 100 dB below a tone elsewhere in the band, far under the
// broadband noise. The signal should hold a few hundred cycles or more.
double ToneAmplitude(std::span<const float> signal, double sampleRate, double frequency);

// RMS of the signal in dB against full scale (1.0); -200 for digital silence.
double RmsDb(std::span<const float> signal);
