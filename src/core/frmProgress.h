#pragma once
// A small modeless progress window with a bar (0 to 1000) and a Cancel button, shown while a long operation runs.
// Mode 1 (timed): the bar fills by itself over WaitTime seconds and Done becomes true when full. Mode 2 (percent):
// the caller sets the bar with SetPercent. The caller polls Cancel (and Done) from its own loop, which must yield
// (Wait) for the timer, the button and repainting to work. The user cannot close the window; its owner does.
// Calling thread: the user-interface thread.
#include <QPointer>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>

class QProgressBar;
class QPushButton;
class QTimer;

namespace vemra {

class frmProgress final : public QWidget {
    Q_OBJECT
public:
    explicit frmProgress(QWidget* parent = nullptr);

    void setTitle(const QString& title);
    void setWaitTime(float seconds);
    std::int16_t Mode() const { return mode_; }
    void setMode(std::int16_t mode);
    // Starts the window in its mode; other modes do nothing.
    void Start();
    // 0 to 100 percent; the bar moves in steps of 0.1 percent.
    void SetPercent(float percent);
    bool Cancel() const { return cancel_; }
    bool Done() const { return done_; }
    // Requested position in twips; negative values are ignored, and setting one while the other is unset sets
    // the other to 0.
    void setPosTop(int twips);
    void setPosLeft(int twips);

    // The bar's value, 0 to 1000.
    int barValue() const;
    // The clock in seconds, monotonic; tests step their own.
    void setClock(std::function<double()> clock) { clock_ = std::move(clock); }

    // The timer's tick (every 200 ms in the timed mode).
    void ProgTim_Timer();
    // Closes the window: the only way it closes (a close request by the user is refused).
    void Unload();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void cmdAbort_Click();
    void placeWindow();

    QProgressBar* ProgBar = nullptr;
    QPushButton* cmdAbort = nullptr;
    QTimer* ProgTim = nullptr;
    std::function<double()> clock_;
    std::int16_t mode_ = 0;
    float waitTime_ = 0;
    double startTime_ = 0;
    bool cancel_ = false;
    bool done_ = true;
    bool unloading_ = false;
    int top_ = -1;
    int left_ = -1;
};

// The progress window started last, for progress reports that arrive from deep inside a long processing step.
inline QPointer<frmProgress> CurrentProgress;
void SetProgressForm(frmProgress* window);

} // namespace vemra
