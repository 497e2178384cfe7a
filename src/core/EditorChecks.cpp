#include "core/EditorChecks.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFocusEvent>
#include <QTimer>
#include <QWidget>

namespace vemra {

EditorChecks::EditorChecks(QWidget* window) : QObject(window), window_(window) {}

void EditorChecks::add(QWidget* editor, Check check)
{
    checks_.insert(editor, std::move(check));
    editor->installEventFilter(this);
    connect(editor, &QObject::destroyed, this, [this](QObject* gone) { checks_.remove(gone); });
}

bool EditorChecks::commitFocused(const QObject* command)
{
    if (command && refusedFor_ == command) {
        refusedFor_ = nullptr;
        return false;
    }
    const QWidget* focused = window_->focusWidget();
    const auto check = checks_.constFind(focused);
    if (check == checks_.constEnd() || !focused->isEnabled())
        return true;
    // A copy: the check may run code that registers or removes boxes.
    const Check run = *check;
    return run();
}

void EditorChecks::command(QAbstractButton* button, std::function<void()> run)
{
    connect(button, &QAbstractButton::clicked, this, [this, button, run = std::move(run)] {
        if (commitFocused(button))
            run();
    });
}

bool EditorChecks::eventFilter(QObject* watched, QEvent* event)
{
    const auto check = checks_.constFind(watched);
    if (check == checks_.constEnd())
        return false;
    auto* box = static_cast<QWidget*>(watched);
    if (event->type() == QEvent::KeyPress) {
        // A new entry is typed: an earlier refusal no longer stands in the way of a command.
        refusedFor_ = nullptr;
    } else if (event->type() == QEvent::FocusOut && box->isEnabled()) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
            return false;
        const Check run = *check;
        if (!run()) {
            // The focus has already moved on (to what was clicked, when it was the mouse).
            if (reason == Qt::MouseFocusReason)
                refusedFor_ = QApplication::focusWidget();
            const QPointer<QWidget> back(box);
            QTimer::singleShot(0, box, [back] {
                if (back)
                    back->setFocus(Qt::OtherFocusReason);
            });
        }
    }
    return false;
}

} // namespace vemra
