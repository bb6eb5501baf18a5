#include "playkit/AdxResampler.h"

#include "playkit/AdxBessel.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace playkit {
namespace {
// The filter at speeds up to the output's own rate: 32 taps at the input rate, pass band to 97 %
// of the Nyquist frequency, Kaiser window beta 9; aliases and images end up near -100 dB.
constexpr int kHalf = 16;
constexpr double kBeta = 9.0;
// Speeding up folds the most into the band: a longer, steeper filter there (widened further by
// the speed), for the same margin.
constexpr int kWideHalf = 20;
constexpr double kWideBeta = 10.5;
constexpr double kCutoff = 0.97;
constexpr int kPhases = 256;
// Speeding up widens the filter by the inverse ratio; below this ratio it stops widening.
constexpr double kMinRatio = 1.0 / 40.0;
constexpr int kMaxHalf = static_cast<int>(kWideHalf / kMinRatio) + 16;
// Phases per input frame of the table at speed 1; a filter widened s times needs s times fewer
// for the same accuracy, which keeps the table near 40 KB at any speed.
constexpr int kMaxTable = 24576;
constexpr std::size_t kCapacity = 8192 + 2 * kMaxHalf;

typedef float v8sf __attribute__((vector_size(32)));

// The inner loop is built twice, for processors with AVX2 and FMA and for the baseline; the
// loader picks one once. Not under ThreadSanitizer: the loader runs the picker before the
// sanitizer's runtime is up, and the instrumented picker crashes the program at start.
#if defined(__SANITIZE_THREAD__)
#define PLAYKIT_SANITIZED_THREADS 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define PLAYKIT_SANITIZED_THREADS 1
#endif
#endif
#if defined(__x86_64__) && !defined(PLAYKIT_SANITIZED_THREADS)
#define PLAYKIT_CLONES __attribute__((target_clones("arch=x86-64-v3", "default")))
#else
#define PLAYKIT_CLONES
#endif

// A prototype impulse response at u input frames from the centre.
double Prototype(double u, int half, double beta) {
    if (std::fabs(u) >= half)
        return 0.0;
    const double b = kCutoff;
    const double t = u / half;
    const double sinc = u == 0.0 ? 1.0 : std::sin(M_PI * b * u) / (M_PI * b * u);
    return b * sinc * BesselI0(beta * std::sqrt(1.0 - t * t)) / BesselI0(beta);
}

// A prototype sampled kPhases times a frame, read back with linear interpolation.
struct Filter {
    int half;
    std::vector<float> proto; // proto[m]: the response at u = m / kPhases - half
    Filter(int h, double beta) : half(h), proto(2 * static_cast<std::size_t>(h) * kPhases + 2) {
        for (std::size_t m = 0; m < proto.size(); ++m)
            proto[m] = static_cast<float>(Prototype(static_cast<double>(m) / kPhases - h, h, beta));
    }
    float At(double u) const {
        const double m = (u + half) * kPhases;
        if (m <= 0.0 || m >= static_cast<double>(proto.size() - 1))
            return 0.f;
        const auto mi = static_cast<std::size_t>(m);
        const float fr = static_cast<float>(m - static_cast<double>(mi));
        return proto[mi] + fr * (proto[mi + 1] - proto[mi]);
    }
};

struct Tables {
    Filter unity{kHalf, kBeta};
    Filter wide{kWideHalf, kWideBeta};
};

const Tables& Table() {
    static const Tables tables;
    return tables;
}

// One run of output frames; see CAdxResampler::Render. Positions are fixed point, 32 bits of
// fraction: exact steps, and the phase and its interpolation weight come out of the bits.
struct Run {
    const float* left;
    const float* right;
    const float* rows;
    std::int64_t base, last;
    std::uint64_t end; // position where ended input runs out (max when not ended)
    std::size_t taps;
    int half, phaseBits;
    bool unity;
    double from, target;
};

constexpr double kOne = 4294967296.0; // 2^32

PLAYKIT_CLONES std::size_t RenderRun(const Run& r, float* out, std::size_t n, std::uint64_t& x,
                                     double& step) {
    // Glide the speed across the call.
    const double glide = (r.target - r.from) / static_cast<double>(n);
    const auto fixedTarget = static_cast<std::uint64_t>(std::llround(r.target * kOne));
    const int weightBits = 32 - r.phaseBits;
    const float weightScale = 1.0f / static_cast<float>(std::uint64_t{1} << weightBits);
    const std::uint64_t weightMask = (std::uint64_t{1} << weightBits) - 1;
    std::size_t made = 0;
    std::uint64_t fixedStep = fixedTarget;
    for (; made < n; ++made) {
        if (x >= r.end)
            break;
        if (glide != 0.0) {
            step = r.from + glide * static_cast<double>(made + 1);
            fixedStep = static_cast<std::uint64_t>(std::llround(step * kOne));
        }
        const auto i0 = static_cast<std::int64_t>(x >> 32);
        if (i0 + r.half + 7 >= r.last)
            break; // needs more input
        const auto frac = static_cast<std::uint32_t>(x);
        const std::size_t at = static_cast<std::size_t>(i0 - r.half + 1 - r.base);
        float yl, yr;
        if (r.unity && frac == 0) {
            // Unity: the frames themselves.
            yl = r.left[at + static_cast<std::size_t>(r.half) - 1];
            yr = r.right[at + static_cast<std::size_t>(r.half) - 1];
        } else {
            const std::size_t p = frac >> weightBits;
            const float f = static_cast<float>(frac & weightMask) * weightScale;
            const float* c0 = r.rows + p * r.taps;
            const float* c1 = c0 + r.taps;
            v8sf al = {}, ar = {};
            for (std::size_t j = 0; j < r.taps; j += 8) {
                v8sf a, b, l, rr;
                std::memcpy(&a, c0 + j, sizeof a);
                std::memcpy(&b, c1 + j, sizeof b);
                std::memcpy(&l, r.left + at + j, sizeof l);
                std::memcpy(&rr, r.right + at + j, sizeof rr);
                const v8sf c = a + (b - a) * f;
                al += c * l;
                ar += c * rr;
            }
            yl = (al[0] + al[4]) + (al[1] + al[5]) + (al[2] + al[6]) + (al[3] + al[7]);
            yr = (ar[0] + ar[4]) + (ar[1] + ar[5]) + (ar[2] + ar[6]) + (ar[3] + ar[7]);
        }
        out[2 * made] = yl;
        out[2 * made + 1] = yr;
        x += fixedStep;
    }
    // A call that made all it was asked for has glided to the target: exactly, so that the next call
    // sees the glide ended.
    if (glide == 0.0 || made == n)
        step = r.target;
    return made;
}
} // namespace

