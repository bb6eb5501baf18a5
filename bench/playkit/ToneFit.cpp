#include "ToneFit.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

struct SFit {
    double dAmplitude = 0;
    double dResidualEnergy = 0;
};

// Solves for a*sin + b*cos + c by the normal equations, accumulating in long double:
// a 1e-5 residual on a second of audio must survive the sums.
SFit FitAt(std::span<const float> x, double sampleRate, double frequency) {
    const double w = 2 * std::numbers::pi * frequency / sampleRate;
    long double ss = 0, sc = 0, cc = 0, s1 = 0, c1 = 0, xs = 0, xc = 0, x1 = 0;
    const long double n = static_cast<long double>(x.size());
    for (size_t i = 0; i < x.size(); ++i) {
        const double s = std::sin(w * static_cast<double>(i));
        const double c = std::cos(w * static_cast<double>(i));
        ss += s * s;
        sc += s * c;
        cc += c * c;
        s1 += s;
        c1 += c;
        xs += x[i] * s;
        xc += x[i] * c;
        x1 += x[i];
    }
    // 3x3 system [ss sc s1; sc cc c1; s1 c1 n] [a b d] = [xs xc x1], by Cramer's rule.
    auto det3 = [](long double a, long double b, long double c, long double d, long double e, long double f,
                   long double g, long double h,
                   long double k) { return a * (e * k - f * h) - b * (d * k - f * g) + c * (d * h - e * g); };
    const long double det = det3(ss, sc, s1, sc, cc, c1, s1, c1, n);
    if (std::fabs(static_cast<double>(det)) < 1e-30)
        return {};
    const long double a = det3(xs, sc, s1, xc, cc, c1, x1, c1, n) / det;
    const long double b = det3(ss, xs, s1, sc, xc, c1, s1, x1, n) / det;
    const long double d = det3(ss, sc, xs, sc, cc, xc, s1, c1, x1) / det;
    SFit fit;
    fit.dAmplitude = static_cast<double>(std::sqrt(a * a + b * b));
    for (size_t i = 0; i < x.size(); ++i) {
        const double model = static_cast<double>(a) * std::sin(w * static_cast<double>(i)) +
                             static_cast<double>(b) * std::cos(w * static_cast<double>(i)) +
                             static_cast<double>(d);
        const double r = x[i] - model;
        fit.dResidualEnergy += r * r;
    }
    return fit;
}

} // namespace

SToneFit FitTone(std::span<const float> signal, double sampleRate, double expectedFrequency) {
    // Golden-section search of the residual, within half a bin of the expectation so that
    // the search stays on the main lobe, where the residual has a single minimum.
    const double halfBin = 0.5 * sampleRate / static_cast<double>(std::max<size_t>(signal.size(), 1));
    const double span = std::min(expectedFrequency * 5e-4, halfBin);
    double lo = expectedFrequency - span, hi = expectedFrequency + span;
    const double g = (std::sqrt(5.0) - 1) / 2;
    double f1 = hi - g * (hi - lo), f2 = lo + g * (hi - lo);
    SFit r1 = FitAt(signal, sampleRate, f1), r2 = FitAt(signal, sampleRate, f2);
    for (int i = 0; i < 40 && hi - lo > expectedFrequency * 1e-10; ++i) {
        if (r1.dResidualEnergy < r2.dResidualEnergy) {
            hi = f2;
            f2 = f1;
            r2 = r1;
            f1 = hi - g * (hi - lo);
            r1 = FitAt(signal, sampleRate, f1);
        } else {
            lo = f1;
            f1 = f2;
            r1 = r2;
            f2 = lo + g * (hi - lo);
            r2 = FitAt(signal, sampleRate, f2);
        }
    }
    const bool first = r1.dResidualEnergy < r2.dResidualEnergy;
    const SFit& best = first ? r1 : r2;
    SToneFit result;
    result.dFrequency = first ? f1 : f2;
    result.dAmplitude = best.dAmplitude;
    const double toneEnergy = best.dAmplitude * best.dAmplitude / 2 * static_cast<double>(signal.size());
    result.dResidualDb =
        toneEnergy > 0 ? 10 * std::log10(std::max(best.dResidualEnergy, 1e-30) / toneEnergy) : 0;
    return result;
}

double ToneAmplitude(std::span<const float> signal, double sampleRate, double frequency) {
    // A 7-term Blackman-Harris window: sidelobes near -180 dB, so a tone elsewhere in the band
    // does not leak into the measure as it would through a plain least-squares fit.
    static constexpr double kTerms[] = {0.27105140069342,  -0.43329793923448, 0.21812299954311,
                                        -0.06592544638803, 0.01081174209837,  -0.00077658482522,
                                        0.00001388721735};
    const size_t n = signal.size();
    if (n < 2)
        return 0;
    const double w = 2 * std::numbers::pi * frequency / sampleRate;
    long double re = 0, im = 0, sum = 0;
    for (size_t i = 0; i < n; ++i) {
        const double x = 2 * std::numbers::pi * static_cast<double>(i) / static_cast<double>(n - 1);
        double window = 0;
        for (int k = 0; k < 7; ++k)
            window += kTerms[k] * std::cos(k * x);
        sum += window;
        re += window * signal[i] * std::cos(w * static_cast<double>(i));
        im += window * signal[i] * std::sin(w * static_cast<double>(i));
    }
    return static_cast<double>(2 * std::sqrt(re * re + im * im) / sum);
}

double RmsDb(std::span<const float> signal) {
    if (signal.empty())
        return -200;
    double energy = 0;
    for (float s : signal)
        energy += static_cast<double>(s) * s;
    const double rms = std::sqrt(energy / static_cast<double>(signal.size()));
    return rms > 0 ? 20 * std::log10(rms) : -200;
}
