// The document window's frame: controls and layout, loading, resizing, activation and closing, the enabling of
// its commands by the state of the document, and the redraw entry point.
#include "viewer/frmView.h"

#include "audio/AudioGlobals.h"
#include "audio/clsPlayer.h"
#include "audio/clsRecorder.h"

#include "core/ErrorGuard.h"
#include "core/Globals.h"
#include "core/ProgramHooks.h"
#include "core/Settings.h"
#include "core/Twips.h"
#include "core/UiServices.h"
#include "core/clsOptions.h"
#include "document/Waves.h"
#include "library/Codes.h"
#include "viewer/PictureBox.h"
#include "viewer/WaveClipboard.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

namespace vemra {
namespace {

// Initial layout of the window's client area, in twips (the graph column starts right of the y scales).
constexpr int kClientWidth = 9225;
constexpr int kClientHeight = 6345;
constexpr int kScaleWidth = 345;    // imgYscale width
constexpr int kGraphLeft = 350;
constexpr int kGraphWidth = 8875;
constexpr int kGraphHeight = 5055;
constexpr int kXscaleHeight = 345;
constexpr int kPanGap = 15;         // between the x scale and the pan bar
constexpr int kPanHeight = 255;

// The buttons of the initial layout's first two positions, which the no-data state leaves as they are, and those
// of its positions 3 to 24, which data enables (zoom, Save, Measure, Play, Stop and Auto Scale are then corrected).
const QString kViewButtons[dsp::kViewTypeCount] = {
    QStringLiteral("Pressure"), QStringLiteral("Reflect"), QStringLiteral("Decay"),  QStringLiteral("Schroeder"),
    QStringLiteral("Octave"),   QStringLiteral("Terts"),   QStringLiteral("Fftlin"), QStringLiteral("Fftlog")};
const QStringList kFirstButtons{QStringLiteral("New"), QStringLiteral("Open")};
const QStringList kDataButtons{
    QStringLiteral("Save"),     QStringLiteral("Print"),     QStringLiteral("Close"),  QStringLiteral("Pressure"),
    QStringLiteral("Reflect"),  QStringLiteral("Decay"),     QStringLiteral("Schroeder"), QStringLiteral("Octave"),
    QStringLiteral("Terts"),    QStringLiteral("Fftlin"),    QStringLiteral("Fftlog"), QStringLiteral("Waterfall"),
    QStringLiteral("Graph"),    QStringLiteral("FilterDown"), QStringLiteral("Filter"), QStringLiteral("FilterUp"),
    QStringLiteral("ZoomIn"),   QStringLiteral("ZoomOut")};

} // namespace

void InstallDocumentWindows()
{
    clsWave::setViewerFactory([](clsWave& wave) -> WaveViewer* { return new frmView(wave.Key()); });
    InstallWaveClipboard();
}

frmView::frmView(const QString& waveKey, QWidget* parent) : QMainWindow(parent), waveKey_(waveKey)
{
    setObjectName(QStringLiteral("frmView"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    setWindowTitle(QStringLiteral("Graph"));

    createMenus();
    createToolbar();

    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    setCentralWidget(client);
    const QColor grey(128, 128, 128);
    for (int i = 0; i < 2; ++i) {
        imgYscale_[std::size_t(i)] = new PictureBox(grey, Qt::white, client);
        imgYscale_[std::size_t(i)]->setObjectName(QStringLiteral("imgYscale(%1)").arg(i));
        QFont small(QStringLiteral("Arial"));
        small.setPointSizeF(6.75);
        imgYscale_[std::size_t(i)]->setPictureFont(small);
        connect(imgYscale_[std::size_t(i)], &PictureBox::clicked, this, [this] { ChangeRange(); });
        imgGraph_[std::size_t(i)] = new PictureBox(Qt::black, QColor(0, 255, 0), client);
        imgGraph_[std::size_t(i)]->setObjectName(QStringLiteral("imgGraph(%1)").arg(i));
        imgGraph_[std::size_t(i)]->setFocusPolicy(Qt::StrongFocus);
    }
    QFont bold(QStringLiteral("Arial"));
    bold.setPointSizeF(9.75);
    bold.setBold(true);
    imgGraph_[0]->setPictureFont(bold);
    imgXscale_ = new PictureBox(grey, Qt::white, client);
    imgXscale_->setObjectName(QStringLiteral("imgXscale"));
    QFont small(QStringLiteral("Arial"));
    small.setPointSizeF(6.75);
    imgXscale_->setPictureFont(small);
    scrPan_ = new QScrollBar(Qt::Horizontal, client);
    scrPan_->setObjectName(QStringLiteral("scrPan"));
    imgGraph_[1]->hide();
    imgYscale_[1]->hide();

    for (int i = 0; i < 3; ++i) {
        status_[std::size_t(i)] = new QLabel(this);
        status_[std::size_t(i)]->setObjectName(QStringLiteral("stStatus(%1)").arg(i + 1));
        status_[std::size_t(i)]->setMinimumWidth(i == 2 ? 220 : 180);
        statusBar()->addWidget(status_[std::size_t(i)], i == 2 ? 1 : 0);
    }
    statusBar()->setObjectName(QStringLiteral("stStatus"));
    connectZoomAndPan();
    connectPointer();
    statusBar()->setSizeGripEnabled(true);

    // The commands of the other subsystems, then every item's initial state under the rule.
    connectTableCommands();
    connectParameterGraphCommands();
    connectMeasureCommands();
    connectWaterfallCommands();
    connectCalibrationCommands();
    applyInitialStates();

    // The client area's initial size; the menu bar, toolbar and status bar come on top of it.
    const QSize clientSize(TwipsToPixelsX(this, kClientWidth), TwipsToPixelsY(this, kClientHeight));
    resize(clientSize.width(), clientSize.height() + menuBar()->sizeHint().height() + toolbar_->sizeHint().height()
                                   + statusBar()->sizeHint().height());
    MinWidth = TwipsToPixelsX(this, kGraphWidth) / 2;
    MinHeight = 2 * (TwipsToPixelsY(this, kClientHeight) - TwipsToPixelsY(this, kGraphHeight));
}

frmView::~frmView() = default;

clsWave* frmView::WaveFile() const
{
    return waveKey_.isEmpty() ? nullptr : WaveByKey(waveKey_);
}

void frmView::setWaveFile(clsWave* wave)
{
    waveKey_ = wave ? wave->Key() : QString();
}

// --- loading ---

void frmView::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!loaded_) {
        loaded_ = true;
        Form_Load();
    }
}

void frmView::Form_Load()
{
    guarded("ViewerLoad", [&] {
        mDragging = false;
        mSelectionActive = false;
        mSelLength = 0;
        mTimeView = true;
        mLogFrequency = false;
        mDataValid = false;
        mLastBand = 1;

        if (ViewWindowState == 2)
            setWindowState(windowState() | Qt::WindowMaximized);
        if (viewState_ >= 0) {
            move(TwipsToPixelsX(this, viewLeft_), TwipsToPixelsY(this, viewTop_));
        } else if (const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen()) {
            const QRect area = screen->availableGeometry();
            move(area.x() + (area.width() - frameGeometry().width()) / 2,
                 area.y() + (area.height() - frameGeometry().height()) / 2);
        }
        layoutControls();

        clsWave* wave = WaveFile();
        if (!wave || !wave->Valid()) {
            DisableAll();
        } else {
            EnableAll();
            InitView();
        }
        // Paste is offered by what the clipboard holds, an empty window included.
        UpdateEditMenu();

        mOptions = Options;
        if (Options)
            optionsConnection_ = connect(Options, &clsOptions::SettingChanged, this, [this] { mOptions_SettingChanged(); });
        // The stored toolbar layout comes once the window stands.
        QTimer::singleShot(1, this, [this] { LoadToolbar(); });
    });
}

// --- layout and resizing ---

void frmView::layoutControls()
{
    const QWidget* client = centralWidget();
    const int w = client->width();
    const int h = client->height();
    const int scaleWidth = TwipsToPixelsX(this, kScaleWidth);
    const int left = TwipsToPixelsX(this, kGraphLeft);
    const int xscaleHeight = TwipsToPixelsY(this, kXscaleHeight);
    const int gap = TwipsToPixelsY(this, kPanGap);
    const int panHeight = TwipsToPixelsY(this, kPanHeight);
    const clsWave* wave = WaveFile();
    const int n = (mDataValid && wave && wave->Channels() == 2) ? 2 : 1;
    // Each graph gets an equal share of the height the fixed parts leave.
    const int graphWidth = std::max(1, w - left);
    const int graphHeight = std::max(1, (h - xscaleHeight - gap - panHeight) / n);
    imgYscale_[0]->setGeometry(0, 0, scaleWidth, graphHeight);
    imgGraph_[0]->setGeometry(left, 0, graphWidth, graphHeight);
    imgXscale_->setGeometry(left, graphHeight, graphWidth, xscaleHeight);
    imgGraph_[1]->setGeometry(left, graphHeight + xscaleHeight, graphWidth, graphHeight);
    imgYscale_[1]->setGeometry(0, graphHeight + xscaleHeight, scaleWidth, graphHeight);
    scrPan_->setGeometry(left, n * graphHeight + xscaleHeight + gap, graphWidth, panHeight);
}

void frmView::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    if (loaded_)
        Form_Resize();
}

