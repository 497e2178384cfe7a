#include "core/SelectOnFocus.h"

#include <QComboBox>
#include <QEvent>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>

namespace vemra {

namespace {

// Watches the widget that receives the focus (an editable combo box takes the focus itself and hands the event
// straight to its text field, past any filter on the field) and selects the field's text.
class SelectAllFilter final : public QObject {
public:
    SelectAllFilter(QWidget* watched, QLineEdit* field) : QObject(watched), field_(field)
    {
        watched->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::FocusIn && field_)
            QTimer::singleShot(0, field_.data(), [field = field_] {
                if (field && field->hasFocus())
                    field->selectAll();
            });
        return false;
    }

private:
    QPointer<QLineEdit> field_;
};

} // namespace

void SelectAllOnFocus(QLineEdit* box)
{
    if (box)
        new SelectAllFilter(box, box);
}

void SelectAllOnFocus(QComboBox* box)
{
    if (box && box->lineEdit())
        new SelectAllFilter(box, box->lineEdit());
}

} // namespace vemra
