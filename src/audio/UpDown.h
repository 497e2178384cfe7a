#pragma once
// An up-down control: two small arrow buttons that step a value within [minimum, maximum] and write it into a
// buddy text box (as the measurement window's pre-average count has it). The value only changes through the
// arrows or setValue; what is typed into the buddy is the window's business.
// Calling thread: the user-interface thread.
#include <QWidget>

class QLineEdit;
class QToolButton;

namespace vemra {

class UpDown final : public QWidget {
    Q_OBJECT
public:
    UpDown(QLineEdit* buddy, int minimum, int maximum, QWidget* parent = nullptr);

    int value() const { return value_; }
    void setValue(int value);
    int minimum() const { return minimum_; }
    int maximum() const { return maximum_; }
    QToolButton* upButton() const { return up_; }
    QToolButton* downButton() const { return down_; }

private:
    void step(int delta);

    QLineEdit* buddy_;
    QToolButton* up_ = nullptr;
    QToolButton* down_ = nullptr;
    int minimum_;
    int maximum_;
    int value_;
};

} // namespace vemra
