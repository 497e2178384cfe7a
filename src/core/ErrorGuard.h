#pragma once
// The one error guard of the program: runs a procedure's body, and when a run-time error escapes it, reports the
// error under the procedure's name (ReportError) and returns the procedure's exit value. The body never retries
// and nothing is passed on: the program goes on.
//
//   return guarded("clsWave::EDT", NoValue, [&] { ...; return value; });
//   guarded("frmView::cmdOK_Click", [&] { ... });
//
// passOver runs one step of a procedure whose failure the procedure deliberately passes over: a run-time error
// ends that step unreported, and the steps after it still run. A step that has nothing to do returns early.
//
//   passOver([&] { rememberRecentFile(chosen); });
#include "core/Errors.h"
#include "core/VemraError.h"

#include <exception>
#include <functional>
#include <new>
#include <stdexcept>
#include <type_traits>
#include <utility>

namespace vemra {

// Turns any exception into the VemraError the report shows.
VemraError toVemraError(std::exception_ptr error);

template <class Body>
void guarded(const char* procedure, Body&& body, std::function<void()> closing = {})
{
    try {
        std::forward<Body>(body)();
    } catch (...) {
        ReportError(QString::fromUtf8(procedure), toVemraError(std::current_exception()));
        if (closing)
            closing();
    }
}

template <class Result, class Body>
Result guarded(const char* procedure, Result exitValue, Body&& body)
{
    try {
        return std::forward<Body>(body)();
    } catch (...) {
        ReportError(QString::fromUtf8(procedure), toVemraError(std::current_exception()));
        return exitValue;
    }
}

template <class Step>
void passOver(Step&& step) noexcept
{
    try {
        std::forward<Step>(step)();
    } catch (...) {
    }
}

} // namespace vemra
