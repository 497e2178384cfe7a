// The file properties dialog: what it shows of the recording, what OK stores (texts, gains, the chosen system
// calibration, the defaults of the next new recording) and that Cancel stores nothing.
#include "core/Globals.h"
#include "core/HelpWindow.h"
#include "core/Settings.h"
#include "core/MessageTexts.h"
#include "core/UiServices.h"
#include "document/Waves.h"
#include "document/clsWave.h"
#include "library/Messages.h"
#include "viewer/frmFileInfo.h"
#include "viewer_fixture.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include <cmath>

using namespace vemra;

namespace {

struct Recording {
    int channels = 2;
    std::int16_t stimulus = 2;
    std::int16_t receiver = 2;
    float probeDist = 0;
};

// A decaying two-channel response (channel 2 at half the level) with the given recording information.
QString writeRecording(const QString& name, const Recording& r)
{
    return viewertest::written(test::ResponseFile(name.toStdString())
                                   .channels(r.channels)
                                   .frames(24000)
                                   .sample(viewertest::decayingNoise)
                                   .stimulus(r.stimulus)
                                   .receiver(r.receiver)
                                   .probeDistance(r.probeDist)
                                   .averages(4)
                                   .temperature(21.5f));
}

class FileInfo : public testing::Test {
protected:
    void SetUp() override
    {
        viewertest::scripted().clear();
        DeleteSetting(QStringLiteral("Calibration"));
        DeleteSetting(QStringLiteral("UserInfo"));
        LastGainExtOut = LastGainExtCha0 = LastGainExtCha1 = 0;
        LastCalID.clear();
    }
    void TearDown() override
    {
        for (clsWave* wave : WavesSnapshot())
            wave->Die();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // A headless document loaded from a file written with `r`.
    static clsWave& load(const Recording& r, const QString& name = QStringLiteral("info.wav"))
    {
        clsWave* wave = WaveByKey(NewWave(false));
        wave->setFileName(writeRecording(name, r));
        EXPECT_TRUE(wave->Valid());
        return *wave;
    }

    static QString text(const frmFileInfo& d, const char* name)
    {
        return d.findChild<QLabel*>(QString::fromLatin1(name))->text();
    }
    static QLineEdit* box(const frmFileInfo& d, const QString& name) { return d.findChild<QLineEdit*>(name); }
    static QLineEdit* user(const frmFileInfo& d, int i) { return box(d, QStringLiteral("txtUser(%1)").arg(i)); }
    static QLineEdit* gain(const frmFileInfo& d, int i) { return box(d, QStringLiteral("txtGain(%1)").arg(i)); }
    static QPlainTextEdit* comments(const frmFileInfo& d)
    {
        return d.findChild<QPlainTextEdit*>(QStringLiteral("txtUser(4)"));
    }
    static QComboBox* list(const frmFileInfo& d) { return d.findChild<QComboBox*>(QStringLiteral("cmbCali")); }
    static QStringList entries(const frmFileInfo& d)
    {
        QStringList out;
        for (int i = 0; i < list(d)->count(); ++i)
            out << list(d)->itemText(i);
        return out;
    }
    static bool hidden(const frmFileInfo& d, const char* name)
    {
        return d.findChild<QWidget*>(QString::fromLatin1(name))->isHidden();
    }

    // A stored system calibration: codes, then channel 1's and channel 2's gains for bands 2..8.
    static void storeCalibration(int i, const QString& desc, int stimulus, int receiver, float first)
    {
        QString data = QStringLiteral("%1;%2;").arg(stimulus).arg(receiver);
        for (int k = 0; k < 14; ++k)
            data += QString::number(first + k * 0.25, 'f', 2) + QLatin1Char(';');
        SaveSetting(QStringLiteral("Calibration"), QStringLiteral("%1CalDesc").arg(i), desc);
        SaveSetting(QStringLiteral("Calibration"), QStringLiteral("%1CalData").arg(i), data);
    }
};

TEST_F(FileInfo, DataPageShowsTheRecording)
{
    clsWave& wave = load({2, 6, 5, 12.0f});
    frmFileInfo d(wave.Key());
    EXPECT_EQ(d.windowTitle(), QStringLiteral("File Properties - ") + wave.FileName());
    EXPECT_EQ(text(d, "lblData(1)"), QStringLiteral(" 2"));
    EXPECT_EQ(text(d, "lblData(2)"), QStringLiteral(" 48000"));
    EXPECT_EQ(text(d, "lblData(3)"), QStringLiteral(" 24000"));
    EXPECT_EQ(text(d, "lblData(4)"), QStringLiteral(" 0.500s"));
    EXPECT_EQ(text(d, "lblData(5)"), QStringLiteral(" %1").arg(wave.MaxDataValue(0)));
    ASSERT_LT(wave.MinDataValue(0), 0);
    EXPECT_EQ(text(d, "lblData(6)"), QString::number(wave.MinDataValue(0))); // the minus sign in the blank's place
    EXPECT_EQ(text(d, "lblData(8)"), QString::number(wave.MinDataValue(1)));
    EXPECT_FALSE(hidden(d, "lblData(7)"));
    EXPECT_EQ(text(d, "lblVemra(1)"), QStringLiteral(" 4"));
    EXPECT_EQ(text(d, "lblVemra(2)"), QStringLiteral(" External Sweep"));
    EXPECT_EQ(text(d, "lblVemra(3)"), QStringLiteral(" Omni-omni-directional, probe"));
    EXPECT_EQ(text(d, "lblVemra(5)"), QStringLiteral(" 21.5 \u00B0C"));
    EXPECT_EQ(text(d, "lblVemra(12)"), QLatin1Char(' ') + wave.DateTime());
    EXPECT_FALSE(hidden(d, "lblVemra(4)"));
    EXPECT_EQ(text(d, "lblInfo(11)"), QStringLiteral("Probe seperation: "));
    EXPECT_EQ(text(d, "lblVemra(4)"), QStringLiteral(" 12.0 mm"));
    EXPECT_EQ(d.currentPage(), 0);
    EXPECT_FALSE(hidden(d, "fraTabs(0)"));
    EXPECT_TRUE(hidden(d, "fraTabs(1)"));
    d.TabStrip1_Click(2);
    EXPECT_TRUE(hidden(d, "fraTabs(0)"));
    EXPECT_FALSE(hidden(d, "fraTabs(1)"));
    d.TabStrip1_Click(2); // the page already shown: nothing
    EXPECT_EQ(d.currentPage(), 1);
}

TEST_F(FileInfo, OneChannelReflectionIndexAndPlainReceivers)
{
    {
        clsWave& wave = load({1, 4, 6, 0.25f}, QStringLiteral("ri.wav"));
        frmFileInfo d(wave.Key());
        EXPECT_TRUE(hidden(d, "lblData(7)"));
        EXPECT_TRUE(hidden(d, "lblData(8)"));
        EXPECT_EQ(text(d, "lblInfo(11)"), QStringLiteral("Probe distance: "));
        EXPECT_EQ(text(d, "lblVemra(4)"), QStringLiteral(" 250 mm"));
        EXPECT_EQ(text(d, "lblVemra(2)"), QStringLiteral(" External Impulse"));
    }
    const struct {
        std::int16_t stimulus, receiver;
        const char* stimulusText;
        const char* receiverText;
    } rows[] = {{1, 0, " Internal MLS", " Omni-directional"},
                {5, 1, " Internal Sweep", " Omni-bi-directional, switched"},
                {2, 3, " External MLS", " Omni-directional and bi-directional"},
                {3, 4, " External Noise", " Measurement head"},
                {9, 7, " Unknown", " Unknown"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.stimulusText);
        clsWave& wave = load({2, row.stimulus, row.receiver, 3.0f});
        frmFileInfo d(wave.Key());
        EXPECT_EQ(text(d, "lblVemra(2)"), QString::fromLatin1(row.stimulusText));
        EXPECT_EQ(text(d, "lblVemra(3)"), QString::fromLatin1(row.receiverText));
        EXPECT_TRUE(hidden(d, "lblVemra(4)"));
        EXPECT_TRUE(hidden(d, "lblInfo(11)"));
    }
}

TEST_F(FileInfo, GainRowsFollowStimulusAndReceiver)
{
    const struct {
        std::int16_t stimulus, receiver;
        bool output, channel2;
    } rows[] = {{6, 2, false, true}, {1, 0, true, false}, {3, 0, false, true}, {5, 1, true, false}, {2, 5, false, true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "stimulus " << row.stimulus << ", receiver " << row.receiver);
        clsWave& wave = load({2, row.stimulus, row.receiver, 0});
        frmFileInfo d(wave.Key());
        for (const char* name : {"lblGain(102)", "txtGain(0)", "lblGain(0)"})
            EXPECT_EQ(hidden(d, name), !row.output) << name;
        for (const char* name : {"lblGain(104)", "txtGain(2)", "lblGain(2)"})
            EXPECT_EQ(hidden(d, name), !row.channel2) << name;
    }
}

TEST_F(FileInfo, OkStoresTextsAndGainsAndResetsTheCaches)
{
    // An omni-omni probe: its lateral fraction is cached with the channel gains of its first computation.
    clsWave& wave = load({2, 2, 5, 12.0f});
    wave.setProject(QStringLiteral("Old"));
    wave.setGainIntCha(1, 2.0f);
    wave.setChanged(false);
    const float lfBefore = wave.LF(6);
    ASSERT_GT(lfBefore, 0.0f);

    frmFileInfo d(wave.Key());
    EXPECT_EQ(user(d, 0)->text(), QStringLiteral(" Old"));
    EXPECT_EQ(text(d, "lblGain(2)"), QStringLiteral("2.0"));
    EXPECT_EQ(gain(d, 2)->text(), QStringLiteral("0.0"));
    user(d, 0)->setText(QStringLiteral(" Concert hall"));
    user(d, 2)->setText(QStringLiteral(" A. Engineer"));
    comments(d)->setPlainText(QStringLiteral(" line one\nline two"));
    gain(d, 1)->setText(QStringLiteral("3.5"));
    gain(d, 2)->setText(QStringLiteral("-6.0"));
    d.findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();

    EXPECT_TRUE(d.ResultOK);
    EXPECT_TRUE(viewertest::scripted().messages.empty());
    EXPECT_EQ(wave.Project(), QStringLiteral("Concert hall"));
    EXPECT_EQ(wave.Engineer(), QStringLiteral("A. Engineer"));
    EXPECT_EQ(wave.Comments(), QStringLiteral("line one\nline two"));
    EXPECT_FLOAT_EQ(wave.GainExtCha(0), 3.5f);
    EXPECT_FLOAT_EQ(wave.GainExtCha(1), -6.0f);
    EXPECT_TRUE(wave.Changed());
    EXPECT_TRUE(wave.ValidInfo());
    EXPECT_EQ(wave.CalID(), QString()); // the document's own (empty) calibration name stays chosen
    // Not a new recording: nothing is remembered for the next one.
    EXPECT_FALSE(HasSetting(QStringLiteral("UserInfo"), QStringLiteral("Project")));
    EXPECT_FLOAT_EQ(LastGainExtCha0, 0.0f);

    // The cached value was dropped: it now agrees with a fresh document carrying the same gains.
    const float lfAfter = wave.LF(6);
    EXPECT_NE(lfAfter, lfBefore);
    clsWave& fresh = load({2, 2, 5, 12.0f}, QStringLiteral("fresh.wav"));
    fresh.setGainIntCha(1, 2.0f);
    fresh.setGainExtCha(0, 3.5f);
    fresh.setGainExtCha(1, -6.0f);
    EXPECT_FLOAT_EQ(lfAfter, fresh.LF(6));
}

TEST_F(FileInfo, OkWithoutChangesStillMarksTheDocumentChanged)
{
    clsWave& wave = load({});
    wave.setChanged(false);
    frmFileInfo d(wave.Key());
    d.cmdOK_Click();
    EXPECT_TRUE(wave.Changed());
}

TEST_F(FileInfo, CancelChangesNothing)
{
    clsWave& wave = load({});
    wave.setNewRecording(true);
    wave.setProject(QStringLiteral("Kept"));
    wave.setChanged(false);
    frmFileInfo d(wave.Key());
    user(d, 0)->setText(QStringLiteral(" Other"));
    gain(d, 1)->setText(QStringLiteral("9.0"));
    d.findChild<QPushButton*>(QStringLiteral("cmdCancel"))->click();
    EXPECT_FALSE(d.ResultOK);
    EXPECT_EQ(wave.Project(), QStringLiteral("Kept"));
    EXPECT_FLOAT_EQ(wave.GainExtCha(0), 0.0f);
    EXPECT_FALSE(wave.Changed());
    EXPECT_FALSE(wave.ValidInfo());
    EXPECT_FALSE(HasSetting(QStringLiteral("UserInfo"), QStringLiteral("Project")));
    EXPECT_FLOAT_EQ(LastGainExtCha0, 0.0f);
}

TEST_F(FileInfo, CalibrationListComesFromTheStoredCalibrations)
{
    // Document: external MLS (2) with a dual omni (2).
    storeCalibration(0, QStringLiteral("Hall mics"), 2, 2, 1.0f);
    storeCalibration(1, QStringLiteral("Other receiver"), 2, 0, 5.0f);
    // Entry 2 is missing: a gap.
    SaveSetting(QStringLiteral("Calibration"), QStringLiteral("3CalDesc"), QStringLiteral("Garbled"));
    SaveSetting(QStringLiteral("Calibration"), QStringLiteral("3CalData"), QStringLiteral("x;2;1.00;"));
    storeCalibration(4, QStringLiteral("Studio"), 2, 2, -2.0f);
    storeCalibration(5, QStringLiteral("Beyond the count"), 2, 2, 0.0f); // a count too small hides nothing
    SaveSetting(QStringLiteral("Calibration"), QStringLiteral("Count"), QStringLiteral(" 5"));

    clsWave& wave = load({});
    wave.setNewRecording(true);
    {
        frmFileInfo d(wave.Key());
        EXPECT_TRUE(viewertest::scripted().messages.empty());
        EXPECT_EQ(entries(d), (QStringList{"Hall mics", "Studio", "Beyond the count", "Not Calibrated"}));
        EXPECT_EQ(list(d)->currentText(), QStringLiteral("Not Calibrated")); // nothing chosen last
        list(d)->setCurrentIndex(1);
        d.cmdOK_Click();
    }
    EXPECT_EQ(wave.CalID(), QStringLiteral("Studio"));
    EXPECT_TRUE(wave.Calibrated());
    for (int b = 2; b <= 8; ++b) {
        SCOPED_TRACE(b);
        EXPECT_NEAR(wave.GainCalCh1(b), -2.0 + (b - 2) * 0.25, 1e-6);
        EXPECT_NEAR(wave.GainCalCh2(b), -2.0 + (b + 5) * 0.25, 1e-6);
    }
    EXPECT_EQ(LastCalID, QStringLiteral("Studio"));

    // The calibration is gone from the store: the document's name is still offered, and OK keeps its gains.
    DeleteSetting(QStringLiteral("Calibration"));
    {
        frmFileInfo d(wave.Key());
        EXPECT_EQ(entries(d), (QStringList{"Not Calibrated", "Studio"}));
        EXPECT_EQ(list(d)->currentText(), QStringLiteral("Studio"));
        d.cmdOK_Click();
    }
    EXPECT_NEAR(wave.GainCalCh1(2), -2.0, 1e-6);

    // "Not Calibrated" clears all fourteen gains.
    {
        frmFileInfo d(wave.Key());
        list(d)->setCurrentIndex(0);
        d.cmdOK_Click();
    }
    EXPECT_FALSE(wave.Calibrated());
    for (int b = 2; b <= 8; ++b) {
        EXPECT_EQ(wave.GainCalCh1(b), 0.0f);
        EXPECT_EQ(wave.GainCalCh2(b), 0.0f);
    }
}

TEST_F(FileInfo, AGarbledCountHidesNoCalibration)
{
    storeCalibration(0, QStringLiteral("Hall mics"), 2, 2, 1.0f);
    for (const char* count : {"", "abc", "-3", "0", "1e9"}) {
        SCOPED_TRACE(count);
        SaveSetting(QStringLiteral("Calibration"), QStringLiteral("Count"), QString::fromLatin1(count));
        clsWave& wave = load({});
        frmFileInfo d(wave.Key());
        EXPECT_EQ(entries(d).mid(0, 2), (QStringList{"Hall mics", "Not Calibrated"}));
    }
}

TEST_F(FileInfo, GarbledCalibrationDataLeavesTheGainsAlone)
{
    SaveSetting(QStringLiteral("Calibration"), QStringLiteral("Count"), QStringLiteral("1"));
    SaveSetting(QStringLiteral("Calibration"), QStringLiteral("0CalDesc"), QStringLiteral("Short"));
    SaveSetting(QStringLiteral("Calibration"), QStringLiteral("0CalData"), QStringLiteral("2;2;1.00;2.00;"));
    clsWave& wave = load({});
    wave.setGainCalCh1(3, 7.0f);
    frmFileInfo d(wave.Key());
    ASSERT_EQ(list(d)->itemText(0), QStringLiteral("Short"));
    list(d)->setCurrentIndex(0);
    d.cmdOK_Click();
    ASSERT_EQ(viewertest::scripted().messages.size(), 1u); // reported under the OK's name
    EXPECT_TRUE(viewertest::scripted().messages[0].text.contains(QStringLiteral("Info_cmdOK")));
    EXPECT_TRUE(d.ResultOK);
    EXPECT_FLOAT_EQ(wave.GainCalCh1(2), 0.0f);
    EXPECT_FLOAT_EQ(wave.GainCalCh1(3), 7.0f);
    EXPECT_FALSE(wave.ValidInfo());
}

TEST_F(FileInfo, GainThatIsNotANumberIsReportedAndStopsOk)
{
    clsWave& wave = load({});
    frmFileInfo d(wave.Key());
    user(d, 0)->setText(QStringLiteral(" Written"));
    gain(d, 1)->setText(QStringLiteral("loud"));
    d.cmdOK_Click();
    ASSERT_EQ(viewertest::scripted().messages.size(), 1u);
    EXPECT_TRUE(viewertest::scripted().messages[0].text.contains(QStringLiteral("Info_cmdOK")));
    EXPECT_TRUE(d.ResultOK);
    EXPECT_EQ(wave.Project(), QStringLiteral("Written")); // written before the failing step
    EXPECT_FALSE(wave.ValidInfo());
}

TEST_F(FileInfo, NewRecordingsRememberTheLastEntries)
{
    storeCalibration(0, QStringLiteral("Hall mics"), 2, 2, 1.0f);
    SaveSetting(QStringLiteral("Calibration"), QStringLiteral("Count"), QStringLiteral("1"));

    clsWave& first = load({});
    first.setNewRecording(true);
    {
        frmFileInfo d(first.Key());
        EXPECT_EQ(user(d, 0)->text(), QStringLiteral(" "));
        user(d, 0)->setText(QStringLiteral(" Opera"));
        user(d, 3)->setText(QStringLiteral(" (c) us"));
        gain(d, 1)->setText(QStringLiteral("10.0"));
        gain(d, 2)->setText(QStringLiteral("12.5"));
        list(d)->setCurrentIndex(0);
        d.cmdOK_Click();
    }
    EXPECT_EQ(GetSetting(QStringLiteral("UserInfo"), QStringLiteral("Project")), QStringLiteral("Opera"));
    EXPECT_EQ(GetSetting(QStringLiteral("UserInfo"), QStringLiteral("Copyright")), QStringLiteral("(c) us"));
    EXPECT_FLOAT_EQ(LastGainExtCha0, 10.0f);
    EXPECT_FLOAT_EQ(LastGainExtCha1, 12.5f);
    EXPECT_EQ(LastCalID, QStringLiteral("Hall mics"));

    clsWave& second = load({}, QStringLiteral("second.wav"));
    second.setNewRecording(true);
    frmFileInfo d(second.Key());
    EXPECT_EQ(user(d, 0)->text(), QStringLiteral(" Opera"));
    EXPECT_EQ(user(d, 3)->text(), QStringLiteral(" (c) us"));
    EXPECT_EQ(gain(d, 1)->text(), QStringLiteral("10.0"));
    EXPECT_EQ(gain(d, 2)->text(), QStringLiteral("12.5"));
    EXPECT_EQ(list(d)->currentText(), QStringLiteral("Hall mics"));

    // Once confirmed, the recording shows its own values again.
    d.cmdOK_Click();
    second.setProject(QStringLiteral("Own"));
    frmFileInfo again(second.Key());
    EXPECT_EQ(user(again, 0)->text(), QStringLiteral(" Own"));
}

TEST_F(FileInfo, EnterMovesToTheNextBoxAndHelpOpensItsPage)
{
    clsWave& wave = load({});
    frmFileInfo d(wave.Key());
    d.show();
    QApplication::setActiveWindow(&d);
    user(d, 1)->setFocus();
    QTest::keyClick(user(d, 1), Qt::Key_Return);
    EXPECT_TRUE(user(d, 2)->hasFocus());
    EXPECT_TRUE(d.isVisible()); // the Enter went to the box, not to OK
    // A box that takes the focus offers its whole text for overtyping.
    gain(d, 1)->setText(QStringLiteral("12.5"));
    gain(d, 1)->deselect();
    gain(d, 1)->setFocus();
    QCoreApplication::processEvents();
    EXPECT_EQ(gain(d, 1)->selectedText(), QStringLiteral("12.5"));
    d.findChild<QPushButton*>(QStringLiteral("cmdHelp"))->click();
    EXPECT_EQ(HelpWindow::instance()->currentPage(), HelpPageForContext(10));
    HelpWindow::instance()->hide();
    d.cmdCancel_Click();
}

TEST_F(FileInfo, MissingDocumentIsReportedAndNothingIsStored)
{
    frmFileInfo d(QStringLiteral("no such key"));
    ASSERT_EQ(viewertest::scripted().messages.size(), 1u);
    EXPECT_TRUE(viewertest::scripted().messages[0].text.contains(QStringLiteral("InfoFormLoad")));
    d.cmdOK_Click();
    ASSERT_EQ(viewertest::scripted().messages.size(), 2u);
    EXPECT_TRUE(viewertest::scripted().messages[1].text.contains(QStringLiteral("Info_cmdOK")));
    EXPECT_FALSE(HasSetting(QStringLiteral("UserInfo"), QStringLiteral("Project")));
}

TEST_F(FileInfo, AFileGoneSinceOpeningIsSaidWithItsMessageAndTheRestStillShows)
{
    // Without a stored date the page shows the file's time of last writing, which needs the file.
    clsWave& wave = load({});
    ASSERT_EQ(wave.header().info.time, 0);
    wave.setProject(QStringLiteral("Hall"));
    wave.setGainExtCha(0, 4.5f);
    wave.setChanged(false);
    ASSERT_TRUE(QFile::remove(wave.FileName()));

    frmFileInfo d(wave.Key());
    ASSERT_EQ(viewertest::scripted().messages.size(), 1u);
    const MessageRequest& said = viewertest::scripted().messages[0];
    EXPECT_EQ(said.text, MessageText(msg::CannotRead) + QLatin1Char('\n') + QDir::toNativeSeparators(wave.FileName()));
    EXPECT_EQ(said.title, QStringLiteral("Vemra - error (%1)").arg(msg::CannotRead));
    EXPECT_EQ(said.helpContext, msg::CannotRead);
    EXPECT_EQ(text(d, "lblVemra(12)"), QString());
    // Everything after the date was still filled in, so OK stores the document's own texts and gains back.
    EXPECT_EQ(user(d, 0)->text(), QStringLiteral(" Hall"));
    EXPECT_EQ(gain(d, 1)->text(), QStringLiteral("4.5"));
    d.cmdOK_Click();
    EXPECT_EQ(viewertest::scripted().messages.size(), 1u);
    EXPECT_EQ(wave.Project(), QStringLiteral("Hall"));
    EXPECT_FLOAT_EQ(wave.GainExtCha(0), 4.5f);
}

class FileInfoMenu : public viewertest::ViewerWindow {};

TEST_F(FileInfoMenu, PropertiesOpensTheDialogAndEnablesSave)
{
    frmView* w = open(writeRecording(QStringLiteral("menu.wav"), {}));
    ASSERT_TRUE(w->menuItem(QStringLiteral("mnFileInfo"))->isEnabled());
    QString title;
    QTimer::singleShot(0, [&] {
        if (auto* d = qobject_cast<frmFileInfo*>(QApplication::activeModalWidget())) {
            title = d->windowTitle();
            d->cmdOK_Click();
        }
    });
    w->menuItem(QStringLiteral("mnFileInfo"))->trigger();
    EXPECT_EQ(title, QStringLiteral("File Properties - ") + w->WaveFile()->FileName());
    EXPECT_TRUE(w->WaveFile()->ValidInfo());
    EXPECT_TRUE(w->menuItem(QStringLiteral("mnFileSave"))->isEnabled());
}

} // namespace
