#pragma once
// The program's own toolbar images (the SVG files under :/icons/), one QIcon per image for the whole run, shared by
// every window that shows it.
//
// Why shared: the SVG icon engine keeps what it renders in Qt's pixmap cache under a key of its own icon object. An
// icon made afresh for each document window adds another set of pixmaps with every window shown, and the pixmap
// cache only lets go of them at its limit (10 MB): memory grew by that much over a day of opening and closing files.
// With one icon per image the cache holds one set of renderings for each size and state shown.
//
// Bound: at most one entry per image compiled into the program; a name without an image is not kept.
// Calling thread: the user-interface thread.
#include <QIcon>
#include <QString>

namespace vemra {

// The icon of the image ":/icons/<name>.svg"; a null icon when the program has no such image.
QIcon ToolbarIcon(const QString& name);

// How many images the set holds so far.
int ToolbarIconCount();

} // namespace vemra
