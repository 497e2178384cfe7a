#pragma once
// frmView, the document window: one response shown as one graph per channel with a y scale beside each, an x
// scale, a pan bar, the toolbar, the status bar and the menu bar. Every response document owns exactly one; the
// window keeps the document's Key and looks the document up in Waves whenever it needs it.
//
// Files: frmView.cpp (frame, layout, state, enabling, closing), frmViewGraph.cpp (drawing, axes, markers, view
// state), frmViewType.cpp (view type, band filter, dB range), frmViewControls.cpp (menus, toolbar and the
// command registry), frmViewFile.cpp (File commands), and one file per subsystem whose commands the window
// carries: frmViewTables.cpp, frmViewParameterGraph.cpp, frmViewMeasure.cpp, frmViewWaterfall.cpp,
// frmViewCalibration.cpp (each registers its commands with setCommand when its windows exist).
//
// Commands: every menu item is a command named after the item ("mnParIso"); a toolbar button runs the command
// of its key (commandOfButton). A menu item or button is enabled only while its command has a handler: until
// the code behind a command exists it stays disabled, whatever the state rules (EnableAll, DisableAll,
// UpdateEditMenu, the mixer's busy state) would allow.
// Geometry is kept in twips where the window publishes it (ViewLeft, ViewTop); drawing works in pixels with
// 32-bit and floating-point coordinates. Calling thread: the user-interface thread.
#include "document/clsWave.h"
#include "library/draw/AxisTicks.h"
#include "library/dsp/ViewProcessing.h"

#include <QAction>
#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QVector>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

class QKeyEvent;
class QLabel;
class QMenu;
class QPrinter;
class QScrollBar;
class QToolBar;

namespace vemra {

class PictureBox;
class frmCustomizeToolbar;

// Makes every new document create its window (registered with the document at start-up), and makes the system
// clipboard the clipboard of wave data.
void InstallDocumentWindows();

class frmView : public QMainWindow, public WaveViewer {
    Q_OBJECT
    Q_PROPERTY(int ViewLeft READ ViewLeft WRITE setViewLeft)
    Q_PROPERTY(int ViewTop READ ViewTop WRITE setViewTop)
    Q_PROPERTY(int ViewState READ ViewState WRITE setViewState)

public:
    explicit frmView(const QString& waveKey, QWidget* parent = nullptr);
    ~frmView() override;

    // --- public variables ---
    clsWave* WaveFile() const; // nullptr once released or when the document is gone
    void setWaveFile(clsWave* wave);
    int ViewLeft() const { return viewLeft_; }
    void setViewLeft(int twips) { viewLeft_ = std::int16_t(twips); }
    int ViewTop() const { return viewTop_; }
    void setViewTop(int twips) { viewTop_ = std::int16_t(twips); }
    int ViewState() const { return viewState_; }
    void setViewState(int state) { viewState_ = std::int16_t(state); }

    // --- public operations ---
    void DrawYaxis(std::int16_t channel);
    void DrawXaxis();
    void DrawLogXaxis();
    void DisableAll();
    void EnableAll();
    bool QuitFile();
    void ChangeRange();
    Q_INVOKABLE void UpdateView();
    void ShowMarker(std::int16_t channel);
    void ChangeFilter();
    void DrawBandXaxis();
    // The mixer's busy event (also run by EnableAll).
    void mMixer_MixerBusy(bool PBusy, bool RBusy);

    // --- commands ---
    // Sets the handler of a command (a menu item's name, or a toolbar key without a menu item: "Save", "Print",
    // "Play", "Stop", "FilterDown", "FilterUp"). Register in the window's constructor (the connect...Commands
    // functions); the item's initial state is applied after them. An empty handler removes the command.
    void setCommand(const QString& command, std::function<void()> handler);
    bool hasCommand(const QString& command) const { return commands_.contains(command); }
    // Runs a command's handler; nothing when it has none.
    void runCommand(const QString& command);
    // The command a toolbar key runs ("" for a key the dispatch does not know).
    static QString commandOfButton(const QString& key);
    // Enables or disables a menu item or button by a state rule; it is enabled only when its command has a handler.
    void setMenuEnabled(const QString& name, bool enabled);
    void setButtonEnabled(const QString& key, bool enabled);

