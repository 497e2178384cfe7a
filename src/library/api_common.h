#pragma once
#include "library/Messages.h"
#include "library/records.h"

#include <cstdint>
#include <new>
#include <utility>

namespace vemra {

// 0 for success, otherwise a message id (library/Messages.h).
using VResult = std::int16_t;
inline constexpr VResult Ok = 0;

// The one guard family of the contract functions: no exception leaves a library function.
//   guardedResult: a call that returns 0 or a message id. A failed allocation gives msg::NotEnoughMemory, any
//                  other failure the call's own `onFailure`.
//   guardedValue:  a call that returns a value (a parameter, a count); any failure gives `onFailure`, the call's
//                  documented "no value".
//   guardedVoid:   a call with no result; a failure is swallowed (the call's effect is then simply absent).
template <class Body>
VResult guardedResult(VResult onFailure, Body&& body) noexcept
{
    try {
        return std::forward<Body>(body)();
    } catch (const std::bad_alloc&) {
        return msg::NotEnoughMemory;
    } catch (...) {
        return onFailure;
    }
}

template <class T, class Body>
T guardedValue(T onFailure, Body&& body) noexcept
{
    try {
        return std::forward<Body>(body)();
    } catch (...) {
        return onFailure;
    }
}

template <class Body>
void guardedVoid(Body&& body) noexcept
{
    try {
        std::forward<Body>(body)();
    } catch (...) {
    }
}

} // namespace vemra
