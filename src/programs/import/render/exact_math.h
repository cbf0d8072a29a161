// Powers of two and the raised cosine from additions, multiplications and
// divisions alone, which IEEE 754 rounds the same everywhere: the C
// libraries' exp2 and cos may differ in the last bit from one platform to
// another, and these values shape every sample the importer writes.
#pragma once

namespace organ_import {

// 2 to the power x, to within an ulp or two, for |x| below 1,000.
double exactPowerOfTwo(double x);

// cos(pi * t) for t in [0, 1], to within an ulp or two.
double exactCosineOfPiTimes(double t);

}  // namespace organ_import
