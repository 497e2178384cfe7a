#pragma once
// frmWaterfall, the waterfall window: the spectrum of one response (or of a stretch of it) over time, as a
// waterfall or a spectrogram of time-shifted spectra or cumulative spectral decay. The library computes the
// slices from a temporary copy of the response and draws the picture; the window owns the one WaterfallParams
// record every waterfall call receives, keeps its settings in section "Waterfall" (frmWaterfallSettings.h),
// drives the slice loop from its one-shot timer with a progress bar and a "Cancel" status-bar panel, and offers
// channel, copy, print and the properties dialog (frmWaterProp).
//
// The window is modeless, top-level and deletes itself when closed; several may be open on one document. It
// keeps only the document's Key. The slice loop yields to the event loop after every slice and is never
// entered twice: a timer tick that comes while it runs waits for it. Closing the window, or the document going
// away, while the loop runs or the properties dialog is open stops the loop (or ends the dialog) first and
// closes the window when it is done; the document going away always closes the window.
//
// Files: frmWaterfall.cpp (frame, load, unload, close, resize, toolbar, copy, print), frmWaterfallLoop.cpp
// (timer, slice loop, drawing, properties dialog), frmWaterfallProperties.cpp (the properties).
// Calling thread: the user-interface thread.
#include "library/api_common.h"
#include "library/records.h"
#include "viewer/frmWaterProp.h"

#include <QColor>
#include <QMainWindow>
#include <QPointer>
#include <QString>

#include <cstdint>

class QAction;
class QPainter;
class QLabel;
class QProgressBar;
class QTimer;
class QToolBar;
class QToolButton;

namespace vemra {

class PictureBox;

class frmWaterfall : public QMainWindow {
    Q_OBJECT

public:
    explicit frmWaterfall(QWidget* parent = nullptr);
    ~frmWaterfall() override;

    // --- public variables, set by the opener before showing the window ---
    QString Key;
    std::int32_t StartSample = 0;
    std::int32_t SampleCount = 0;

    // --- properties (frmWaterfallProperties.cpp). A let that changes a value that the slices depend on makes
    // them invalid (Slices and LogN also have the library rebuild its table at once); one that changes only the
    // picture asks for a redraw. A let with the value already held does nothing. ---
    int Slices() const { return rec_.Slices; }
    void setSlices(int slices);
    int WaterfallType() const { return rec_.WaterfallType; }
    void setWaterfallType(int type);
    int Range() const; // the record's float, rounded
    void setRange(int range_dB);
    int LogN() const { return rec_.LogN; }
    void setLogN(int logN);
    int WindowType() const { return rec_.WindowType; }
    void setWindowType(int type);
    float CSDRise() const { return rec_.CSDRise; }
    void setCSDRise(float rise_ms);
    int CSDShift() const { return rec_.CSDShift; }
    void setCSDShift(int shift);
    int MinFreqBand() const { return rec_.MinFreqBand; }
    void setMinFreqBand(int band);
    int MaxFreqBand() const { return rec_.MaxFreqBand; }
    void setMaxFreqBand(int band);
    std::int32_t SampleRate() const { return sampleRate_; }
    bool Smooth() const { return isTrue(rec_.Smooth); }
    void setSmooth(bool on);
    bool MaxFreqRange() const { return maxFreqRange_; }
    void setMaxFreqRange(bool on);
    int Colors() const { return rec_.Colors; }
    void setColors(int colors);
    void setCancel(bool cancel) { cancel_ = cancel; }
    bool LinScale() const { return isTrue(rec_.LinScale); }
    void setLinScale(bool on);

    // --- handlers, public so that tests can drive them as the user would ---
    void toolbarButtonClick(const QString& key);
    void stStatus_PanelClick(const QString& key);
    void tmrUpdate_Timer();

    // --- what tests look at ---
    const WaterfallParams& record() const { return rec_; }
    bool Busy() const { return busy_; }
    bool slicesValid() const { return slicesValid_; }
    bool redrawNeeded() const { return redrawNeeded_; }
    bool firstTick() const { return firstTick_; }
    bool cancelled() const { return cancel_; }
    QString TempName() const { return tempName_; }
    PictureBox* picPlot() const { return picPlot_; }
    QToolBar* tbrToolbar() const { return tbrToolbar_; }
    QAction* button(const QString& key) const;
    QToolButton* cancelPanel() const { return cancelPanel_; }
    QLabel* statusPanel() const { return statusPanel_; }
    QProgressBar* prgProgress() const { return prgProgress_; }
    QTimer* tmrUpdate() const { return tmrUpdate_; }
    // True while the plot shows a picture drawn by the library (a new size clears it until it is drawn again). A
    // silent channel gives none: the plot then shows only the library's word on why.
    bool pictureDrawn() const { return pictureDrawn_; }
    // The line the window wrote on the plot in place of a picture it never drew (its properties left without OK
    // before anything was computed), saying how to draw one; "" when the plot shows anything else.
    QString plotNote() const { return plotNote_; }
    // The properties dialog while it is open, else nullptr.
    frmWaterProp* propertiesDialog() const { return dialog_.data(); }

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // frmWaterfall.cpp
    void createControls();
    void Form_Load();
    void Form_Resize();
    void Form_Unload();
    void documentExit();
    // Closes now, or, while the loop runs or the dialog is open, stops them and closes afterwards.
    void requestClose();
    // Copy and Print refuse, telling the user, while the plot shows no picture (also when it is silent).
    bool hasPictureToShow(const QString& action);
    void copyPicture();
    void PrintWaterfall();
    // frmWaterfallLoop.cpp
    void ProcessWaterfall();
    void PaintWaterfall();
    // Draws the picture over `size` pixels of the painter in the colours last chosen; the library's answer.
    VResult drawPlot(QPainter& painter, QSize size);
    void ShowProperties();
    // Takes the plot's colours from the record's colour scheme.
    void useSchemeColours();
    // Clears the plot and writes plotNote on it.
    void showNotDrawn();
    void RestartTimer();
    void setBusyControls(bool busy);
    void finishDeferred();
    // frmWaterfallProperties.cpp
    void invalidateSlices();
    void rebuild();

    WaterfallParams rec_{};
    bool slicesValid_ = false;
    bool redrawNeeded_ = false;
    QString tempName_;
    std::int32_t sampleRate_ = 0;
    int channels_ = 1;
    QColor background_ = Qt::black;
    QColor foreground_ = Qt::white;
    bool stopSlicing_ = false;
    bool busy_ = false;
    bool firstTick_ = false;
    bool maxFreqRange_ = false;
    bool cancel_ = true;
    bool pictureDrawn_ = false;
    QString plotNote_;

    bool loaded_ = false;
    bool unloaded_ = false;
    bool closePending_ = false;
    bool tickDeferred_ = false;
    // Counts every change that invalidates the slices, so a loop knows whether it finished the present settings.
    std::uint64_t generation_ = 0;
    QPointer<frmWaterProp> dialog_;

    PictureBox* picPlot_ = nullptr;
    QToolBar* tbrToolbar_ = nullptr;
    QToolButton* cancelPanel_ = nullptr;
    QLabel* statusPanel_ = nullptr;
    QProgressBar* prgProgress_ = nullptr;
    QTimer* tmrUpdate_ = nullptr;
};

} // namespace vemra
