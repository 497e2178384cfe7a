// The program's entry: builds the QApplication and hands over to Main.
#include "app/VemraGlobal.h"
#include "core/NativePath.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Vemra"));
    QApplication::setApplicationName(QStringLiteral("Vemra"));
    QApplication::setQuitOnLastWindowClosed(false);
    // QApplication has taken its own options out of argv. The rest is read byte for byte: arguments() would turn a
    // file name that is not UTF-8 into one that names no file.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << vemra::PathFromNative(argv[i]);
    if (!vemra::Main(arguments))
        return 0;
    return QApplication::exec();
}
