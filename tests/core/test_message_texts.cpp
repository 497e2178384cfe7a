#include "core/Errors.h"
#include "core/ErrorGuard.h"
#include "core/MessageTexts.h"
#include "core/UiServices.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFont>
#include <QFontMetrics>
#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest.h>

using namespace vemra;

namespace {

ScriptedUiServices& scripted()
{
    return static_cast<ScriptedUiServices&>(UiServices::get());
}

class ErrorsTest : public ::testing::Test {
protected:
    void SetUp() override { scripted().clear(); }
};

} // namespace

TEST(MessageTable, TextsAreExact)
{
    const struct {
        int id;
        const char* text;
    } rows[] = {
        {100, "Not enough memory"},
        {161, "Sounddevice timeout"},
        {165, "No signal came back from the output: check the output volume, the mute switches and the cables"},
        {306, "The impuls response could not be found"},
        {402, "Conflicting values for decimal symbol in regional settings"},
        {911, "Unable to start your default browser and to connect to the Internet"},
        {914, "Warning: Unable to extract useful data from calibration file at 63 Hz"},
        {916, "Not enough signal for soundcard calibration. Abort calibration procedure? "},
        {917, "There is no printer. Press OK to choose a printer, or a PDF file to print to."},
        {1001, "Switch to 8 and press OK, or press 'Cancel' to abort"},
        {1005, "leading to it to your local ZX representative."},
        {1007, "Vemra is already running!"},
        {2000, "Invalid receiver type"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.id);
        EXPECT_EQ(MessageText(row.id), QString::fromUtf8(row.text));
    }
}

TEST(MessageTable, GroupsHoldTheirIdsAndNothingElse)
{
    const auto& ids = MessageIds();
    EXPECT_TRUE(std::is_sorted(ids.begin(), ids.end()));
    EXPECT_EQ(std::adjacent_find(ids.begin(), ids.end()), ids.end());
    int sound = 0, files = 0, processing = 0, calibrationSteps = 0;
    for (int id : ids) {
        sound += id >= 150 && id <= 165;
        files += id >= 200 && id <= 219;
        processing += id >= 300 && id <= 307;
        calibrationSteps += id >= 1014 && id <= 1024;
    }
    EXPECT_EQ(sound, 16);
    EXPECT_EQ(files, 20);
    EXPECT_EQ(processing, 8);
    EXPECT_EQ(calibrationSteps, 11);
    for (int missing : {0, 99, 101, 166, 220, 901, 905, 910, 1002, 1009, 1031, 1033, 1999})
        EXPECT_FALSE(HasMessage(missing)) << missing;
}

TEST(MessageTable, MissingIdIsARunTimeError)
{
    try {
        MessageText(901);
        FAIL() << "no error";
    } catch (const VemraError& e) {
        EXPECT_EQ(e.number(), 326);
    }
}

TEST_F(ErrorsTest, HandleErrorShowsTheMessageWithItsNumberedTitleAndHelp)
{
    HandleError(402);
    ASSERT_EQ(scripted().messages.size(), 1u);
    const MessageRequest& box = scripted().messages[0];
    EXPECT_EQ(box.text, QStringLiteral("Conflicting values for decimal symbol in regional settings"));
    EXPECT_EQ(box.title, QStringLiteral("Vemra - error (402)"));
    EXPECT_EQ(box.icon, MsgIcon::Critical);
    EXPECT_EQ(box.buttons, MsgButtons::OK);
    EXPECT_EQ(box.helpContext, 402);
}

TEST_F(ErrorsTest, AMessageAboutAFileNamesItOnALineOfItsOwn)
{
    HandleError(207, QStringLiteral("/data/rooms/hall 3.wav"));
    ASSERT_EQ(scripted().messages.size(), 1u);
    const MessageRequest& box = scripted().messages[0];
    EXPECT_EQ(box.text, QStringLiteral("Cannot read file\n/data/rooms/hall 3.wav"));
    EXPECT_EQ(box.title, QStringLiteral("Vemra - error (207)"));
    EXPECT_EQ(box.helpContext, 207);
}

