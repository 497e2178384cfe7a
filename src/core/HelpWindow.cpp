#include "core/HelpWindow.h"

#include "core/HelpPages.h"
#include "core/WindowPlacement.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace vemra {
namespace {

const QString kContents = QStringLiteral("index.html");
// Room for the contents beside a page of text at a comfortable line length.
constexpr QSize kPreferredSize(900, 640);

QString& helpFolderOverride()
{
    static QString folder;
    return folder;
}

QUrl pageUrl(const QString& fileName)
{
    const QString path = HelpFolder() + QLatin1Char('/') + fileName;
    if (path.startsWith(QLatin1Char(':')))
        return QUrl(QStringLiteral("qrc") + path);
    return QUrl::fromLocalFile(path);
}

bool pageExists(const QString& fileName)
{
    return QFile::exists(HelpFolder() + QLatin1Char('/') + fileName);
}

} // namespace

// Shows the pages of the help folder composed from their own words and the page list; everything else a page
// asks for (its style sheet, pictures) is loaded as it stands.
class HelpBrowser final : public QTextBrowser {
public:
    using QTextBrowser::QTextBrowser;

    void setPages(const HelpPages* pages) { pages_ = pages; }

    QVariant loadResource(int type, const QUrl& name) override
    {
        const QString file = name.fileName();
        if ((type == QTextDocument::HtmlResource || type == QTextDocument::UnknownResource) && pages_ &&
            file.endsWith(QStringLiteral(".html")) && pages_->exists(file))
            return pages_->compose(file);
        return QTextBrowser::loadResource(type, name);
    }

private:
    const HelpPages* pages_ = nullptr;
};

const std::vector<int>& WindowHelpContexts()
{
    static const std::vector<int> contexts = {2, 3, 4, 5, 6, 7, 10, 12, 13, 14, 15, 16, 17, 18, 20, 24, 26, 27, 28, 29, 32};
    return contexts;
}

QString HelpFolder()
{
    const QString& folder = helpFolderOverride();
    return folder.isEmpty() ? QStringLiteral(":/help") : folder;
}

void SetHelpFolder(const QString& folder) { helpFolderOverride() = folder; }

QString HelpPageForContext(int context)
{
    if (context == -1)
        return pageExists(kContents) ? kContents : QString();
    for (const QString& name : {QStringLiteral("context-%1.html").arg(context),
                                QStringLiteral("message-%1.html").arg(context)}) {
        if (pageExists(name))
            return name;
    }
    return {};
}

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(QStringLiteral("Vemra Help"));
    resize(kPreferredSize);

    cmdContents_ = new QPushButton(QStringLiteral("&Contents"), this);
    cmdContents_->setObjectName(QStringLiteral("cmdContents"));
    cmdBack_ = new QPushButton(QStringLiteral("&Back"), this);
    cmdBack_->setObjectName(QStringLiteral("cmdBack"));
    cmdForward_ = new QPushButton(QStringLiteral("&Forward"), this);
    cmdForward_->setObjectName(QStringLiteral("cmdForward"));
    cmdBack_->setEnabled(false);
    cmdForward_->setEnabled(false);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdContents_);
    buttons->addWidget(cmdBack_);
    buttons->addWidget(cmdForward_);
    buttons->addStretch();

    lblNotice_ = new QLabel(this);
    lblNotice_->setObjectName(QStringLiteral("lblNotice"));
    lblNotice_->setWordWrap(true);
    lblNotice_->hide();

    browser_ = new HelpBrowser(this);
    browser_->setObjectName(QStringLiteral("txtPage"));
    browser_->setOpenExternalLinks(true);

    lstContents_ = new QListWidget(this);
    lstContents_->setObjectName(QStringLiteral("lstContents"));
    auto* indexPane = new QWidget(this);
    txtIndex_ = new QLineEdit(indexPane);
    txtIndex_->setObjectName(QStringLiteral("txtIndex"));
    txtIndex_->setPlaceholderText(QStringLiteral("Type a word to find"));
    lstIndex_ = new QListWidget(indexPane);
    lstIndex_->setObjectName(QStringLiteral("lstIndex"));
    auto* indexLayout = new QVBoxLayout(indexPane);
    indexLayout->setContentsMargins(0, 0, 0, 0);
    indexLayout->addWidget(txtIndex_);
    indexLayout->addWidget(lstIndex_);

    tabs_ = new QTabWidget(this);
    tabs_->addTab(lstContents_, QStringLiteral("Contents"));
    tabs_->addTab(indexPane, QStringLiteral("Index"));

    auto* right = new QWidget(this);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->addWidget(lblNotice_);
    rightLayout->addWidget(browser_);

    auto* splitter = new QSplitter(this);
    splitter->addWidget(tabs_);
    splitter->addWidget(right);
    splitter->setStretchFactor(1, 1);
    // Wide enough for an index term with the title of its page beside it.
    splitter->setSizes({320, 580});

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(splitter);

    connect(cmdContents_, &QPushButton::clicked, this, [this] { showContext(-1); });
    connect(cmdBack_, &QPushButton::clicked, browser_, &QTextBrowser::backward);
    connect(cmdForward_, &QPushButton::clicked, browser_, &QTextBrowser::forward);
    connect(browser_, &QTextBrowser::backwardAvailable, cmdBack_, &QPushButton::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, cmdForward_, &QPushButton::setEnabled);
    connect(browser_, &QTextBrowser::sourceChanged, this, &HelpWindow::sourceChanged);
    connect(lstContents_, &QListWidget::itemActivated, this, &HelpWindow::openItem);
    connect(lstContents_, &QListWidget::itemClicked, this, &HelpWindow::openItem);
    connect(lstIndex_, &QListWidget::itemActivated, this, &HelpWindow::openItem);
    connect(lstIndex_, &QListWidget::itemClicked, this, &HelpWindow::openItem);
    connect(txtIndex_, &QLineEdit::textChanged, this, &HelpWindow::filterIndex);
    // Whoever opens the index means to type the word.
    connect(tabs_, &QTabWidget::currentChanged, this, [this, indexPane] {
        if (tabs_->currentWidget() == indexPane)
            txtIndex_->setFocus();
    });
    connect(txtIndex_, &QLineEdit::returnPressed, this, [this] {
        if (QListWidgetItem* item = lstIndex_->currentItem())
            openItem(item);
    });

    rebuildIfMoved();
}

