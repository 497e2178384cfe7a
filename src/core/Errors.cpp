#include "core/Errors.h"

#include "core/UiServices.h"

namespace vemra {

void HandleError(int code)
{
    MessageRequest r;
    r.text = QStringLiteral("Message %1").arg(code);
    r.title = QStringLiteral("Vemra - error (%1)").arg(code);
    r.icon = MsgIcon::Critical;
    r.helpContext = code;
    UiServices::get().messageBox(r);
}

void ReportError(const QString& procedure, const VemraError& error)
{
    MessageRequest r;
    r.text = QStringLiteral("The following error has occurred in procedure %1\n%2 (%3): %4")
                 .arg(procedure)
                 .arg(error.number())
                 .arg(error.source(), error.description());
    r.title = QStringLiteral("Vemra");
    r.icon = MsgIcon::Critical;
    UiServices::get().messageBox(r);
}

void ShowHelp(QWidget*, int) {}

} // namespace vemra
