#pragma once
// The hourglass pointer for as long as the object lives, also when the work in between throws.
#include <QCursor>
#include <QGuiApplication>

namespace vemra {

class BusyCursor {
public:
    BusyCursor() { QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
    ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

} // namespace vemra
