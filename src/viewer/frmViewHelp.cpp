// The document window's help: F1 opens the window's own page, the Help menu the contents of the help and the About
// box. The Internet submenu stays hidden and without commands: the program has no home or support page for it to
// open.
#include "viewer/frmView.h"

#include "core/ErrorGuard.h"
#include "core/Errors.h"
#include "core/HelpKey.h"
#include "core/frmAbout.h"

namespace vemra {

void frmView::connectHelpCommands()
{
    InstallHelpKey(this, QStringLiteral("document-window.html"));
    setCommand(QStringLiteral("mnHelpTopics"), [this] {
        guarded("mnHelpTopics", [&] { ShowHelp(this, -1); });
    });
    setCommand(QStringLiteral("mnHelpAbout"), [this] {
        guarded("mnHelpAbout", [&] { frmAbout::ShowModal(this); });
    });
}

} // namespace vemra
