#pragma once
// Telling the user about failures and opening help:
// - HandleError(code): message `code` of the message table in an error box with a Help button (context `code`);
//   HandleError(code, file) names the file on a line of its own under the message; ErrorBox(code) is that box
//   for a caller that offers more buttons;
// - TellNothingTo(window, action, reason): a Copy or Print that has nothing to work on says so;
// - ReportError(procedure, error): the general error reporter for a trapped run-time error;
// - ShowHelp(window, context): the help window at a context's page, -1 for the contents; ShowHelpPage(window,
//   page) at a page that no context names.
#include "core/UiServices.h"
#include "core/VemraError.h"

#include <QFont>
#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

namespace vemra {

void HandleError(int code);
void HandleError(int code, const QString& file);
// The error box of HandleError, not yet shown: the message (and file), "Vemra - error (<code>)", OK and Help.
MessageRequest ErrorBox(int code, const QString& file = QString());
// "There is nothing to <action>: <reason>." in a box titled as the window, so that the clipboard or the printer
// is left alone rather than given an empty picture.
void TellNothingTo(QWidget* window, const QString& action, const QString& reason);
void ReportError(const QString& procedure, const VemraError& error);
// Returns at once; a context without a page shows the contents with a note.
void ShowHelp(QWidget* window, int context);
// The help window at `page` (a file name within the help folder), for the windows that the help contexts leave out.
void ShowHelpPage(QWidget* window, const QString& page);
// Makes the Help buttons of message boxes open ShowHelp (called once at start-up).
void InstallHelpHandler();
// Makes a failed write of the settings file show message SettingsNotSaved naming the file (called once at
// start-up; core/Settings.h decides when a write failed).
void InstallSettingsNotSavedMessage();

// The four lines of an error report, joined: "<msg::ErrorInProcedure> '<procedure>':", the error's
// "description (number - source)", then msg::PleaseReport and msg::LeadingToIt. With a font, each line is preceded
// by the blanks that centre it on the widest.
QString ErrorReportText(const QString& procedure, const VemraError& error, const QFont* font);
// Prefixes each line with the blanks (rounded to the nearest whole blank) that centre it on the widest line.
QStringList CentreLines(const QStringList& lines, const QFont& font);

} // namespace vemra
