#pragma once

#include "Result.h"

#include <cstdint>
#include <functional>

// In-place radix-2 transforms on single-precision data; the twiddle factors are advanced by
// a trigonometric recurrence in double precision. Neither transform scales its result.

// The complex transform of `m` values stored as re, im pairs in data[0 .. 2m-1]:
// X(k) = sum over j of x(j) e^(direction 2 pi i j k / m), direction +1 or -1. `m` must be a
// power of two; refused (and the data left alone) otherwise.
Result<> ComplexFft(float* data, std::uint32_t m, int direction);

// The transform of `n` real values into the packed half-spectrum (direction +1): element 0
// holds bin 0, element 1 bin n/2, elements 2k and 2k+1 the real and imaginary parts of bin k
// for 0 < k < n/2. Direction -1 turns such a spectrum back into n/2 times the real sequence.
// `n` must be a power of two of at least 2; refused (and the data left alone) otherwise.
Result<> RealFft(float* data, std::uint32_t n, int direction);

// RealFft with `complexTransform` as its complex transform of the n/2 values (ComplexFft's
// definition, for an `m` that is a power of two), the separation of the bins around it the
// same: the simulator passes FFTW's.
using HalfLengthTransform = std::function<void(float* data, std::uint32_t m, int direction)>;
Result<> RealFftWith(float* data, std::uint32_t n, int direction, const HalfLengthTransform& complexTransform);
