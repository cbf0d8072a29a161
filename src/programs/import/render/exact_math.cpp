// Platform-exact powers of two and cosines (see exact_math.h).
#include "programs/import/render/exact_math.h"

#include <cmath>
#include <numbers>

namespace organ_import {

namespace {

constexpr int seriesTerms = 24;  // the terms' last falls below 2^-60 of the sum over the ranges used

// e^y for y in [0, ln 2) by its Taylor series, summed from the smallest term.
double exponentialOfSmall(double y)
{
    double sum = 1.0;
    for (int k = seriesTerms; k >= 1; --k) sum = 1.0 + sum * y / k;
    return sum;
}

// cos(u) for u in [0, pi/2] by its Taylor series, summed from the smallest term.
double cosineOfSmall(double u)
{
    const double square = u * u;
    double sum = 1.0;
    for (int k = seriesTerms; k >= 1; --k) sum = 1.0 - sum * square / ((2.0 * k - 1.0) * (2.0 * k));
    return sum;
}

}  // namespace

double exactPowerOfTwo(double x)
{
    const double whole = std::floor(x);  // exact, as are x - whole and ldexp
    return std::ldexp(exponentialOfSmall((x - whole) * std::numbers::ln2), static_cast<int>(whole));
}

double exactCosineOfPiTimes(double t)
{
    if (t > 0.5) return -cosineOfSmall((1.0 - t) * std::numbers::pi);
    return cosineOfSmall(t * std::numbers::pi);
}

}  // namespace organ_import
