// Saturating conversions: the one place where floats become integers.
#pragma once
#include <cstdint>

// Drop the fraction toward zero; NaN gives 0 and out-of-range values stick at
// the ends of the 32-bit range, so no conversion is ever undefined.
inline int32_t TruncToInt32(double value) {
    if (value != value) return 0;
    if (value >= 2147483648.0) return INT32_MAX;
    if (value <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(value);
}

inline int32_t TruncToInt32(float value) { return TruncToInt32(static_cast<double>(value)); }

inline int32_t SaturateToInt32(int64_t value) {
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(value);
}
