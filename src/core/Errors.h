#pragma once
// Telling the user about failures and opening help:
// - HandleError(code): message `code` of the message table in an error box with a Help button (context `code`);
// - ReportError(procedure, error): the general error reporter for a trapped run-time error;
// - ShowHelp(window, context): the help window at a context's page, -1 for the contents.
#include "core/VemraError.h"

#include <QString>
#include <functional>

class QWidget;

namespace vemra {

void HandleError(int code);
void ReportError(const QString& procedure, const VemraError& error);
void ShowHelp(QWidget* window, int context);

} // namespace vemra
