// The waterfall window's frame: controls, loading, closing, resizing, the toolbar, copy and print.
#include "viewer/frmWaterfall.h"

#include "core/ErrorGuard.h"
#include "core/Errors.h"
#include "core/HelpKey.h"
#include "core/Print.h"
#include "core/Twips.h"
#include "core/VemraError.h"
#include "document/Waves.h"
#include "document/clsWave.h"
#include "library/api_files.h"
#include "library/api_waterfall.h"
#include "library/draw/DeviceContext.h"
#include "library/draw/WaterfallAxes.h"
#include "library/draw/WaterfallDrawing.h"
#include "viewer/PictureBox.h"
#include "viewer/frmWaterProp.h"
#include "viewer/frmWaterfallSettings.h"

#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QLabel>
#include <QPainter>
#include <QPrinter>
#include <QProgressBar>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>

namespace vemra {
namespace {

struct ToolbarButton {
    const char* key; // nullptr: separator
    const char* toolTip;
    const char* caption;
    const char* themeIcon;
};

const ToolbarButton kToolbar[] = {
    {"Close", "Close", "Close", "window-close"},
    {"Copy", "Copy to Clipboard", "Copy", "edit-copy"},
    {"Print", "Print", "Print", "document-print"},
    {nullptr, nullptr, nullptr, nullptr},
    {"Channel1", "Channel 1", "Channel 1", nullptr},
    {"Channel2", "Channel2", "Channel 2", nullptr},
    {nullptr, nullptr, nullptr, nullptr},
    {"Properties", "Properties", "Properties", "document-properties"},
};

// Below this size in either direction a resize changes nothing.
constexpr int kSmallestSize_twips = 600;

} // namespace

frmWaterfall::frmWaterfall(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmWaterfall"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Waterfall"));
    createControls();
    InstallHelpKey(this, QStringLiteral("waterfall.html"));
    resize(760, 560);
}

frmWaterfall::~frmWaterfall()
{
    // A window deleted without a close request (the program's exit) still releases the library's waterfall.
    if (loaded_ && !unloaded_)
        Form_Unload();
}

void frmWaterfall::createControls()
{
    picPlot_ = new PictureBox(Qt::black, Qt::white, this);
    picPlot_->setObjectName(QStringLiteral("picPlot"));
    picPlot_->setMinimumSize(200, 150);
    setCentralWidget(picPlot_);
    picPlot_->installEventFilter(this);

    tbrToolbar_ = addToolBar(QStringLiteral("tbrToolbar"));
    tbrToolbar_->setObjectName(QStringLiteral("tbrToolbar"));
    tbrToolbar_->setMovable(false);
    tbrToolbar_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    auto* channels = new QActionGroup(this);
    for (const ToolbarButton& b : kToolbar) {
        if (!b.key) {
            tbrToolbar_->addSeparator();
            continue;
        }
        const QString key = QString::fromLatin1(b.key);
        QAction* a = tbrToolbar_->addAction(QString::fromLatin1(b.caption));
        if (b.themeIcon)
            a->setIcon(QIcon::fromTheme(QString::fromLatin1(b.themeIcon)));
        a->setObjectName(key);
        a->setToolTip(QString::fromLatin1(b.toolTip));
        connect(a, &QAction::triggered, this, [this, key] { toolbarButtonClick(key); });
    }
    for (const char* key : {"Channel1", "Channel2"}) {
        QAction* a = button(QString::fromLatin1(key));
        a->setCheckable(true);
        channels->addAction(a);
    }
    button(QStringLiteral("Channel1"))->setChecked(true);
    button(QStringLiteral("Channel2"))->setEnabled(false);

    cancelPanel_ = new QToolButton(this);
    cancelPanel_->setObjectName(QStringLiteral("Cancel"));
    cancelPanel_->setAutoRaise(true);
    cancelPanel_->setEnabled(false);
    cancelPanel_->setMinimumWidth(70);
    cancelPanel_->setToolTip(QStringLiteral("Stop computing slices"));
    connect(cancelPanel_, &QToolButton::clicked, this, [this] { stStatus_PanelClick(QStringLiteral("Cancel")); });
    prgProgress_ = new QProgressBar(this);
    prgProgress_->setObjectName(QStringLiteral("prgProgress"));
    prgProgress_->setRange(0, 100);
    prgProgress_->setValue(0);
    prgProgress_->setTextVisible(false);
    prgProgress_->setMaximumHeight(14);
    statusPanel_ = new QLabel(this);
    statusPanel_->setObjectName(QStringLiteral("Status"));
    statusPanel_->setMinimumWidth(110);
    statusBar()->setObjectName(QStringLiteral("stStatus"));
    statusBar()->addWidget(cancelPanel_);
    statusBar()->addWidget(prgProgress_, 1);
    statusBar()->addWidget(statusPanel_);
    // The panels keep their height whatever they show, so the plot above them keeps its size (a new size means
    // computing afresh).
    cancelPanel_->setText(QStringLiteral("Cancel"));
    statusPanel_->setText(QStringLiteral("Processing..."));
    const int panelHeight = std::max(cancelPanel_->sizeHint().height(), statusPanel_->sizeHint().height());
    cancelPanel_->setFixedHeight(panelHeight);
    statusPanel_->setFixedHeight(panelHeight);
    cancelPanel_->setText(QString());
    statusPanel_->setText(QString());

    tmrUpdate_ = new QTimer(this);
    tmrUpdate_->setObjectName(QStringLiteral("tmrUpdate"));
    tmrUpdate_->setSingleShot(true);
    tmrUpdate_->setInterval(100);
    connect(tmrUpdate_, &QTimer::timeout, this, &frmWaterfall::tmrUpdate_Timer);
}

