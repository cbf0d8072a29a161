// The mixer's inner loops, written for the compiler to vectorise: division by
// the small divisors 1 to 4 is by a constant, which the compiler turns into a
// multiply and shift; larger divisors use a precomputed reciprocal.
#include "sound/mix_kernels.h"

#include <algorithm>

namespace {

inline std::int16_t clampToSample(std::int32_t value)
{
    return static_cast<std::int16_t>(std::clamp<std::int32_t>(value, INT16_MIN, INT16_MAX));
}

// Truncating division by d as (|x| * ceil(2^32 / d)) >> 32 with the sign put
// back. With e = ceil(2^32 / d) * d - 2^32 < d the quotient is exact while
// |x| * e < 2^32.
struct Reciprocal {
    std::uint32_t multiplier;

    explicit Reciprocal(int divisor)
        : multiplier(static_cast<std::uint32_t>(((std::uint64_t{1} << 32) + divisor - 1) / divisor))
    {
    }

    std::int32_t operator()(std::int32_t x) const
    {
        const auto sign = static_cast<std::uint32_t>(x >> 31);
        const std::uint32_t magnitude = (static_cast<std::uint32_t>(x) ^ sign) - sign;
        const auto quotient = static_cast<std::uint32_t>((std::uint64_t{magnitude} * multiplier) >> 32);
        return static_cast<std::int32_t>((quotient ^ sign) - sign);
    }
};

static_assert(std::int64_t{maxKernelSamples} * 32768 * (maxKernelDivisor - 1) < (std::int64_t{1} << 32));

template <int Direction, class Divide>
[[gnu::always_inline]] inline void mixScaled(std::int32_t* __restrict accumulator, std::int16_t* __restrict output,
                                             const std::int16_t* __restrict sample, int count, Divide divide)
{
    for (int i = 0; i < count; ++i) {
        const std::int32_t sum = accumulator[i] + Direction * sample[i];
        accumulator[i] = sum;
        output[i] = clampToSample(divide(sum));
    }
}

template <int Direction>
[[gnu::always_inline]] inline void mixScaledBy(std::int32_t* accumulator, std::int16_t* output,
                                               const std::int16_t* sample, int count, int divisor)
{
    switch (divisor) {
    case 1: return mixScaled<Direction>(accumulator, output, sample, count, [](std::int32_t x) { return x; });
    case 2: return mixScaled<Direction>(accumulator, output, sample, count, [](std::int32_t x) { return x / 2; });
    case 3: return mixScaled<Direction>(accumulator, output, sample, count, [](std::int32_t x) { return x / 3; });
    case 4: return mixScaled<Direction>(accumulator, output, sample, count, [](std::int32_t x) { return x / 4; });
    default: return mixScaled<Direction>(accumulator, output, sample, count, Reciprocal(divisor));
    }
}

using Kernel = void (*)(std::int32_t* accumulator, std::int16_t* output, const std::int16_t* sample, int count,
                        int divisor);

template <int Direction>
void mixPlain(std::int32_t* accumulator, std::int16_t* output, const std::int16_t* sample, int count, int divisor)
{
    mixScaledBy<Direction>(accumulator, output, sample, count, divisor);
}

// On x86-64 each kernel is built twice, plain and for AVX2, and the first
// call picks the one the processor runs.
#if defined(__GNUC__) && defined(__x86_64__)
template <int Direction>
[[gnu::target("avx2")]] void mixAvx2(std::int32_t* accumulator, std::int16_t* output, const std::int16_t* sample,
                                     int count, int divisor)
{
    mixScaledBy<Direction>(accumulator, output, sample, count, divisor);
}

template <int Direction>
Kernel pickKernel()
{
    return __builtin_cpu_supports("avx2") ? mixAvx2<Direction> : mixPlain<Direction>;
}
#else
template <int Direction>
Kernel pickKernel()
{
    return mixPlain<Direction>;
}
#endif

}  // namespace

void addAndScale(std::int32_t* accumulator, std::int16_t* output, const std::int16_t* sample, int count, int divisor)
{
    static const Kernel kernel = pickKernel<1>();
    kernel(accumulator, output, sample, count, divisor);
}

void subtractAndScale(std::int32_t* accumulator, std::int16_t* output, const std::int16_t* sample, int count,
                      int divisor)
{
    static const Kernel kernel = pickKernel<-1>();
    kernel(accumulator, output, sample, count, divisor);
}
