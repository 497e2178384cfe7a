// The program's entry: builds the QApplication and hands over to Main.
#include "app/VemraGlobal.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Vemra"));
    QApplication::setApplicationName(QStringLiteral("Vemra"));
    QApplication::setQuitOnLastWindowClosed(false);
    if (!vemra::Main(QApplication::arguments().mid(1)))
        return 0;
    return QApplication::exec();
}