    // --- WaveViewer ---
    void unload() override;
    bool quitFile() override { return QuitFile(); }
    void setFocus() override;
    QWidget* widget() override { return this; }

    // --- what tests and the neighbouring window parts look at ---
    PictureBox* imgGraph(int index) const { return imgGraph_[std::size_t(index)]; }
    PictureBox* imgYscale(int index) const { return imgYscale_[std::size_t(index)]; }
    PictureBox* imgXscale() const { return imgXscale_; }
    QScrollBar* scrPan() const { return scrPan_; }
    QLabel* statusPanel(int panel) const { return status_[std::size_t(panel - 1)]; } // 1..3
    QToolBar* toolbar() const { return toolbar_; }
    // Toolbar buttons by key, and the buttons and separators in layout order (position 1 = index 0).
    QAction* button(const QString& key) const { return buttons_.value(key); }
    const QVector<QAction*>& buttonsInOrder() const { return buttonOrder_; }
    QAction* menuItem(const QString& name) const { return menuItems_.value(name); }
    QMenu* menu(const QString& name) const { return menus_.value(name); }
    bool dataValid() const { return mDataValid; }
    bool timeView() const { return mTimeView; }
    std::int32_t graphHeight() const { return mGraphHeight; }
    std::int32_t graphWidth() const { return mGraphWidth; }
    std::int32_t firstPoint() const { return mFirstPoint; }
    std::int32_t pointCount() const { return mPointCount; }
    std::int16_t zoomLevel() const { return mZoomLevel; }
    std::int16_t maxZoomLevel() const { return mMaxZoomLevel; }
    std::int32_t panStep() const { return mPanStep; }
    std::int16_t lastBand() const { return mLastBand; }

    // --- File commands (frmViewFile.cpp) ---
    void OpenFile();
    // Save As with the close-after-save decision; `reopen` in: the caller wants the saved file kept open, out:
    // it was reopened in a new window. True when saved.
    bool SaveFileAs(bool& reopen);
    void mnFileNew_Click();
    void mnFileOpen_Click();
    void mnFileSave_Click();
    void mnFileSaveAs_Click();
    void mnFileMRU_Click(int index); // 1..10
    void mnFileClose_Click();
    void mnFileExit_Click();

    // --- commands of the view type, band filter and smoothing (menu items and toolbar keys) ---
    void mnViewItem_Click(int index);
    void mnViewSmooth_Click();
    void mnViewFilter_Click() { ChangeFilter(); }
    void mnViewZoomFull_Click();
    void FilterDown();
    void FilterUp();
    // The toolbar's commands of this window part, by key.
    void toolbarButtonClick(const QString& key);

    // --- toolbar layout (frmViewControls.cpp; the layout as text: ToolbarLayout.h) ---
    // Run once shortly after loading: stores the initial layout on the very first run, then shows the stored one.
    // From then on the user may customise the toolbar, and each change is stored at once ("General", "Toolbar1").
    void LoadToolbar();
    bool toolbarCustomisable() const { return customiseAllowed_; }
    // The keys shown, in order ("|" a separator); a new layout as the user's change: shown, and stored when
    // customising is allowed.
    QStringList toolbarLayout() const;
    void setToolbarLayout(const QStringList& layout);
    // Opens the customise dialog (also offered by the toolbar's context menu); nullptr before LoadToolbar ran.
    frmCustomizeToolbar* CustomizeToolbar();

