#pragma once

namespace playkit {

// The modified Bessel function of the first kind, order 0: the Kaiser window of the resamplers' filters.
inline double BesselI0(double x) {
    double sum = 1.0, term = 1.0;
    for (int k = 1; k < 50; ++k) {
        term *= (x / (2.0 * k)) * (x / (2.0 * k));
        sum += term;
        if (term < 1e-12 * sum)
            break;
    }
    return sum;
}

} // namespace playkit
