#include "playkit/AdxResampler.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace playkit {
namespace {
// The filter: 32 taps at the input rate (more when speeding up), pass band to 97 % of the lower
// Nyquist frequency, Kaiser window beta 9. Aliases and images end up near -100 dB.
constexpr int kHalf = 16;
constexpr int kTaps = 2 * kHalf;
constexpr double kCutoff = 0.97;
constexpr double kBeta = 9.0;
constexpr int kPhases = 256;
// Speeding up widens the filter by the inverse ratio; below this ratio it stops widening.
constexpr double kMinRatio = 1.0 / 40.0;
constexpr int kMaxHalf = static_cast<int>(kHalf / kMinRatio) + 8;
// Phases per input frame of the table at speed-up 1; a filter widened s times needs s times fewer
// for the same accuracy, which keeps the table near 32 KB at any speed.
constexpr int kMaxTable = (kPhases + 2) * (kTaps + 4) + 4 * (kMaxHalf + 4);
constexpr std::size_t kCapacity = 8192 + 2 * kMaxHalf;

typedef float v4sf __attribute__((vector_size(16)));

double BesselI0(double x) {
    double sum = 1.0, term = 1.0;
    for (int k = 1; k < 50; ++k) {
        term *= (x / (2.0 * k)) * (x / (2.0 * k));
        sum += term;
        if (term < 1e-12 * sum)
            break;
    }
    return sum;
}

// The prototype impulse response at u input frames from the centre.
double Prototype(double u) {
    if (std::fabs(u) >= kHalf)
        return 0.0;
    const double b = kCutoff;
    const double t = u / kHalf;
    const double sinc = u == 0.0 ? 1.0 : std::sin(M_PI * b * u) / (M_PI * b * u);
    return b * sinc * BesselI0(kBeta * std::sqrt(1.0 - t * t)) / BesselI0(kBeta);
}

struct Tables {
    // proto[m]: the response at u = m / kPhases - kHalf.
    std::vector<float> proto;
    Tables() : proto(2 * kHalf * kPhases + 2) {
        for (std::size_t m = 0; m < proto.size(); ++m)
            proto[m] = static_cast<float>(Prototype(static_cast<double>(m) / kPhases - kHalf));
    }
    // The response at u, linearly interpolated.
    float At(double u) const {
        const double m = (u + kHalf) * kPhases;
        if (m <= 0.0 || m >= static_cast<double>(proto.size() - 1))
            return 0.f;
        const auto mi = static_cast<std::size_t>(m);
        const float fr = static_cast<float>(m - static_cast<double>(mi));
        return proto[mi] + fr * (proto[mi + 1] - proto[mi]);
    }
};

const Tables& Table() {
    static const Tables tables;
    return tables;
}

inline v4sf Load(const float* p) {
    v4sf v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline float Sum(v4sf v) {
    return v[0] + v[1] + v[2] + v[3];
}
} // namespace

CAdxResampler::CAdxResampler() : m_left(kCapacity), m_right(kCapacity), m_rows(kMaxTable) {
    Table();
    Build(1.0);
    Reset();
}

void CAdxResampler::Build(double step) {
    // rows[p][j]: tap j (input frame floor(x) - half + 1 + j) at fraction p / phases of a frame.
    const Tables& t = Table();
    const double r = 1.0 / step;
    m_tableStep = step;
    m_half = static_cast<int>(std::ceil(kHalf * step));
    m_taps = (2 * m_half + 3) & ~3;
    m_phases = std::max(8, static_cast<int>(std::ceil(kPhases / step)));
    for (int p = 0; p <= m_phases; ++p) {
        const double frac = static_cast<double>(p) / m_phases;
        float* row = m_rows.data() + static_cast<std::size_t>(p) * static_cast<std::size_t>(m_taps);
        for (int j = 0; j < m_taps; ++j)
            row[j] = static_cast<float>(r) * t.At((frac + m_half - 1 - j) * r);
    }
}

void CAdxResampler::Reset() {
    // A silent lead-in, so that the first frames have the history the filter reaches back to.
    std::fill(m_left.begin(), m_left.begin() + kMaxHalf, 0.f);
    std::fill(m_right.begin(), m_right.begin() + kMaxHalf, 0.f);
    m_base = -kMaxHalf;
    m_count = kMaxHalf;
    m_written = 0;
    m_x = 0.0;
    m_step = -1.0;
    m_ended = false;
}

void CAdxResampler::Compact() {
    const std::int64_t keep = static_cast<std::int64_t>(std::floor(m_x)) - kMaxHalf;
    const std::int64_t drop = std::min<std::int64_t>(keep - m_base, static_cast<std::int64_t>(m_count));
    if (drop <= 0)
        return;
    const auto d = static_cast<std::size_t>(drop);
    std::memmove(m_left.data(), m_left.data() + d, (m_count - d) * sizeof(float));
    std::memmove(m_right.data(), m_right.data() + d, (m_count - d) * sizeof(float));
    m_base += drop;
    m_count -= d;
}

std::size_t CAdxResampler::Room() {
    if (m_ended)
        return 0;
    if (m_count + kMaxHalf > kCapacity / 2)
        Compact();
    return kCapacity - kMaxHalf - m_count;
}

void CAdxResampler::Write(float*& left, float*& right) {
    left = m_left.data() + m_count;
    right = m_right.data() + m_count;
}

void CAdxResampler::Commit(std::size_t frames) {
    m_count += frames;
    m_written += static_cast<std::int64_t>(frames);
}

void CAdxResampler::PadEnd() {
    // Silence after the last frame, for the filter to reach forward into.
    Compact();
    const std::size_t pad = std::min<std::size_t>(kMaxHalf, kCapacity - m_count);
    std::fill(m_left.begin() + static_cast<std::ptrdiff_t>(m_count),
              m_left.begin() + static_cast<std::ptrdiff_t>(m_count + pad), 0.f);
    std::fill(m_right.begin() + static_cast<std::ptrdiff_t>(m_count),
              m_right.begin() + static_cast<std::ptrdiff_t>(m_count + pad), 0.f);
    m_count += pad;
    m_ended = true;
}

std::size_t CAdxResampler::Render(float* out, std::size_t n, double ratio, bool ended) {
    if (ended && !m_ended)
        PadEnd();
    ratio = std::max(ratio, kMinRatio);
    const double target = 1.0 / ratio;
    const double from = m_step < 0 ? target : m_step;
    // Faster than the output can carry: the filter narrows its band (and widens) by the step.
    const double widest = std::max(1.0, std::max(from, target));
    if (widest != m_tableStep)
        Build(widest);
    const float* L = m_left.data();
    const float* R = m_right.data();
    const std::int64_t last = m_base + static_cast<std::int64_t>(m_count); // one past the last frame held
    const std::size_t taps = static_cast<std::size_t>(m_taps);
    const bool unity = from == 1.0 && target == 1.0;
    std::size_t made = 0;
    double step = from;
    for (; made < n; ++made) {
        if (m_ended && m_x >= static_cast<double>(m_written))
            break;
        // Glide the speed across the call.
        step = from + (target - from) * static_cast<double>(made + 1) / static_cast<double>(n);
        const std::int64_t i0 = static_cast<std::int64_t>(m_x);
        if (i0 + m_half + 3 >= last)
            break; // needs more input
        const double frac = m_x - static_cast<double>(i0);
        const std::size_t at = static_cast<std::size_t>(i0 - m_half + 1 - m_base);
        float yl, yr;
        if (unity && frac == 0.0) {
            // Unity: the frames themselves.
            yl = L[at + static_cast<std::size_t>(m_half) - 1];
            yr = R[at + static_cast<std::size_t>(m_half) - 1];
        } else {
            const double ph = frac * m_phases;
            const int p = static_cast<int>(ph);
            const float f = static_cast<float>(ph - p);
            const float* c0 = m_rows.data() + static_cast<std::size_t>(p) * taps;
            const float* c1 = c0 + taps;
            v4sf al = {0, 0, 0, 0}, ar = {0, 0, 0, 0};
            for (std::size_t j = 0; j < taps; j += 4) {
                const v4sf a = Load(c0 + j);
                const v4sf c = a + (Load(c1 + j) - a) * f;
                al += c * Load(L + at + j);
                ar += c * Load(R + at + j);
            }
            yl = Sum(al);
            yr = Sum(ar);
        }
        out[2 * made] = yl;
        out[2 * made + 1] = yr;
        m_x += step;
    }
    if (made > 0)
        m_step = step;
    return made;
}

} // namespace playkit
