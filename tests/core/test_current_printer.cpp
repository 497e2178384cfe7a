// The program's one printer: what a print dialog chose is where every later Print goes; with none chosen and none
// on the system, a Print that prints at once says so in message 917 and leads on to the dialog; a printer with
// nowhere to print is never started, so a later choice still reaches it.
#include "core/MessageTexts.h"
#include "core/Print.h"
#include "core/UiServices.h"
#include "core/VemraError.h"
#include "library/Messages.h"
#include "support/private_dirs.h"

#include <QFile>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <gtest/gtest.h>

using namespace vemra;

namespace {

ScriptedUiServices& scripted() { return static_cast<ScriptedUiServices&>(UiServices::get()); }

// Starts from no choice at all; meaningful only on a machine without printers.
class CurrentPrinterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!QPrinterInfo::availablePrinterNames().isEmpty())
            GTEST_SKIP() << "this machine has a printer installed";
        scripted().clear();
        CurrentPrinter().setOutputFileName(QString());
        pdf = QString::fromStdString(test::privateRoot()) + QStringLiteral("/current.pdf");
        QFile::remove(pdf);
    }
    void TearDown() override
    {
        scripted().clear();
        CurrentPrinter().setOutputFileName(QString());
    }

    // One page with a line on it, printed through the program's start of a job.
    static bool printSomething(QPrinter& printer)
    {
        QPainter painter;
        if (!BeginPrinting(painter, printer))
            return false;
        painter.drawLine(0, 0, 100, 100);
        return painter.end();
    }

    QString pdf;
};

} // namespace

TEST_F(CurrentPrinterTest, WithoutAPrinterMessage917LeadsOnToTheDialog)
{
    const struct {
        const char* name;
        MsgResult answer;
        bool dialogAccepted;
        int dialogs;
        bool printer;
    } cases[] = {
        {"Cancel", MsgResult::Cancel, true, 0, false},
        {"OK, then the dialog cancelled", MsgResult::OK, false, 1, false},
        {"OK, then a PDF file chosen", MsgResult::OK, true, 1, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        scripted().clear();
        CurrentPrinter().setOutputFileName(QString());
        scripted().messageAnswers = {c.answer};
        scripted().printAnswers = {c.dialogAccepted};
        scripted().printFiles = {pdf};
        QPrinter* printer = PrinterToPrintOn(nullptr);
        ASSERT_EQ(scripted().messages.size(), 1u);
        const MessageRequest& box = scripted().messages[0];
        EXPECT_EQ(box.text, MessageText(msg::NoPrinter));
        EXPECT_EQ(box.title, QStringLiteral("Vemra - error (917)"));
        EXPECT_EQ(box.buttons, MsgButtons::OKCancel);
        EXPECT_EQ(box.helpContext, 917);
        EXPECT_EQ(scripted().printDialogs, c.dialogs);
        EXPECT_EQ(printer != nullptr, c.printer);
        if (printer) {
            EXPECT_EQ(printer, &CurrentPrinter());
            EXPECT_EQ(printer->outputFileName(), pdf);
        }
    }
    // Chosen once, the file is the printer: no question the next time.
    scripted().clear();
    EXPECT_EQ(PrinterToPrintOn(nullptr), &CurrentPrinter());
    EXPECT_TRUE(scripted().messages.empty());
    EXPECT_EQ(scripted().printDialogs, 0);
}

TEST_F(CurrentPrinterTest, TheDialogsChoiceIsTheCurrentPrinter)
{
    scripted().printAnswers = {false};
    scripted().printFiles = {pdf};
    EXPECT_FALSE(ChoosePrinter(nullptr));
    EXPECT_FALSE(HasDestination(CurrentPrinter())) << "a cancelled dialog chooses nothing";
    EXPECT_TRUE(ChoosePrinter(nullptr));
    EXPECT_EQ(CurrentPrinter().outputFileName(), pdf);
    ASSERT_TRUE(printSomething(CurrentPrinter()));
    EXPECT_TRUE(QFile::exists(pdf));
}

// Qt keeps a printer busy for good once a job was started on it with nowhere to print: no file chosen afterwards
// could reach it. The program never starts such a job.
TEST_F(CurrentPrinterTest, APrinterWithNowhereToPrintIsNotStartedAndStaysUsable)
{
    QPrinter& printer = CurrentPrinter();
    EXPECT_FALSE(printSomething(printer));
    QPainter painter;
    EXPECT_THROW(StartPrinting(painter, printer), VemraError);
    EXPECT_FALSE(painter.isActive());
    printer.setOutputFileName(pdf);
    EXPECT_EQ(printer.outputFileName(), pdf);
    ASSERT_TRUE(printSomething(printer));
    EXPECT_TRUE(QFile::exists(pdf));
}
