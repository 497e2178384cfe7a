#include "app/VemraGlobal.h"

#include <QCoreApplication>

namespace vemra {

bool Main(const QStringList&)
{
    return true;
}

void ExitVemra()
{
    QCoreApplication::quit();
}

} // namespace vemra
