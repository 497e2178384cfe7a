#pragma once
// The splash window shown without blocking while start-up prepares the first document window. It closes by itself
// 3.5 s after it was loaded, or at a click anywhere; a click that comes before its first repaint closes it right
// after that repaint. One shared instance, created on first use.
// Calling thread: the user-interface thread.
#include <QPointer>
#include <QWidget>

class QLabel;
class QTimer;

namespace vemra {

class frmStartup final : public QWidget {
    Q_OBJECT
public:
    static frmStartup* instance();
    // True while the shared instance exists.
    static bool loaded();

    // The first step after the splash has been shown: repaint, then close at once if a click came first.
    void Start1();
    // Closes the splash.
    void Start2();

    void Timer1_Timer();
    void Timer2_Timer();
    void lblClicker_Click();

    bool ready() const { return ready_; }
    QTimer* timer1() const { return Timer1; }
    QTimer* timer2() const { return Timer2; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    explicit frmStartup(QWidget* parent = nullptr);

    QLabel* picture = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblClicker = nullptr;
    QTimer* Timer1 = nullptr;
    QTimer* Timer2 = nullptr;
    bool ready_ = false;
    bool closing_ = false;
};

} // namespace vemra