TEST(MessageBox, IsAtLeastAsWideAsItsTitle)
{
    // The Qt box itself, shown and measured while it is open, then answered.
    QtUiServices services;
    MessageRequest r;
    r.title = QStringLiteral("Vemra - error (402): a title much longer than the one word of the message");
    r.text = QStringLiteral("Short.");
    r.icon = MsgIcon::Critical;
    int width = 0;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        width = box->width();
        box->button(QMessageBox::Ok)->click();
    });
    EXPECT_EQ(services.messageBox(r), MsgResult::OK);
    EXPECT_GE(width, titleBarWidth(r.title));
    EXPECT_GT(titleBarWidth(r.title), QFontMetrics(QApplication::font()).horizontalAdvance(r.title));
}

TEST_F(ErrorsTest, HandleErrorOfAnIdWithoutTextIsReportedUnderItsOwnName)
{
    HandleError(901);
    ASSERT_EQ(scripted().messages.size(), 1u);
    const MessageRequest& box = scripted().messages[0];
    EXPECT_EQ(box.title, QStringLiteral("Vemra"));
    EXPECT_TRUE(box.text.contains(QStringLiteral("procedure 'HandleError':"))) << box.text.toStdString();
    EXPECT_TRUE(box.text.contains(QStringLiteral("(326 - Vemra)"))) << box.text.toStdString();
}

TEST_F(ErrorsTest, ReportShowsFourLinesInAnIconlessBox)
{
    ReportError(QStringLiteral("frmView's mnOpen"), VemraError(9, QStringLiteral("Subscript out of range")));
    ASSERT_EQ(scripted().messages.size(), 1u);
    const MessageRequest& box = scripted().messages[0];
    EXPECT_EQ(box.title, QStringLiteral("Vemra"));
    EXPECT_EQ(box.icon, MsgIcon::None);
    EXPECT_EQ(box.buttons, MsgButtons::OK);
    EXPECT_NE(box.helpContext, -2); // it has a Help button
    const QStringList lines = box.text.split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 6);
    EXPECT_EQ(lines[0].trimmed(), QStringLiteral("The following error has occurred in procedure 'frmView's mnOpen':"));
    EXPECT_EQ(lines[1], QString());
    EXPECT_EQ(lines[2].trimmed(), QStringLiteral("Subscript out of range (9 - Vemra)"));
    EXPECT_EQ(lines[3], QString());
    EXPECT_EQ(lines[4].trimmed(), QStringLiteral("Please report this problem and the circumstances"));
    EXPECT_EQ(lines[5].trimmed(), QStringLiteral("leading to it to your local ZX representative."));
}

TEST(ErrorReport, CentringPutsNoBlanksBeforeTheWidestAndMostBeforeTheShortest)
{
    const QString longDescription(200, QLatin1Char('x'));
    const QFont font(QStringLiteral("DejaVu Sans"), 10);
    const QString text = ErrorReportText(QStringLiteral("P"), VemraError(5, longDescription, QStringLiteral("S")), &font);
    const QStringList lines = text.split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 6);
    auto leading = [](const QString& s) {
        int n = 0;
        while (n < s.size() && s[n] == QLatin1Char(' '))
            ++n;
        return n;
    };
    EXPECT_EQ(leading(lines[2]), 0);
    const int shortest = leading(lines[4]) > leading(lines[5]) ? 4 : 5;
    EXPECT_GT(leading(lines[shortest]), leading(lines[0]));
    EXPECT_GT(leading(lines[0]), 0);
}

TEST(ErrorReport, WithoutAWindowTheLinesAreNotCentred)
{
    const QString text = ErrorReportText(QStringLiteral("Main"), VemraError(7, QStringLiteral("Out of memory")), nullptr);
    EXPECT_EQ(text, QStringLiteral("The following error has occurred in procedure 'Main':\n\nOut of memory (7 - Vemra)\n\n"
                                   "Please report this problem and the circumstances\n"
                                   "leading to it to your local ZX representative."));
}

TEST_F(ErrorsTest, GuardReportsAndReturnsTheExitValue)
{
    const int r = guarded("clsWave::EDT", -1, [&]() -> int { throw VemraError::range(); });
    EXPECT_EQ(r, -1);
    ASSERT_EQ(scripted().messages.size(), 1u);
    EXPECT_TRUE(scripted().messages[0].text.contains(QStringLiteral("'clsWave::EDT':")));
}