    // --- zoom, pan, selection and pointer read-out (frmViewZoom.cpp, frmViewPointer.cpp) ---
    void mnViewZoomIn_Click();
    void mnViewZoomOut_Click();
    void mnViewAuto_Click();
    void mnEditSelectAll_Click();
    // Makes points start .. start + length - 1 the selection, as a drag over them would (Select All: all points).
    void SelectRange(std::int32_t start, std::int32_t length);
    // --- output (frmViewOutput.cpp) ---
    // File > Print: the printer set-up dialog, then the graph on the printer chosen.
    void mnFilePrint_Click();
    // The current view as a figure on one page of `printer` (nothing for an empty document).
    void PrintGraphOn(QPrinter& printer);
    // The toolbar's Play: the selection (more than one sample, in a time view) or the whole response, through the
    // document's band filter.
    void PlayButton_Click();

    // --- Edit commands (frmViewEdit.cpp) ---
    void mnEditCut_Click();
    void mnEditCopy_Click();
    void mnEditPaste_Click();
    void mnEditDelete_Click();
    void mnEditRotate_Click();
    void mnEditSilence_Click();
    void mnEditWindowItem_Click(int index); // 0..11: shape index + 1
    // Pointer handlers of the graph pictures: button 1 left, 2 right; x, y in pixels of the picture, y from the top.
    void imgGraph_MouseDown(int index, int button, int shift, double x, double y);
    void imgGraph_MouseMove(int index, int button, int shift, double x, double y);
    void imgGraph_MouseUp(int index, int button, int shift, double x, double y);
    // The clock of the pan acceleration, in seconds on any monotonic scale (tests step it).
    void setPanClock(std::function<double()> clock) { panClock_ = std::move(clock); }
    bool selectionActive() const { return mSelectionActive; }
    bool dragging() const { return mDragging; }
    std::int32_t selStart() const { return mSelStart; }
    std::int32_t selLength() const { return mSelLength; }
    bool fastPan() const { return mFastPan; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // frmView.cpp
    void Form_Load();
    void Form_Resize();
    void layOutForSize();
    void Form_Activate();
    void SaveWindowState();
    void layoutControls();
    void mOptions_SettingChanged();
    void releaseSources();
    // frmViewGraph.cpp
    void InitView();
    void ScaleGraph();
    void DrawGraph();
    void UpdatePan();
    // Draws the ticks of an x scale running from start over span (the ticks' units) into imgXscale.
    void drawXscale(const std::vector<XTick>& ticks, double start, double span);
    void DrawSelection();
    void ClearSelection();
    // frmViewZoom.cpp
    void connectZoomAndPan();
    void scrPan_Change();
    void setZoomCommandsEnabled(bool zoomIn, bool zoomOutAndFull);
    // frmViewPointer.cpp
    void connectPointer();
    void ShowSelectionStatus();
    void UpdateEditMenu();
    // The position and value read-outs for the pointer at (x, y) of a graph; the point under it, or nothing when no
    // graph is drawn.
    std::optional<std::int32_t> ShowPointerReadout(double x, double y);
    // The read-outs of a pointer that stayed where it was while the response under it changed.
    void RefreshPointerReadout();
    // frmViewType.cpp
    void DrawFilterIndicator();
    // frmViewFile.cpp
    void connectFileCommands();
    void SaveFile();
    QString NewFileName();
    void BuildMRUMenu();
    void mMRUlist_MRUlistChange();
    // frmViewControls.cpp
    void createMenus();
    void createToolbar();
    // A menu item running the command of its name; `enabled` is its initial state (applied with the rule).
    QAction* addMenuItem(QMenu* menu, const QString& name, const QString& caption, bool enabled = true);
    QMenu* addSubmenu(QMenu* parent, const QString& name, const QString& caption);
    void applyInitialStates();
    void setActionEnabled(QAction* action, bool enabled);
    void setButtonPressed(const QString& key, bool pressed);
    void applyToolbarLayout(const QStringList& layout);
    void Toolbar1_Change();
    // The commands of each subsystem, one file each; a subsystem whose windows do not exist yet registers none.
    void connectTableCommands();          // frmViewTables.cpp: Parameters > ISO 3382 .. Stage
    void connectParameterGraphCommands(); // frmViewParameterGraph.cpp: Parameters > Graph/Statistics
    void connectMeasureCommands();        // frmViewMeasure.cpp: File > Measure..., Setup > Options, the mixer
    void connectWaterfallCommands();      // frmViewWaterfall.cpp: View > Waterfall
    void connectCalibrationCommands();    // frmViewCalibration.cpp: Setup > Calibrate > SoundCard, System
    void connectHelpCommands();           // frmViewHelp.cpp
    void connectEditCommands();           // frmViewEdit.cpp
    void connectOutputCommands();         // frmViewOutput.cpp
    // frmViewEdit.cpp
    bool selectionReady() const; // a made selection of one sample or more in a time view
    void cutOrDelete(bool cut);
    // After an edit changed the samples: redraw (with the x scale and the pan bar when the length changed) and
    // offer Save.
    void afterSamplesChanged(bool lengthChanged);
    void connectDebugCommands();          // frmViewDebug.cpp
    // Debug > InvertResponse: replaces a chosen response file by its inverse filter.
    void InvertResponse();

    QString waveKey_;
    std::int16_t viewLeft_ = 0;
    std::int16_t viewTop_ = 0;
    std::int16_t viewState_ = -1;
    bool loaded_ = false;
    bool unloading_ = false;
    bool resizing_ = false;
    bool resizePending_ = false;

    // Event sources held while loaded.
    QPointer<QObject> mOptions;
    QMetaObject::Connection optionsConnection_;

    // Layout (pixels; the Parts keep them in twips, the arithmetic is the same).
    int MinWidth = 0;
    int MinHeight = 0;

    // View state shared by the window's parts.
    bool mDataValid = false;
    bool mTimeView = true;
    bool mLogFrequency = false;
    std::int32_t mGraphHeight = 0;
    std::int32_t mGraphWidth = 0;
    std::int32_t mFirstPoint = 0;
    std::int32_t mPointCount = 0;
    std::int16_t mZoomLevel = 0;
    std::int16_t mMaxZoomLevel = 0;
    std::int32_t mZoomFactor = 1;
    std::int32_t mPanStep = 1;
    bool mFastPan = false;
    bool mDragging = false;
    bool mSelectionActive = false;
    std::int32_t mSelStart = 0;
    std::int32_t mSelLength = 0;
    std::int16_t mLastBand = 1;
    // Pan acceleration: seconds of the pan clock at the previous change, and the run of quick changes.
    double LastPanTime = -1e9;
    std::int16_t QuickPanCount = 0;
    std::function<double()> panClock_;
    // Whether the clipboard holds wave data, kept up to date by the clipboard's change signal.
    bool clipboardHoldsWave_ = false;

    // Controls.
    std::array<PictureBox*, 2> imgYscale_{};
    std::array<PictureBox*, 2> imgGraph_{};
    PictureBox* imgXscale_ = nullptr;
    QScrollBar* scrPan_ = nullptr;
    std::array<QLabel*, 3> status_{};
    QToolBar* toolbar_ = nullptr;
    QHash<QString, QAction*> buttons_;
    QVector<QAction*> buttonOrder_;
    QStringList buttonKeys_;    // every button's key, in the initial order
    QStringList initialLayout_;
    bool customiseAllowed_ = false;
    QHash<QString, QAction*> menuItems_;
    QHash<QString, QMenu*> menus_;
    QHash<QString, std::function<void()>> commands_;
    std::array<QAction*, dsp::kViewTypeCount> mnViewItem_{};
    // The separator before the recently used files (0) and one item per file (1..10).
    std::array<QAction*, 11> mnFileMRU_{};
    // The name the file dialogs of this window held last.
    QString cmDlgFileName_;
};

} // namespace vemra
