#pragma once
// The document window's toolbar layout as text, the form in which it is stored in the settings ("General",
// "Toolbar1"): the keys of the shown buttons in their order, separated by commas, with "|" for a separator line,
// e.g. "New,Open,|,Pressure". Buttons are always named by key, never by position, so a stored layout survives
// buttons that are added or renamed later.
#include <QString>
#include <QStringList>

#include <optional>

namespace vemra {

// The separator's entry in a layout.
inline const QString kToolbarSeparator = QStringLiteral("|");

// The text of a layout.
QString ToolbarLayoutText(const QStringList& layout);

// The layout a text describes, keeping only the keys in `knownKeys` (compared exactly, with case) and the first
// occurrence of each; blanks around entries are ignored, and so are separators at either end and repeated ones.
// A text without any key (the user removed every button) is the empty layout. A text whose keys are all unknown
// (written by a version with other buttons) gives no layout: the caller then keeps its initial one.
std::optional<QStringList> ParseToolbarLayout(const QString& text, const QStringList& knownKeys);

} // namespace vemra
