// The mixer's inner loops, one instance per divisor: with the divisor a
// constant the compiler turns each division into an exact multiply and shift
// and vectorises the loop.
#include "sound/mix_kernels.h"

#include <algorithm>
#include <array>
#include <utility>

namespace {

constexpr std::int16_t clampTo16(std::int32_t value)
{
    return static_cast<std::int16_t>(std::clamp<std::int32_t>(value, -32768, 32767));
}

template <int Divisor, int Sign>
[[gnu::always_inline]] inline void mixLoop(std::int32_t* accumulator, const std::int16_t* sample,
                                           std::int16_t* output, int length)
{
    for (int i = 0; i < length; ++i) {
        const std::int32_t sum = accumulator[i] + Sign * std::int32_t{sample[i]};
        accumulator[i] = sum;
        output[i] = clampTo16(sum / Divisor);
    }
}

template <int Divisor>
[[gnu::always_inline]] inline void scaleLoop(const std::int32_t* accumulator, std::int16_t* output, int length)
{
    for (int i = 0; i < length; ++i) output[i] = clampTo16(accumulator[i] / Divisor);
}

using MixKernel = void (*)(std::int32_t*, const std::int16_t*, std::int16_t*, int);
using ScaleKernel = void (*)(const std::int32_t*, std::int16_t*, int);

// Every loop of one build, each table indexed by divisor - 1.
struct Kernels {
    std::array<MixKernel, maxKernelDivisor> add;
    std::array<MixKernel, maxKernelDivisor> subtract;
    std::array<ScaleKernel, maxKernelDivisor> scale;
};

constexpr auto divisors = std::make_integer_sequence<int, maxKernelDivisor>();

template <int Divisor, int Sign>
void mixPlain(std::int32_t* accumulator, const std::int16_t* sample, std::int16_t* output, int length)
{
    mixLoop<Divisor, Sign>(accumulator, sample, output, length);
}

template <int Divisor>
void scalePlain(const std::int32_t* accumulator, std::int16_t* output, int length)
{
    scaleLoop<Divisor>(accumulator, output, length);
}

template <int... Divisors>
constexpr Kernels plainKernels(std::integer_sequence<int, Divisors...>)
{
    return {{mixPlain<Divisors + 1, 1>...}, {mixPlain<Divisors + 1, -1>...}, {scalePlain<Divisors + 1>...}};
}

// On x86-64 every loop is built for AVX2 too, whose 32-bit multiplies make
// the divisions cheap, and the first call takes that build when the
// processor runs it. The choice is made at run time, not by the loader, so it
// works the same on Windows and in sanitizer builds.
#if defined(__GNUC__) && defined(__x86_64__)
template <int Divisor, int Sign>
[[gnu::target("avx2")]] void mixAvx2(std::int32_t* accumulator, const std::int16_t* sample, std::int16_t* output,
                                     int length)
{
    mixLoop<Divisor, Sign>(accumulator, sample, output, length);
}

template <int Divisor>
[[gnu::target("avx2")]] void scaleAvx2(const std::int32_t* accumulator, std::int16_t* output, int length)
{
    scaleLoop<Divisor>(accumulator, output, length);
}

template <int... Divisors>
constexpr Kernels avx2Kernels(std::integer_sequence<int, Divisors...>)
{
    return {{mixAvx2<Divisors + 1, 1>...}, {mixAvx2<Divisors + 1, -1>...}, {scaleAvx2<Divisors + 1>...}};
}

const Kernels& kernels()
{
    static const Kernels chosen = __builtin_cpu_supports("avx2") ? avx2Kernels(divisors) : plainKernels(divisors);
    return chosen;
}
#else
const Kernels& kernels()
{
    static constexpr Kernels plain = plainKernels(divisors);
    return plain;
}
#endif

}  // namespace

void addAndScale(std::int32_t* accumulator, const std::int16_t* sample, std::int16_t* output, int length, int divisor)
{
    kernels().add[static_cast<std::size_t>(divisor - 1)](accumulator, sample, output, length);
}

void subtractAndScale(std::int32_t* accumulator, const std::int16_t* sample, std::int16_t* output, int length,
                      int divisor)
{
    kernels().subtract[static_cast<std::size_t>(divisor - 1)](accumulator, sample, output, length);
}

void scaleOnly(const std::int32_t* accumulator, std::int16_t* output, int length, int divisor)
{
    kernels().scale[static_cast<std::size_t>(divisor - 1)](accumulator, output, length);
}
