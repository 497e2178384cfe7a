#include "support/gui_mnemonics.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTabBar>

#include <map>

namespace vemra::test {

namespace {

// Letter -> the texts that claim it within one scope.
using Scope = std::map<QChar, QStringList>;

void claim(Scope& scope, const QString& text)
{
    if (const QChar letter = mnemonicOf(text); !letter.isNull())
        scope[letter] << text;
}

int expectUnique(const Scope& scope, const QString& where, const SharedMnemonic& sharedByDesign)
{
    for (const auto& [letter, texts] : scope)
        if (!sharedByDesign || !sharedByDesign(where, letter)) {
            EXPECT_EQ(texts.size(), 1) << where.toStdString() << ": Alt+" << QString(letter).toStdString() << " for "
                                       << texts.join(QStringLiteral(", ")).toStdString();
        }
    return int(scope.size());
}

// Each menu's own items, its submenus' in turn.
int checkMenu(const QMenu* menu, const QString& where, const SharedMnemonic& sharedByDesign)
{
    Scope items;
    int letters = 0;
    for (const QAction* action : menu->actions()) {
        if (!action->isVisible() || action->isSeparator())
            continue;
        claim(items, action->text());
        if (const QMenu* sub = action->menu())
            letters += checkMenu(sub, where + QStringLiteral(" > ") + sub->title(), sharedByDesign);
    }
    return letters + expectUnique(items, where, sharedByDesign);
}

} // namespace

QChar mnemonicOf(const QString& text)
{
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != QLatin1Char('&'))
            continue;
        if (text[i + 1] == QLatin1Char('&')) {
            ++i;
            continue;
        }
        return text[i + 1].toUpper();
    }
    return {};
}

int ExpectUniqueMnemonics(const QWidget* window, const SharedMnemonic& sharedByDesign)
{
    SCOPED_TRACE(window->objectName().toStdString());
    Scope controls;
    int letters = 0;
    for (const QWidget* w : window->findChildren<QWidget*>()) {
        if (w->window() != window)
            continue;
        if (!w->isVisibleTo(window))
            continue; // a hidden control does not answer its letter
        if (const auto* button = qobject_cast<const QAbstractButton*>(w))
            claim(controls, button->text());
        else if (const auto* label = qobject_cast<const QLabel*>(w); label && label->buddy())
            claim(controls, label->text());
        else if (const auto* box = qobject_cast<const QGroupBox*>(w))
            claim(controls, box->title());
        else if (const auto* tabs = qobject_cast<const QTabBar*>(w))
            for (int i = 0; i < tabs->count(); ++i)
                claim(controls, tabs->tabText(i));
    }
    if (const auto* main = qobject_cast<const QMainWindow*>(window); main && main->menuWidget()) {
        for (const QAction* action : main->menuBar()->actions()) {
            if (!action->isVisible())
                continue;
            claim(controls, action->text());
            if (const QMenu* menu = action->menu())
                letters += checkMenu(menu, window->objectName() + QStringLiteral(" > ") + menu->title(), sharedByDesign);
        }
    }
    return letters + expectUnique(controls, window->objectName(), sharedByDesign);
}

QStringList ButtonsWithoutMnemonic(const QWidget* window)
{
    QStringList names;
    for (const QAbstractButton* button : window->findChildren<QAbstractButton*>())
        if (button->window() == window && button->isVisibleTo(window) && !button->text().isEmpty()
            && mnemonicOf(button->text()).isNull())
            names << button->objectName();
    return names;
}

} // namespace vemra::test