CAdxResampler::CAdxResampler() : m_left(kCapacity), m_right(kCapacity), m_rows(kMaxTable) {
    Table();
    Build(1.0);
    Reset();
}

void CAdxResampler::Build(double step) {
    // rows[p][j]: tap j (input frame floor(x) - half + 1 + j) at fraction p / phases of a frame.
    const Filter& filter = step > 1.0 ? Table().wide : Table().unity;
    const double r = 1.0 / step;
    m_tableStep = step;
    m_half = static_cast<int>(std::ceil(filter.half * step));
    m_taps = (2 * m_half + 7) & ~7;
    // Phases a power of two, so that the position's bits give phase and weight directly.
    m_phaseBits = 8;
    for (double s = step; s >= 2.0 && m_phaseBits > 3; s /= 2.0)
        --m_phaseBits;
    while (((1 << m_phaseBits) + 1) * m_taps > kMaxTable)
        --m_phaseBits;
    m_phases = 1 << m_phaseBits;
    for (int p = 0; p <= m_phases; ++p) {
        const double frac = static_cast<double>(p) / m_phases;
        float* row = m_rows.data() + static_cast<std::size_t>(p) * static_cast<std::size_t>(m_taps);
        for (int j = 0; j < m_taps; ++j)
            row[j] = static_cast<float>(r) * filter.At((frac + m_half - 1 - j) * r);
    }
}

void CAdxResampler::Reset() {
    // A silent lead-in, so that the first frames have the history the filter reaches back to.
    std::fill(m_left.begin(), m_left.begin() + kMaxHalf, 0.f);
    std::fill(m_right.begin(), m_right.begin() + kMaxHalf, 0.f);
    m_base = -kMaxHalf;
    m_count = kMaxHalf;
    m_written = 0;
    m_x = 0;
    m_step = -1.0;
    m_ended = false;
}

void CAdxResampler::Compact() {
    const std::int64_t keep = static_cast<std::int64_t>(m_x >> 32) - kMaxHalf;
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
    // A table narrower than the glide needs is rebuilt at once. A wider one is kept until the glide
    // has ended (its band is only a little narrower meanwhile): a block asks for its input in several
    // calls, and a slowing voice would otherwise rebuild at every call of the block.
    const double widest = std::max(1.0, std::max(from, target));
    if (widest > m_tableStep || (widest < m_tableStep && from == target))
        Build(widest);
    const Run run{m_left.data(),
                  m_right.data(),
                  m_rows.data(),
                  m_base,
                  m_base + static_cast<std::int64_t>(m_count),
                  m_ended ? static_cast<std::uint64_t>(m_written) << 32 : ~std::uint64_t{0},
                  static_cast<std::size_t>(m_taps),
                  m_half,
                  m_phaseBits,
                  from == 1.0 && target == 1.0,
                  from,
                  target};
    double step = from;
    const std::size_t made = RenderRun(run, out, n, m_x, step);
    if (made > 0)
        m_step = step;
    return made;
}

} // namespace playkit
