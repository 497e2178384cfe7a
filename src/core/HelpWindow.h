#pragma once
// The help system: pages compiled into the program under :/help/, composed by HelpPages from each page's own words
// and the page list, and shown in one shared help window with contents, index and back/forward.
//
// Page names: index.html is the contents; context-<n>.html the page of window help context n; message-<id>.html
// the page of message id (the Help button of an error box asks for the context equal to the message id). Window
// contexts are below 100 and message ids 100 and up, so the two kinds never collide.
// Calling thread: the user-interface thread.
#include "core/HelpPages.h"

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <memory>
#include <vector>

class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QTabWidget;
class QUrl;

namespace vemra {

class HelpBrowser;

// The help contexts that the windows' Help buttons ask for (-1, the contents, not included).
const std::vector<int>& WindowHelpContexts();
// Folder of the pages: ":/help" (the built-in pages) unless another was set.
QString HelpFolder();
// Shows the pages of another folder (tests, or pages being written); "" restores the built-in pages.
void SetHelpFolder(const QString& folder);
// File name (within HelpFolder) of the page that a context opens: the contents for -1, the window or message
// page otherwise; "" when no page exists for that context.
QString HelpPageForContext(int context);

class HelpWindow final : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);
    ~HelpWindow() override;

    // Shows the page of `context` (-1: the contents). A context without a page shows the contents with a note.
    void showContext(int context);
    // Shows a page by file name within the help folder.
    void showPage(const QString& fileName);

    // File name of the page shown ("" when none could be shown).
    QString currentPage() const;
    // The note line above the page ("" when hidden).
    QString notice() const;
    // Everything the Index tab can list (HelpPages::indexEntries), before a search narrows it.
    QList<HelpPages::IndexEntry> indexEntries() const { return index_; }

    // The one shared help window, created on first use.
    static HelpWindow* instance();

    // For a hidden window, before it is shown: at most its preferred size and wholly on the available area of the
    // screen `near` is on, frame included; beside the modal box it rides on when `near` is that box, so that the
    // box's buttons stay in view.
    void placeNear(const QWidget* near);

    // While a modal box is open (the Help button of an error box), the help window rides on it so that it can
    // be used; it becomes a window of its own again when the box goes.
    void followModal();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void rebuildIfMoved();
    void buildContents();
    void buildIndex();
    void filterIndex(const QString& text);
    void openItem(QListWidgetItem* item);
    void sourceChanged(const QUrl& url);

    std::unique_ptr<HelpPages> pages_;
    HelpBrowser* browser_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    QListWidget* lstContents_ = nullptr;
    QListWidget* lstIndex_ = nullptr;
    QLineEdit* txtIndex_ = nullptr;
    QLabel* lblNotice_ = nullptr;
    QPushButton* cmdBack_ = nullptr;
    QPushButton* cmdForward_ = nullptr;
    QPushButton* cmdContents_ = nullptr;
    QList<HelpPages::IndexEntry> index_;
    QString builtFrom_;
    QString current_;
    QPointer<QWidget> modal_;
};

} // namespace vemra