void frmView::Form_Resize()
{
    // The message-loop turn below may deliver the next resize: it is laid out once this layout has finished.
    if (resizing_) {
        resizePending_ = true;
        return;
    }
    resizing_ = true;
    do {
        resizePending_ = false;
        layOutForSize();
    } while (resizePending_);
    resizing_ = false;
}

void frmView::layOutForSize()
{
    guarded("Resize", [&] {
        const QSize client = centralWidget()->size();
        if (!isMinimized() && width() > MinWidth && height() > MinHeight && client.width() > 0 && client.height() > 0) {
            layoutControls();
            if (mDataValid) {
                DrawYaxis(0);
                if (const clsWave* wave = WaveFile(); wave && wave->Channels() == 2)
                    DrawYaxis(1);
                ScaleGraph();
                DrawXaxis();
                // The toolbar takes no clicks while the pictures settle.
                toolbar_->setEnabled(false);
                QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
                toolbar_->update();
                toolbar_->setEnabled(true);
            }
        }
        SaveWindowState();
    });
}

// --- activation and window state ---

void frmView::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (!loaded_)
        return;
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        Form_Activate();
    else if (event->type() == QEvent::WindowStateChange)
        SaveWindowState();
}

void frmView::Form_Activate()
{
    // Activation goes on whatever happened.
    passOver([&] { SaveWindowState(); });
}

