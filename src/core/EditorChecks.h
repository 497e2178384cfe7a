#pragma once
// EditorChecks, the one rule by which a window's commands read its edit boxes: the box that has the focus is
// taken (its check runs) before any command runs, whatever pressed the command.
//
// A mouse click on a button takes the focus first, so a box's check runs on leaving it; a key (a mnemonic such as
// Alt+O, Return on the default button, Esc) presses the button with the focus still in the box, and a command that
// then read the controls would find the box's text untaken. Windows therefore register each checked box here and
// connect their commands through `command` (Esc: through `commitFocused` before the cancel action):
// - leaving a box (Tab, a click elsewhere) runs its check; a refused entry takes the focus back;
// - a command first runs the check of the box that has the focus; a refused entry keeps the focus and the command
//   does not run (a click whose press was refused by the box does not run either).
// Leaving the window or opening a menu is no leaving of the box. Calling thread: the user-interface thread; owned
// by the window (its parent).
#include <QHash>
#include <QObject>
#include <QPointer>

#include <functional>

class QAbstractButton;
class QWidget;

namespace vemra {

class EditorChecks final : public QObject {
public:
    // Takes the box's entry: true when accepted, false when refused (the check itself says so to the user and
    // puts the previous text back).
    using Check = std::function<bool()>;

    explicit EditorChecks(QWidget* window);

    void add(QWidget* editor, Check check);
    // Runs the check of the registered box that has the focus in the window: true when there is none or it was
    // accepted. `command` is the button about to run, if any.
    bool commitFocused(const QObject* command = nullptr);
    // Runs `run` on each click of `button`, after the focused box was taken.
    void command(QAbstractButton* button, std::function<void()> run);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* window_;
    QHash<const QObject*, Check> checks_;
    // The widget a mouse press moved the focus to when the box refused its entry: its click must not run.
    QPointer<QObject> refusedFor_;
};

} // namespace vemra
