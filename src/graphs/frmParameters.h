#pragma once
// frmParameters, the parameter graph window: one room-acoustic parameter against frequency band over a set of
// response files, one mean curve per channel and optionally the spread over the set (minimum and maximum, or
// mean plus and minus one standard deviation). It saves the numbers as a table, prints and copies the graph.
//
// Each file of the set has its own parameter cache (clsParams); the window keeps no document. A gathering
// (UpdateGraph) computes the current parameter file by file and band by band, yielding to the event loop after
// each band; the "Cancel" panel of the status bar stops it. While it runs, the commands that change the file set,
// band width, parameter or output are disabled, it works on a snapshot of the set, and a close request is
// refused, cancels the gathering and closes the window once the loop has ended. Statistics are kept per
// parameter and band width until the set changes.
//
// The two dialogs (frmParamProp, frmFileSelect) work on the window only through the public members below.
// Settings: section "Graph", keys "MinBand", "MaxBand", "Grid" (read at creation) and "Param" (written when the
// window closes). Opened modeless by the document window, which keeps no reference: the window deletes itself
// when closed. Calling thread: the user-interface thread.
#include "graphs/ParameterStatistics.h"

#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QVariant>

#include <array>
#include <memory>
#include <vector>

class QAction;
class QLabel;
class QProgressBar;
class QToolBar;
class QToolButton;

namespace vemra {

class clsParams;
class HLGraph;

class frmParameters : public QMainWindow {
    Q_OBJECT

public:
    explicit frmParameters(QWidget* parent = nullptr);
    ~frmParameters() override;

    // --- the members the dialogs use ---
    // Lowest and highest octave band shown (band index 1..10).
    int MinFreqBand() const { return minFreqBand_; }
    void setMinFreqBand(int band) { minFreqBand_ = band; }
    int MaxFreqBand() const { return maxFreqBand_; }
    void setMaxFreqBand(int band) { maxFreqBand_ = band; }
    // Automatic Y ends, and the fixed ends used when they are off.
    bool AutoMin() const { return autoMin_; }
    void setAutoMin(bool on) { autoMin_ = on; }
    bool AutoMax() const { return autoMax_; }
    void setAutoMax(bool on) { autoMax_ = on; }
    float MinValueY() const { return minValueY_; }
    void setMinValueY(float value) { minValueY_ = value; }
    float MaxValueY() const { return maxValueY_; }
    void setMaxValueY(float value) { maxValueY_ = value; }

    // Adds one file (a path, or "Untitled-<Key>" of an open recording) to the set. Computes and draws nothing. A
    // file that cannot be loaded, or one already in the set (names compare without regard to case), is refused
    // with one message.
    void Add(const QString& fileName);
    // Empties the set and every computed value.
    void Clear();
    int FileCount() const { return int(files_.size()); }
    // Name of file 0..FileCount-1 as added; "" for another index.
    QString FileName(int index) const;
    // Receiver code of file 0..FileCount-1; an empty variant for another index.
    QVariant FileReceiver(int index) const;
    // Whether every file of the set offers the parameter (true for an empty set and for unknown parameters).
    bool ValidParam(int parameter) const;
    // The statistics of the current parameter and band width over the gathered bands.
    void CalcStatistics();

    // Grid lines; takes effect at the next drawing.
    bool Grid() const { return grid_; }
    void setGrid(bool on) { grid_ = on; }
    // Full octaves (true) or third octaves; sets the View menu and the toolbar.
    bool Octaves() const { return octaves_; }
    void setOctaves(bool on);
    // 0 none, 1 minimum and maximum, 2 standard deviation; sets the View menu and the toolbar.
    int Statistics() const { return statistics_; }
    void setStatistics(int mode);
    // Parameter index 0..18, -1 for none; takes effect at the next gathering or drawing.
    int CurrentParam() const { return currentParam_; }
    void setCurrentParam(int parameter) { currentParam_ = parameter; }
    // Set by the properties dialog: true when it was left with Cancel.
    void setCancel(bool cancelled) { cancel_ = cancelled; }
    bool Cancel() const { return cancel_; }