void frmView::SaveWindowState()
{
    const std::int16_t state = isMaximized() ? 2 : 0;
    if (!isMinimized() && state != ViewWindowState) {
        ViewWindowState = state;
        SaveSetting(QStringLiteral("General"), QStringLiteral("WindowState"), QString::number(state));
    }
    ActiveWaveKey = waveKey_;
}

void frmView::setFocus()
{
    activateWindow();
    raise();
}

// --- closing ---

// The save question (QuitFile) is with the File commands, in frmViewFile.cpp.

void frmView::closeEvent(QCloseEvent* event)
{
    if (unloading_) {
        event->accept();
        return;
    }
    bool last = false;
    guarded("QueryUnload", [&] {
        if (!QuitFile()) {
            event->ignore();
            return;
        }
        event->accept();
        DisableAll();
        unloading_ = true;
        if (clsWave* wave = WaveFile())
            wave->Die();
        releaseSources();
        last = WaveCount() == 0;
    });
    if (last)
        RequestExit();
}

void frmView::unload()
{
    // The document goes: the window lets go of it and closes for good.
    releaseSources();
    if (!unloading_) {
        unloading_ = true;
        close();
    }
    deleteLater();
}

void frmView::releaseSources()
{
    waveKey_.clear();
    if (optionsConnection_)
        disconnect(optionsConnection_);
    mOptions = nullptr;
}

// --- enabling by the state of the document ---

