#include "support/gui_figure.h"

#include <gtest/gtest.h>

#include <QProcess>

namespace vemra::test {

QString pdfText(const QString& pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    EXPECT_TRUE(p.waitForFinished(30000));
    return QString::fromUtf8(p.readAllStandardOutput());
}

QImage pdfFirstPage(const QString& pdf)
{
    const QString stem = pdf + QStringLiteral("-page");
    QProcess p;
    p.start(QStringLiteral("pdftoppm"), {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("40"),
                                         QStringLiteral("-singlefile"), pdf, stem});
    EXPECT_TRUE(p.waitForFinished(30000));
    return QImage(stem + QStringLiteral(".png"));
}

int curvePixels(const QImage& img, const QRect& within)
{
    int n = 0;
    for (int y = within.top(); y <= within.bottom(); ++y)
        for (int x = within.left(); x <= within.right(); ++x) {
            const QRgb c = img.pixel(x, y);
            n += qBlue(c) > 120 && qRed(c) < 90 && qGreen(c) < 120;
        }
    return n;
}

} // namespace vemra::test
