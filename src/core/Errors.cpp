#include "core/Errors.h"

#include "core/ErrorGuard.h"
#include "core/HelpWindow.h"
#include "core/MessageTexts.h"
#include "core/Settings.h"
#include "core/UiServices.h"
#include "library/Messages.h"

#include <QApplication>
#include <QDir>
#include <QFontMetricsF>
#include <QWidget>
#include <cmath>

namespace vemra {
namespace {

// The font that reports are measured with: that of the first window of the program, as the box shows it.
QWidget* firstWindow()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        const Qt::WindowType type = w->windowType();
        if (type == Qt::Window || type == Qt::Dialog)
            return w;
    }
    return nullptr;
}

// Help is never worth stopping the program for: whatever goes wrong here is left unsaid.
void showHelpWindow(QWidget* window, const std::function<void(HelpWindow&)>& turnTo)
{
    passOver([&] {
        HelpWindow* help = HelpWindow::instance();
        help->followModal();
        turnTo(*help);
        if (!help->isVisible())
            help->placeNear(window ? window : QApplication::activeWindow());
        help->show();
        help->raise();
        help->activateWindow();
    });
}

} // namespace

QStringList CentreLines(const QStringList& lines, const QFont& font)
{
    const QFontMetricsF fm(font);
    const double blank = fm.horizontalAdvance(QLatin1Char(' '));
    if (blank <= 0)
        return lines;
    std::vector<double> widths;
    double widest = 0;
    for (const QString& line : lines) {
        widths.push_back(fm.horizontalAdvance(line));
        widest = std::max(widest, widths.back());
    }
    widest = std::round(widest);
    QStringList centred;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const long blanks = std::lround((widest - widths[size_t(i)]) / 2.0 / blank);
        centred << QString(int(std::max(0L, blanks)), QLatin1Char(' ')) + lines[i];
    }
    return centred;
}

QString ErrorReportText(const QString& procedure, const VemraError& error, const QFont* font)
{
    // Line 2 comes from the error itself and is made before anything else can fail.
    const QString line2 = QStringLiteral("%1 (%2 - %3)").arg(error.description()).arg(error.number()).arg(error.source());
    QStringList lines{QString(), line2, QString(), QString()};
    passOver([&] {
        lines[0] = MessageText(msg::ErrorInProcedure) + QStringLiteral(" '") + procedure + QStringLiteral("':");
    });
    passOver([&] { lines[2] = MessageText(msg::PleaseReport); });
    passOver([&] { lines[3] = MessageText(msg::LeadingToIt); });
    passOver([&] {
        if (font)
            lines = CentreLines(lines, *font);
    });
    return lines[0] + QStringLiteral("\n\n") + lines[1] + QStringLiteral("\n\n") + lines[2] + QLatin1Char('\n') +
           lines[3];
}

void HandleError(int code) { HandleError(code, QString()); }

MessageRequest ErrorBox(int code, const QString& file)
{
    MessageRequest r;
    r.text = MessageText(code);
    if (!file.isEmpty())
        r.text += QLatin1Char('\n') + QDir::toNativeSeparators(file);
    r.title = QStringLiteral("Vemra - error (%1)").arg(code);
    r.icon = MsgIcon::Critical;
    r.buttons = MsgButtons::OK;
    r.helpContext = code;
    return r;
}

void HandleError(int code, const QString& file)
{
    guarded("HandleError", [&] { UiServices::get().messageBox(ErrorBox(code, file)); });
}

void TellNothingTo(QWidget* window, const QString& action, const QString& reason)
{
    MessageRequest r;
    r.text = QStringLiteral("There is nothing to %1: %2.").arg(action, reason);
    r.title = window ? window->windowTitle() : QStringLiteral("Vemra");
    r.icon = MsgIcon::Exclamation;
    r.parent = window;
    UiServices::get().messageBox(r);
}

void ReportError(const QString& procedure, const VemraError& error)
{
    QString text;
    try {
        QWidget* window = firstWindow();
        const QFont font = window ? window->font() : QFont();
        text = ErrorReportText(procedure, error, window ? &font : nullptr);
    } catch (...) {
        text = ErrorReportText(procedure, error, nullptr);
    }
    MessageRequest r;
    r.text = text;
    r.title = QStringLiteral("Vemra");
    r.icon = MsgIcon::None;
    r.buttons = MsgButtons::OK;
    // The report has no topic of its own: its Help button opens the contents.
    r.helpContext = -1;
    passOver([&] { UiServices::get().messageBox(r); });
}

void ShowHelp(QWidget* window, int context)
{
    showHelpWindow(window, [context](HelpWindow& help) { help.showContext(context); });
}

void ShowHelpPage(QWidget* window, const QString& page)
{
    showHelpWindow(window, [&page](HelpWindow& help) { help.showPage(page); });
}

void InstallSettingsNotSavedMessage()
{
    SetSettingsNotSavedReport([](const QString& file) { HandleError(msg::SettingsNotSaved, file); });
}

void InstallHelpHandler()
{
    UiServices::setHelpHandler([](QWidget* window, int context) { ShowHelp(window, context); });
}

} // namespace vemra
