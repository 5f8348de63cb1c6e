#pragma once

#include "TestCondition.h"

// The number of masker frequencies of a condition: the integer part of
// (EndF - StartF) / FStep + 1, evaluated in double precision from the stored floats.
// A step of zero, a non-finite quotient or one outside the int range gives 0, which
// "Run PTC" then refuses; it never divides by zero.
int FreqPointCount(const TestCondition& c);
