#pragma once
// The upload window's arithmetic: the engine's blocks and percentages, and the bar's width.

#include <algorithm>

#include "ftp/UploadMath.h"

namespace uploadmath {

// The bar spans the whole interior at 100 %.
constexpr int barWidth(int percent, int interiorWidth) {
    return interiorWidth * std::clamp(percent, 0, 100) / 100;
}

}  // namespace uploadmath
