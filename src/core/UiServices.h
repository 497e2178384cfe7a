#pragma once
// The one seam through which the program asks the user anything modal: message boxes, input boxes, file, print
// and colour dialogs. The program installs the Qt implementation; tests install ScriptedUiServices, which answers
// from a queue and records every request, so no test ever blocks on a prompt.
// Calling thread: the user-interface thread only.
#include <QColor>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

class QWidget;
class QPrinter;

namespace vemra {

enum class MsgIcon { None, Critical, Question, Exclamation, Information };
enum class MsgButtons { OK, OKCancel, YesNo, YesNoCancel, RetryCancel, AbortRetryIgnore };
enum class MsgResult { OK, Cancel, Yes, No, Retry, Abort, Ignore };

struct MessageRequest {
    QString text;
    QString title;
    MsgIcon icon = MsgIcon::None;
    MsgButtons buttons = MsgButtons::OK;
    int defaultButton = 0;     // 0-based position of the default button
    int helpContext = -2;      // -2: no Help button; otherwise the help context its Help button opens
    QWidget* parent = nullptr;
};

struct FileDialogRequest {
    QWidget* parent = nullptr;
    QString caption;
    QString directory;         // folder (and optional file name) the dialog starts in
    QString filter;            // Qt filter string, ";;"-separated
    QString selectedFilter;    // in: filter to preselect
    QString defaultSuffix;     // save: added (before the overwrite question) to a name typed without extension
    bool multiple = false;     // open: several existing files may be chosen at once
};

struct FileDialogResult {
    QString fileName;          // empty when the user cancelled; the first of several
    QString selectedFilter;
    QStringList fileNames;     // open: every file chosen, in the dialog's order (one unless the request allowed more)
    bool cancelled() const { return fileName.isEmpty(); }
};

class UiServices {
public:
    virtual ~UiServices() = default;

    virtual MsgResult messageBox(const MessageRequest& request) = 0;
    // std::nullopt when the user cancelled.
    virtual std::optional<QString> inputBox(QWidget* parent, const QString& prompt, const QString& title,
                                            const QString& defaultText) = 0;
    virtual FileDialogResult openFileName(const FileDialogRequest& request) = 0;
    virtual FileDialogResult saveFileName(const FileDialogRequest& request) = 0;
    // Lets the user choose and set up the printer; false when cancelled.
    virtual bool printDialog(QWidget* parent, QPrinter* printer) = 0;
    virtual std::optional<QColor> colorDialog(QWidget* parent, const QColor& initial) = 0;

    // The installed services (the Qt ones when nothing else was installed).
    static UiServices& get();
    // Installs services the caller owns; nullptr restores the Qt ones.
    static void install(UiServices* services);

    // Called with the help context when the user presses a message box's Help button (set by the help system).
    static void setHelpHandler(std::function<void(QWidget*, int)> handler);
    static void requestHelp(QWidget* parent, int context);
};

// Qt's standard dialogs.
class QtUiServices final : public UiServices {
public:
    MsgResult messageBox(const MessageRequest& request) override;
    std::optional<QString> inputBox(QWidget* parent, const QString& prompt, const QString& title,
                                    const QString& defaultText) override;
    FileDialogResult openFileName(const FileDialogRequest& request) override;
    FileDialogResult saveFileName(const FileDialogRequest& request) override;
    bool printDialog(QWidget* parent, QPrinter* printer) override;
    std::optional<QColor> colorDialog(QWidget* parent, const QColor& initial) override;
};

// Answers prompts from queues filled by a test and records what was asked. An empty queue answers with the
// request's default button, the default text, a cancelled file dialog, an accepted print dialog and a cancelled
// colour dialog. An open answer may name several files, one per line. An accepted print dialog points the printer
// at the next of printFiles, as the user choosing a PDF file does (none left: the printer stays as it is).
class ScriptedUiServices final : public UiServices {
public:
    std::deque<MsgResult> messageAnswers;
    std::deque<std::optional<QString>> inputAnswers;
    std::deque<QString> openAnswers;
    std::deque<QString> saveAnswers;
    std::deque<bool> printAnswers;
    std::deque<QString> printFiles;
    std::deque<std::optional<QColor>> colorAnswers;

    std::vector<MessageRequest> messages;        // every message box shown, in order
    std::vector<QString> inputPrompts;
    std::vector<FileDialogRequest> fileDialogs;
    int printDialogs = 0;

    void clear();

    MsgResult messageBox(const MessageRequest& request) override;
    std::optional<QString> inputBox(QWidget* parent, const QString& prompt, const QString& title,
                                    const QString& defaultText) override;
    FileDialogResult openFileName(const FileDialogRequest& request) override;
    FileDialogResult saveFileName(const FileDialogRequest& request) override;
    bool printDialog(QWidget* parent, QPrinter* printer) override;
    std::optional<QColor> colorDialog(QWidget* parent, const QColor& initial) override;
};

// The buttons of a button set, in order (used for default answers and by the Qt box).
std::vector<MsgResult> buttonsOf(MsgButtons buttons);

// Widest the window decoration may need for `title`: its text in the title-bar font, plus room for the window
// icon and the title bar's buttons. A message box is never narrower, so its title is never cut short.
int titleBarWidth(const QString& title);

} // namespace vemra