    // --- state, for the window's own parts and for tests ---
    HLGraph* Graph() const { return graph_; }
    bool Busy() const { return busy_; }
    bool Computed() const { return computed_; }
    bool HasTwoChannels() const { return hasTwoChannels_; }
    int MaxChannels() const { return maxChannels_; }
    int ScaleIndex() const { return octaves_ ? 0 : 1; }
    int FirstBand(int scale) const { return firstBand_[std::size_t(scale)]; }
    int LastBand(int scale) const { return lastBand_[std::size_t(scale)]; }
    const graphs::ParameterStatistics& statistics() const { return stats_; }
    // The displayed band range of the current band width (first > last when there is none).
    std::pair<int, int> DisplayedBands() const;
    // The file's cache (tests); nullptr outside 0..FileCount-1.
    clsParams* fileCache(int index) const;

    // Activation: redraws, opens the properties dialog the first time the window has files, else gathers and
    // draws once the dialog was confirmed. Runs when the window is first shown and whenever it becomes active.
    void Form_Activate();
    // The gathering of the current parameter at the current band width, then its statistics.
    void UpdateGraph();
    // The curves of the current parameter from the statistics.
    void DrawGraph();
    // The "Cancel" panel's click.
    void requestCancel() { cancelRequest_ = true; }
    // Writes the table of the current parameter; false when nothing was written.
    bool SaveTable(const QString& fileName);

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    class Gathering;

    void createMenus();
    void createToolbar();
    void createStatusBar();
    QAction* action(const QString& name) const;
    void setChecked(const QString& name, bool on);
    // Checks the channel items and presses the channel buttons alike.
    void showChannels(bool first, bool second);
    void ShowProperties();
    void toolbarClick(const QString& key);
    void mnFileSelect_Click();
    void mnFileSave_Click();
    void mnFilePrint_Click();
    void mnFileCopy_Click();
    // True when the graph shows a value; else tells the user there is nothing to print or copy (`what`).
    bool hasGraphToShow(const QString& what);
    void mnViewChannel_Click(int index);
    // View > Full Octave (true) and Third Octave: gathers and draws when the band width changes.
    void chooseBandWidth(bool octaves);
    // View > Min-Max (1) and Standard Deviation (2): on, or off when that mode is on.
    void toggleStatistics(int mode);
    // While a gathering runs, the commands that would change the set, the band width, the parameter or the
    // output are disabled.
    void enableCommands(bool on);
    void setStatisticsItemsEnabled(bool on);
    void setStatusText(const QString& text);

    // Settings.
    int minFreqBand_ = 3, maxFreqBand_ = 8;
    bool autoMin_ = true, autoMax_ = true;
    float minValueY_ = 0, maxValueY_ = 0;
    bool grid_ = true;
    bool octaves_ = true;
    int statistics_ = 0;
    int currentParam_ = 1;
    bool cancel_ = true;

    // The file set: one cache per file, in the order added. Shared so that a running gathering keeps its
    // snapshot alive whatever happens to the set meanwhile.
    std::vector<std::shared_ptr<clsParams>> files_;
    unsigned setGeneration_ = 0; // counts changes of the set, so a gathering knows its snapshot is still current
    std::array<int, 2> firstBand_{}, lastBand_{}; // by band width; Clear sets the whole ranges
    int maxChannels_ = 0;
    bool hasTwoChannels_ = false;
    bool computed_ = false;
    bool busy_ = false;
    bool cancelRequest_ = false;
    bool closeAfterGathering_ = false;
    bool firstActivate_ = true;
    bool activationQueued_ = false;
    bool shown_ = false;
    bool closed_ = false; // the close was accepted: the window is deleted at the next turn of the event loop
    graphs::ParameterStatistics stats_;

    HLGraph* graph_ = nullptr;
    QToolBar* toolbar_ = nullptr;
    QToolButton* cancelPanel_ = nullptr;
    QLabel* statusPanel_ = nullptr;
    QProgressBar* prgProgress_ = nullptr;
};

// Opens a new parameter graph window, with the file when it is not empty; the window lives on its own.
frmParameters* OpenParameterGraph(const QString& fileName);

} // namespace vemra
