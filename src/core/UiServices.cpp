#include "core/UiServices.h"

#include "core/SharedFileDialog.h"

#include <QApplication>
#include <QColorDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QInputDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QShortcut>
#include <QSpacerItem>
#include <QStyle>

#include <algorithm>

namespace vemra {
namespace {
UiServices* g_installed = nullptr;
std::function<void(QWidget*, int)> g_helpHandler;

QtUiServices& qtServices()
{
    static QtUiServices services;
    return services;
}

QMessageBox::StandardButton standardButton(MsgResult r)
{
    switch (r) {
    case MsgResult::OK: return QMessageBox::Ok;
    case MsgResult::Cancel: return QMessageBox::Cancel;
    case MsgResult::Yes: return QMessageBox::Yes;
    case MsgResult::No: return QMessageBox::No;
    case MsgResult::Retry: return QMessageBox::Retry;
    case MsgResult::Abort: return QMessageBox::Abort;
    case MsgResult::Ignore: return QMessageBox::Ignore;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon qtIcon(MsgIcon icon)
{
    switch (icon) {
    case MsgIcon::Critical: return QMessageBox::Critical;
    case MsgIcon::Question: return QMessageBox::Question;
    case MsgIcon::Exclamation: return QMessageBox::Warning;
    case MsgIcon::Information: return QMessageBox::Information;
    case MsgIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

MsgResult defaultAnswer(const MessageRequest& request)
{
    const auto buttons = buttonsOf(request.buttons);
    const int i = request.defaultButton;
    return (i >= 0 && i < int(buttons.size())) ? buttons[size_t(i)] : buttons.front();
}
} // namespace

std::vector<MsgResult> buttonsOf(MsgButtons buttons)
{
    switch (buttons) {
    case MsgButtons::OK: return {MsgResult::OK};
    case MsgButtons::OKCancel: return {MsgResult::OK, MsgResult::Cancel};
    case MsgButtons::YesNo: return {MsgResult::Yes, MsgResult::No};
    case MsgButtons::YesNoCancel: return {MsgResult::Yes, MsgResult::No, MsgResult::Cancel};
    case MsgButtons::RetryCancel: return {MsgResult::Retry, MsgResult::Cancel};
    case MsgButtons::AbortRetryIgnore: return {MsgResult::Abort, MsgResult::Retry, MsgResult::Ignore};
    }
    return {MsgResult::OK};
}

int titleBarWidth(const QString& title)
{
    // The window manager draws the title in a font of its own, usually a little bolder and larger than the
    // dialog's; a bold font one step up is a safe measure of it.
    QFont font = QApplication::font("QMdiSubWindowTitleBar");
    font.setBold(true);
    if (font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() * 1.1);
    const int text = QFontMetrics(font).horizontalAdvance(title);
    // The window icon and the close, maximise and minimise buttons, each about a title bar's height square, and
    // margins of about two more.
    const int bar = std::max(QApplication::style()->pixelMetric(QStyle::PM_TitleBarHeight), 24);
    return text + 6 * bar;
}

UiServices& UiServices::get() { return g_installed ? *g_installed : qtServices(); }
void UiServices::install(UiServices* services) { g_installed = services; }
void UiServices::setHelpHandler(std::function<void(QWidget*, int)> handler) { g_helpHandler = std::move(handler); }
void UiServices::requestHelp(QWidget* parent, int context)
{
    if (g_helpHandler)
        g_helpHandler(parent, context);
}

MsgResult QtUiServices::messageBox(const MessageRequest& request)
{
    QMessageBox box(qtIcon(request.icon), request.title, request.text, QMessageBox::NoButton, request.parent);
    const auto buttons = buttonsOf(request.buttons);
    for (size_t i = 0; i < buttons.size(); ++i) {
        QPushButton* b = box.addButton(standardButton(buttons[i]));
        if (int(i) == request.defaultButton)
            box.setDefaultButton(b);
    }
    if (request.helpContext != -2) {
        // The Help button opens help and leaves the box open, as a help button of a message box does.
        QPushButton* help = box.addButton(QMessageBox::Help);
        help->disconnect();
        const int context = request.helpContext;
        QObject::connect(help, &QPushButton::clicked, &box, [&box, context] { requestHelp(&box, context); });
        // F1 is the Help button, as in every other window of the program.
        auto* key = new QShortcut(QKeySequence(Qt::Key_F1), &box);
        QObject::connect(key, &QShortcut::activated, help, &QPushButton::click);
    }
    // QMessageBox sizes itself to its text and buttons only; a spacer across its grid keeps it as wide as its title.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(titleBarWidth(request.title), 0, QSizePolicy::Minimum, QSizePolicy::Minimum),
                      grid->rowCount(), 0, 1, grid->columnCount());
    box.exec();
    const auto clicked = box.standardButton(box.clickedButton());
    for (MsgResult r : buttons)
        if (standardButton(r) == clicked)
            return r;
    // Closed by Escape or the title bar: the cancelling button when there is one.
    for (MsgResult r : buttons)
        if (r == MsgResult::Cancel || r == MsgResult::No)
            return r;
    return buttons.front();
}

std::optional<QString> QtUiServices::inputBox(QWidget* parent, const QString& prompt, const QString& title,
                                              const QString& defaultText)
{
    bool ok = false;
    QString text = QInputDialog::getText(parent, title, prompt, QLineEdit::Normal, defaultText, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

FileDialogResult QtUiServices::openFileName(const FileDialogRequest& r) { return runSharedFileDialog(r, false); }

FileDialogResult QtUiServices::saveFileName(const FileDialogRequest& r) { return runSharedFileDialog(r, true); }

bool QtUiServices::printDialog(QWidget* parent, QPrinter* printer)
{
    QPrintDialog dialog(printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

std::optional<QColor> QtUiServices::colorDialog(QWidget* parent, const QColor& initial)
{
    QColor c = QColorDialog::getColor(initial, parent);
    if (!c.isValid())
        return std::nullopt;
    return c;
}

void ScriptedUiServices::clear()
{
    *this = ScriptedUiServices{};
}

MsgResult ScriptedUiServices::messageBox(const MessageRequest& request)
{
    messages.push_back(request);
    if (messageAnswers.empty())
        return defaultAnswer(request);
    MsgResult r = messageAnswers.front();
    messageAnswers.pop_front();
    return r;
}

std::optional<QString> ScriptedUiServices::inputBox(QWidget*, const QString& prompt, const QString&,
                                                    const QString& defaultText)
{
    inputPrompts.push_back(prompt);
    if (inputAnswers.empty())
        return defaultText;
    // The text is taken out of the optional before the pop (g++ 12 takes a copy of the whole optional here for a
    // use of uninitialised memory).
    const bool cancelled = !inputAnswers.front().has_value();
    const QString text = cancelled ? QString() : *inputAnswers.front();
    inputAnswers.pop_front();
    if (cancelled)
        return std::nullopt;
    return text;
}

FileDialogResult ScriptedUiServices::openFileName(const FileDialogRequest& request)
{
    fileDialogs.push_back(request);
    FileDialogResult r{QString(), request.selectedFilter, {}};
    if (!openAnswers.empty()) {
        r.fileNames = openAnswers.front().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        openAnswers.pop_front();
        if (!request.multiple && r.fileNames.size() > 1)
            r.fileNames = r.fileNames.mid(0, 1);
        if (!r.fileNames.isEmpty())
            r.fileName = r.fileNames.constFirst();
    }
    return r;
}

FileDialogResult ScriptedUiServices::saveFileName(const FileDialogRequest& request)
{
    fileDialogs.push_back(request);
    FileDialogResult r{QString(), request.selectedFilter, {}};
    if (!saveAnswers.empty()) {
        r.fileName = saveAnswers.front();
        saveAnswers.pop_front();
    }
    return r;
}

bool ScriptedUiServices::printDialog(QWidget*, QPrinter* printer)
{
    ++printDialogs;
    bool accepted = true;
    if (!printAnswers.empty()) {
        accepted = printAnswers.front();
        printAnswers.pop_front();
    }
    if (accepted && !printFiles.empty()) {
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(printFiles.front());
        printFiles.pop_front();
    }
    return accepted;
}

std::optional<QColor> ScriptedUiServices::colorDialog(QWidget*, const QColor&)
{
    if (colorAnswers.empty())
        return std::nullopt;
    auto r = colorAnswers.front();
    colorAnswers.pop_front();
    return r;
}

} // namespace vemra