HelpWindow::~HelpWindow() = default;

void HelpWindow::placeNear(const QWidget* near)
{
    // Opened from a box that waits for an answer, the help goes beside it; otherwise where it fits.
    if (near && modal_ && (near == modal_ || modal_->isAncestorOf(near)))
        PlaceBeside(this, kPreferredSize, modal_);
    else
        FitOnScreen(this, kPreferredSize, near);
}

void HelpWindow::rebuildIfMoved()
{
    if (builtFrom_ == HelpFolder())
        return;
    builtFrom_ = HelpFolder();
    pages_ = std::make_unique<HelpPages>(builtFrom_);
    browser_->setPages(pages_.get());
    browser_->setSearchPaths({builtFrom_});
    browser_->clearHistory();
    browser_->clear();
    current_.clear();
    buildContents();
    buildIndex();
}

HelpWindow* HelpWindow::instance()
{
    static QPointer<HelpWindow> window;
    if (!window)
        window = new HelpWindow;
    return window;
}

void HelpWindow::followModal()
{
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || modal == this || modal == modal_ || isAncestorOf(modal))
        return;
    if (modal_)
        modal_->removeEventFilter(this);
    // The new parent hides the window; it is placed afresh beside the box when it is shown again.
    setParent(modal, Qt::Window);
    modal->installEventFilter(this);
    modal_ = modal;
}

bool HelpWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == modal_ && event->type() == QEvent::Hide) {
        modal_->removeEventFilter(this);
        modal_ = nullptr;
        const QRect place = geometry();
        const bool wasShown = isVisible() || !isHidden();
        setParent(nullptr, Qt::Window);
        setGeometry(place);
        if (wasShown)
            show();
    }
    return QWidget::eventFilter(watched, event);
}

void HelpWindow::showContext(int context)
{
    rebuildIfMoved();
    const QString page = HelpPageForContext(context);
    if (!page.isEmpty()) {
        showPage(page);
        return;
    }
    showPage(kContents);
    if (context != -1) {
        lblNotice_->setText(QStringLiteral("There is no help page for topic %1; the contents are shown instead.")
                                .arg(context));
        lblNotice_->show();
    }
}

void HelpWindow::showPage(const QString& fileName)
{
    rebuildIfMoved();
    lblNotice_->hide();
    lblNotice_->clear();
    if (currentPage() == fileName)
        return; // a click and an activation of the same entry make one history step
    if (!pageExists(fileName)) {
        // Nothing to show (the pages were not built in): say so rather than show an empty window.
        browser_->clear();
        browser_->setPlainText(QStringLiteral("The help page %1 is not available.").arg(fileName));
        current_.clear();
        return;
    }
    browser_->setSource(pageUrl(fileName));
    current_ = fileName;
}

QString HelpWindow::currentPage() const { return current_; }

QString HelpWindow::notice() const { return lblNotice_->isHidden() ? QString() : lblNotice_->text(); }

void HelpWindow::sourceChanged(const QUrl& url)
{
    // Highlight where the user is in the contents list, when the page is listed there.
    const QString name = url.fileName();
    current_ = name;
    for (int i = 0; i < lstContents_->count(); ++i) {
        QListWidgetItem* item = lstContents_->item(i);
        if (item->data(Qt::UserRole).toString() == name) {
            QSignalBlocker block(lstContents_);
            lstContents_->setCurrentItem(item);
            return;
        }
    }
}

void HelpWindow::buildContents()
{
    lstContents_->clear();
    for (const auto& [label, page] : pages_->contentsEntries()) {
        auto* item = new QListWidgetItem(label, lstContents_);
        item->setData(Qt::UserRole, page);
    }
}

void HelpWindow::buildIndex()
{
    index_ = pages_->indexEntries();
    filterIndex(txtIndex_->text());
}

void HelpWindow::filterIndex(const QString& text)
{
    lstIndex_->clear();
    const QString wanted = text.trimmed();
    for (const HelpPages::IndexEntry& entry : std::as_const(index_)) {
        // The search looks at the word alone: the page title beside a term would match every term of its page.
        if (!wanted.isEmpty() && !entry.word.contains(wanted, Qt::CaseInsensitive))
            continue;
        auto* item = new QListWidgetItem(entry.text, lstIndex_);
        item->setData(Qt::UserRole, entry.file);
        item->setToolTip(entry.text); // the whole line where the pane cuts it off
    }
    if (lstIndex_->count() > 0)
        lstIndex_->setCurrentRow(0);
}

void HelpWindow::openItem(QListWidgetItem* item)
{
    if (item)
        showPage(item->data(Qt::UserRole).toString());
}

} // namespace vemra
