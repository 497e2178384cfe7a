#pragma once
#include "library/records.h"

#include <cstdint>

namespace vemra {

// 0 for success, otherwise a message id.
using VResult = std::int16_t;
inline constexpr VResult Ok = 0;

} // namespace vemra
