// The mixer's inner loops, one instance per divisor: with the divisor a
// constant the compiler turns each division into an exact multiply and shift
// and vectorises the loop.
#include "sound/mix_kernels.h"

#include <algorithm>
#include <array>
#include <utility>

namespace {

// On x86-64 Linux each loop is also built for AVX2, whose 32-bit multiplies
// make the divisions cheap; the loader picks the build the processor runs.
// Sanitizer builds go without: their runtime is not ready when the loader
// runs the picking code.
#if defined(__x86_64__) && defined(__linux__) && defined(__GNUC__) && !defined(__clang__) && \
    !defined(__SANITIZE_THREAD__) && !defined(__SANITIZE_ADDRESS__)
#define VELMARA_MIX_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define VELMARA_MIX_CLONES
#endif

constexpr std::int16_t clampTo16(std::int32_t value)
{
    return static_cast<std::int16_t>(std::clamp<std::int32_t>(value, -32768, 32767));
}

template <int Divisor, int Sign>
VELMARA_MIX_CLONES void mixInto(std::int32_t* accumulator, const std::int16_t* sample, std::int16_t* output, int length)
{
    for (int i = 0; i < length; ++i) {
        const std::int32_t sum = accumulator[i] + Sign * std::int32_t{sample[i]};
        accumulator[i] = sum;
        output[i] = clampTo16(sum / Divisor);
    }
}

template <int Divisor>
VELMARA_MIX_CLONES void scaleInto(const std::int32_t* accumulator, std::int16_t* output, int length)
{
    for (int i = 0; i < length; ++i) output[i] = clampTo16(accumulator[i] / Divisor);
}

using MixKernel = void (*)(std::int32_t*, const std::int16_t*, std::int16_t*, int);
using ScaleKernel = void (*)(const std::int32_t*, std::int16_t*, int);

template <int Sign, int... Divisors>
constexpr std::array<MixKernel, sizeof...(Divisors)> mixTable(std::integer_sequence<int, Divisors...>)
{
    return {mixInto<Divisors + 1, Sign>...};
}

template <int... Divisors>
constexpr std::array<ScaleKernel, sizeof...(Divisors)> scaleTable(std::integer_sequence<int, Divisors...>)
{
    return {scaleInto<Divisors + 1>...};
}

constexpr auto divisors = std::make_integer_sequence<int, maxKernelDivisor>();
constexpr auto addKernels = mixTable<1>(divisors);
constexpr auto subtractKernels = mixTable<-1>(divisors);
constexpr auto scaleKernels = scaleTable(divisors);

}  // namespace

void addAndScale(std::int32_t* accumulator, const std::int16_t* sample, std::int16_t* output, int length, int divisor)
{
    addKernels[static_cast<std::size_t>(divisor - 1)](accumulator, sample, output, length);
}

void subtractAndScale(std::int32_t* accumulator, const std::int16_t* sample, std::int16_t* output, int length,
                      int divisor)
{
    subtractKernels[static_cast<std::size_t>(divisor - 1)](accumulator, sample, output, length);
}

void scaleOnly(const std::int32_t* accumulator, std::int16_t* output, int length, int divisor)
{
    scaleKernels[static_cast<std::size_t>(divisor - 1)](accumulator, output, length);
}
