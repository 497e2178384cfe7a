#pragma once
// Small procedures used everywhere.
#include <QString>

class QWidget;

namespace vemra {

// Lets the event loop run for `seconds` on a monotonic clock; the loop runs at least once, also for 0 or less.
// When `window` is given, the wait ends as soon as that window is closed or destroyed.
void Wait(float seconds, QWidget* window = nullptr);

// The text before its first NUL character, without leading and trailing blanks.
QString TrimNul(const QString& text);
// The text followed by blanks up to `width` characters; a longer text comes back unchanged (never cut).
QString PadRight(const QString& text, int width);

} // namespace vemra
