// Return and Enter on a focused button press that button, whether or not the dialog has a default button, and
// nothing is pressed twice where Qt presses it itself (an auto-default button with the focus).
#include "core/DialogKeys.h"

#include <QApplication>
#include <QDialog>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

using namespace vemra;

namespace {

struct KeyCase {
    const char* name;
    bool firstIsDefault;      // the first button is the dialog's default button
    bool autoDefault;         // both buttons auto-default (Qt's default in a dialog)
    bool childHasDefault;     // a dialog opened from this one, shown, has a default button of its own
    int key;
    Qt::KeyboardModifiers modifiers;
    int firstClicks;          // the default button's, or the other one's
    int secondClicks;         // the focused button's
};

} // namespace

TEST(DialogKeys, ReturnPressesTheFocusedButton)
{
    InstallDialogKeys();
    InstallDialogKeys(); // once is enough; a second call adds nothing
    const KeyCase cases[] = {
        {"no default button: Return", false, false, false, Qt::Key_Return, Qt::NoModifier, 0, 1},
        {"no default button: Enter on the keypad", false, false, false, Qt::Key_Enter, Qt::KeypadModifier, 0, 1},
        {"no default button: Ctrl+Return is no press", false, false, false, Qt::Key_Return, Qt::ControlModifier, 0, 0},
        {"the default button of another dialog does not count", false, false, true, Qt::Key_Return, Qt::NoModifier,
         0, 1},
        {"another button is the default: the focused one is pressed", true, false, false, Qt::Key_Return,
         Qt::NoModifier, 0, 1},
        {"auto-default buttons: Qt presses the focused one, once", false, true, false, Qt::Key_Return,
         Qt::NoModifier, 0, 1},
    };
    for (const KeyCase& c : cases) {
        SCOPED_TRACE(c.name);
        QDialog dialog;
        auto* first = new QPushButton(QStringLiteral("First"), &dialog);
        auto* second = new QPushButton(QStringLiteral("Second"), &dialog);
        auto* row = new QHBoxLayout(&dialog);
        row->addWidget(first);
        row->addWidget(second);
        first->setAutoDefault(c.autoDefault);
        second->setAutoDefault(c.autoDefault);
        first->setDefault(c.firstIsDefault);
        int firstClicks = 0, secondClicks = 0;
        QObject::connect(first, &QPushButton::clicked, [&] { ++firstClicks; });
        QObject::connect(second, &QPushButton::clicked, [&] { ++secondClicks; });
        std::unique_ptr<QDialog> child;
        if (c.childHasDefault) {
            child = std::make_unique<QDialog>(&dialog);
            auto* ok = new QPushButton(QStringLiteral("OK"), child.get());
            ok->setDefault(true);
            child->show();
        }
        dialog.show();
        dialog.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
        second->setFocus();
        ASSERT_TRUE(second->hasFocus());
        QTest::keyClick(second, Qt::Key(c.key), c.modifiers);
        EXPECT_EQ(firstClicks, c.firstClicks);
        EXPECT_EQ(secondClicks, c.secondClicks);
    }
}