QAction* frmWaterfall::button(const QString& key) const
{
    return tbrToolbar_->findChild<QAction*>(key, Qt::FindDirectChildrenOnly);
}

void frmWaterfall::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!loaded_) {
        loaded_ = true;
        Form_Load();
    }
}

void frmWaterfall::Form_Load()
{
    guarded("frmWaterfall::Load", [&] {
        stopSlicing_ = false;
        busy_ = false;
        clsWave* wave = WaveByKey(Key);
        if (!wave)
            throw VemraError(91, QStringLiteral("Object variable or With block variable not set"));
        connect(wave, &clsWave::WaveExit, this, &frmWaterfall::documentExit);
        setWindowTitle(QStringLiteral("Waterfall - ") + wave->FileName());
        channels_ = wave->Channels();
        if (channels_ > 1)
            button(QStringLiteral("Channel2"))->setEnabled(true);

        // The library reads its own copy, so the document stays free to change or close meanwhile.
        std::string name;
        if (const VResult r = GetTempName(name); r != Ok) {
            HandleError(r);
        } else {
            tempName_ = QString::fromStdString(name);
            const bool newRecording = wave->NewRecording();
            const bool saved = wave->SaveAs(tempName_);
            wave->setNewRecording(newRecording);
            sampleRate_ = wave->SampleFrequency();
            ReadWaterfallSettings(rec_, maxFreqRange_, sampleRate_);
            rec_.Channel = 0;
            rec_.StartSample = StartSample;
            rec_.SampleCount = SampleCount;
            if (saved) {
                if (const VResult r = CreateWaterfall(tempName_.toStdString(), rec_); r != Ok)
                    HandleError(r);
            }
        }
        firstTick_ = true;
        tmrUpdate_->start();
    });
}

// The plot's own size is what counts: a new size clears its picture, whether the window was resized or the
// status bar's height changed with its texts.
bool frmWaterfall::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == picPlot_ && event->type() == QEvent::Resize) {
        pictureDrawn_ = false;
        plotNote_.clear();
        if (loaded_ && !unloaded_)
            Form_Resize();
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmWaterfall::Form_Resize()
{
    guarded("frmWaterfall::Resize", [&] {
        if (isMinimized() || PixelsToTwipsX(this, width()) <= kSmallestSize_twips
            || PixelsToTwipsY(this, height()) <= kSmallestSize_twips)
            return;
        // The plot follows the window through its layout; every new size is computed and drawn afresh.
        tmrUpdate_->stop();
        invalidateSlices();
        tmrUpdate_->start();
    });
}

void frmWaterfall::closeEvent(QCloseEvent* event)
{
    if (busy_ || dialog_) {
        requestClose();
        event->ignore();
        return;
    }
    Form_Unload();
    event->accept();
}

void frmWaterfall::Form_Unload()
{
    if (unloaded_)
        return;
    unloaded_ = true;
    tmrUpdate_->stop();
    DestroyWaterfall(rec_);
    guarded("frmWaterfall::Unload", [&] { WriteWaterfallSettings(rec_, maxFreqRange_); });
    // The copy was only ever the library's; nobody else knows its name.
    if (!tempName_.isEmpty())
        DeleteTempFile(tempName_.toStdString());
}

void frmWaterfall::documentExit()
{
    requestClose();
}

void frmWaterfall::requestClose()
{
    if (busy_ || dialog_) {
        stopSlicing_ = true;
        closePending_ = true;
        if (dialog_)
            dialog_->reject();
        return;
    }
    // Queued: the caller (a document's Die, the toolbar) finishes before the window goes.
    QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

void frmWaterfall::toolbarButtonClick(const QString& key)
{
    guarded("frmWaterfall::Toolbar", [&] {
        if (key == QLatin1String("Close")) {
            close();
        } else if (key == QLatin1String("Copy")) {
            copyPicture();
        } else if (key == QLatin1String("Print")) {
            PrintWaterfall();
        } else if (key == QLatin1String("Channel1") || key == QLatin1String("Channel2")) {
            const std::int16_t channel = key == QLatin1String("Channel1") ? 0 : 1;
            button(key)->setChecked(true);
            if (rec_.Channel != channel) {
                rec_.Channel = channel;
                invalidateSlices();
                RestartTimer();
            }
        } else if (key == QLatin1String("Properties")) {
            ShowProperties();
        }
    });
}

void frmWaterfall::stStatus_PanelClick(const QString& key)
{
    if (key == QLatin1String("Cancel"))
        stopSlicing_ = true;
}

bool frmWaterfall::hasPictureToShow(const QString& action)
{
    if (pictureDrawn_)
        return true;
    TellNothingTo(this, action, QStringLiteral("the waterfall shows no picture"));
    return false;
}

void frmWaterfall::copyPicture()
{
    if (!hasPictureToShow(QStringLiteral("copy")))
        return;
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setImage(picPlot_->image());
}

void frmWaterfall::PrintWaterfall()
{
    if (!hasPictureToShow(QStringLiteral("print")))
        return;
    // Printing reports nothing: a step that fails is skipped.
    try {
        if (!ChoosePrinter(this))
            return;
        QPrinter& printer = CurrentPrinter();
        QPainter painter;
        if (!BeginPrinting(painter, printer))
            return;
        // The picture keeps its size on screen, drawn afresh at the printer's resolution and centred at the top.
        const QSize plot = picPlot_->image().size();
        const double scale = double(printer.resolution()) / double(std::max(1, picPlot_->logicalDpiX()));
        const double pageWidth = printer.pageLayout().paintRectPixels(printer.resolution()).width();
        painter.translate(std::max(0.0, (pageWidth - plot.width() * scale) / 2), 0);
        painter.scale(scale, scale);
        drawPlot(painter, plot);
        painter.end();
    } catch (...) {
    }
}

} // namespace vemra