void frmView::DisableAll()
{
    guarded("DisableAll", [&] {
        mDataValid = false;
        setWindowTitle(QStringLiteral("Vemra"));
        for (const char* name : {"mnFileInfo", "mnFileSaveAs", "mnFilePrint", "mnFileClose", "mnView", "mnViewFilter",
                                 "mnParIso", "mnParRev", "mnParSpa", "mnParEne", "mnParLev", "mnParSpe", "mnParSta",
                                 "mnProc"})
            setMenuEnabled(name, false);
        imgGraph_[0]->hide();
        scrPan_->hide();
        // By key, so that a customised layout leaves the same buttons usable as the initial one.
        for (auto it = buttons_.cbegin(); it != buttons_.cend(); ++it)
            if (!kFirstButtons.contains(it.key()))
                setActionEnabled(it.value(), false);
        setButtonEnabled(QStringLiteral("Graph"), true);
        setButtonEnabled(QStringLiteral("Measure"), true);
    });
}

void frmView::EnableAll()
{
    guarded("EnableAll", [&] {
        const clsWave* wave = WaveFile();
        if (!wave)
            return;
        setWindowTitle(QStringLiteral("Vemra - ") + wave->FileName());
        for (const char* name : {"mnFileInfo", "mnFileSaveAs", "mnFilePrint", "mnFileClose"})
            setMenuEnabled(name, true);
        setMenuEnabled(QStringLiteral("mnFileSave"), wave->Changed());
        imgGraph_[0]->show();
        scrPan_->show();
        setMenuEnabled(QStringLiteral("mnView"), true);
        setMenuEnabled(QStringLiteral("mnViewFilter"), true);
        setMenuEnabled(QStringLiteral("mnPar"), true);
        if (wave->Receiver() != ReceiverReflectionIndex) {
            for (const char* name : {"mnParIso", "mnParRev", "mnParEne", "mnParSpe", "mnParSta", "mnParLev"})
                setMenuEnabled(name, true);
            // Spatial parameters need a figure-of-eight, a head or a probe.
            setMenuEnabled(QStringLiteral("mnParSpa"),
                           wave->Receiver() != ReceiverOmni && wave->Receiver() != ReceiverDualOmni);
            setMenuEnabled(QStringLiteral("mnProc"), true);
        }
        for (const QString& key : kDataButtons)
            setButtonEnabled(key, true);
        setMenuEnabled(QStringLiteral("mnViewZoomIn"), true);
        setButtonEnabled(QStringLiteral("ZoomIn"), true);
        const bool zoomed = mZoomLevel > 0;
        for (const char* key : {"ZoomOut", "ZoomFull"})
            setButtonEnabled(key, zoomed);
        setMenuEnabled(QStringLiteral("mnViewZoomOut"), zoomed);
        setMenuEnabled(QStringLiteral("mnViewZoomFull"), zoomed);
        setButtonEnabled(QStringLiteral("Save"), wave->Changed());
        // The player joins when the sound part exists; until then nothing is playing.
        mMixer_MixerBusy(Player && Player->Busy(), Recorder && Recorder->Busy());
        setButtonEnabled(QStringLiteral("Autoscale"), true);
    });
}

void frmView::mMixer_MixerBusy(bool PBusy, bool)
{
    setButtonEnabled(QStringLiteral("Measure"), true);
    setMenuEnabled(QStringLiteral("mnFileMeasure"), true);
    const clsWave* wave = WaveFile();
    const QAction* play = button(QStringLiteral("Play"));
    if (wave && wave->Valid() && play && !play->isChecked()) {
        setButtonEnabled(QStringLiteral("Play"), !PBusy);
        setButtonEnabled(QStringLiteral("Stop"), !PBusy);
    }
}

void frmView::mOptions_SettingChanged()
{
    if (clsWave* wave = WaveFile())
        wave->ResetFlags();
    UpdateView();
}

// --- redraw ---

void frmView::UpdateView()
{
    guarded("UpdateView", [&] {
        clsWave* wave = WaveFile();
        if (!wave)
            return;
        const int type = wave->ViewType();
        for (int i = 0; i < dsp::kViewTypeCount; ++i)
            mnViewItem_[std::size_t(i)]->setChecked(i == type);
        // By key: in a customised layout the view buttons need not stand side by side.
        for (int i = 0; i < dsp::kViewTypeCount; ++i)
            setButtonPressed(kViewButtons[i], i == type);
        status_[1]->clear();
        DrawGraph();
        DrawYaxis(0);
        if (wave->Channels() == 2)
            DrawYaxis(1);
        DrawXaxis();
    });
}

} // namespace vemra
