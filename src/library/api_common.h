#pragma once
#include "library/records.h"

#include <cstdint>
#include <new>

namespace vemra {

// 0 for success, otherwise a message id.
using VResult = std::int16_t;
inline constexpr VResult Ok = 0;

// No exception leaves a library function: a failed allocation gives 100 ("Not enough memory"), any other failure
// the call's own result.
template <class Body>
VResult guardedResult(VResult onFailure, Body&& body) noexcept
{
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return 100;
    } catch (...) {
        return onFailure;
    }
}

} // namespace vemra
