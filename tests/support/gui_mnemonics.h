#pragma once
// Access keys as Alt+letter finds them: unique among a window's visible controls and menu titles, and among the
// items of each of its menus. A letter that the window's documented captions give twice is named by
// `sharedByDesign(where, letter)`; `where` is the window's object name, or "window > menu > submenu".
#include <QChar>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>

namespace vemra::test {

using SharedMnemonic = std::function<bool(const QString& where, QChar letter)>;

// The mnemonic letter of a text, upper case ("&&" is an ampersand); a null QChar when it has none.
QChar mnemonicOf(const QString& text);

// Adds a failure for every letter claimed twice within one scope of `window`; returns how many letters its
// controls, menu titles and menu items claim.
int ExpectUniqueMnemonics(const QWidget* window, const SharedMnemonic& sharedByDesign = {});

// The object names of `window`'s visible buttons whose caption has no access key (buttons without a caption, such
// as the arrows of a scroll bar, do not count).
QStringList ButtonsWithoutMnemonic(const QWidget* window);

} // namespace vemra::test
