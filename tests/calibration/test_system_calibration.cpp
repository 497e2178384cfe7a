// The system calibration: reverberation-room responses of known T and volume give the gains that make the
// strength of the same responses 10 lg(T / (0.16 V)) + 37 dB; mismatching or unloadable files, cancel, the store.
#include "calibration/frmCalSystem.h"
#include "support/gui_mnemonics.h"

#include "core/Globals.h"
#include "core/HelpWindow.h"
#include "core/Settings.h"
#include "core/UiServices.h"
#include "core/clsOptions.h"
#include "core/VemraError.h"
#include "document/Waves.h"
#include "document/clsWave.h"
#include "library/Messages.h"
#include "library/dsp/Bands.h"
#include "support/ResponseFile.h"
#include "support/ResponseGenerator.h"
#include "support/settings_faults.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <memory>

using namespace vemra;
namespace ts = vemra::testsupport;

namespace {

ScriptedUiServices& scripted() { return static_cast<ScriptedUiServices&>(UiServices::get()); }

std::vector<int> shownErrors()
{
    std::vector<int> codes;
    for (const MessageRequest& r : scripted().messages)
        if (r.title.startsWith(QStringLiteral("Vemra - error (")))
            codes.push_back(r.title.mid(15).chopped(1).toInt());
    return codes;
}

constexpr double kVolume = 200, kT = 2.0;

// A reverberation-room response: one tone per octave band 63 Hz .. 4 kHz decaying with T, at the diffuse field's
// strength; channel 2 (when asked) at half the amplitude. A diffuse tail's sample energy grows with the rate, as the
// strength's rate term assumes.
// A length of 0 frames is the room's own (about 2.9 s); another is one stimulus period.
std::string roomFile(const std::string& name, double fs, int channels = 1, std::int16_t stimulus = 5,
                     std::int16_t receiver = 0, std::int64_t frames = 0)
{
    ts::ResponseShape shape;
    shape.fs_Hz = fs;
    shape.length_s = frames > 0 ? double(frames) / fs : kT * 1.2 + 0.5;
    shape.energy = ts::singleDecay(kT, ts::diffuseStartEnergy(kT, kVolume, fs, 1e6 * fs / 48000));
    std::vector<double> tones;
    for (int b = 2; b <= 8; ++b)
        tones.push_back(dsp::bandCentre_Hz(b));
    const std::vector<float> x = ts::makeTonalResponse(shape, tones);
    std::vector<std::vector<float>> perChannel{x};
    if (channels == 2) {
        perChannel.push_back(x);
        for (float& v : perChannel[1])
            v *= 0.5f;
    }
    return test::ResponseFile(name).rate(std::int32_t(fs)).perChannel(perChannel).stimulus(stimulus).receiver(receiver).write();
}

class SystemCal : public testing::Test {
protected:
    std::unique_ptr<frmCalSystem> window;

    void SetUp() override
    {
        scripted().clear();
        DeleteSetting(kCalibrationSection);
        Options = new clsOptions(nullptr, [](std::int32_t, float) {});
    }
    void TearDown() override
    {
        window.reset();
        for (clsWave* wave : WavesSnapshot())
            wave->Die();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        delete Options;
        Options = nullptr;
    }
    template <class T>
    T* control(const char* name) const
    {
        return window->findChild<T*>(QLatin1String(name));
    }
    frmCalSystem* open()
    {
        window = std::make_unique<frmCalSystem>();
        window->show();
        return window.get();
    }
    void add(const std::vector<std::string>& files)
    {
        QString answer;
        for (const std::string& f : files)
            answer += QString::fromStdString(f) + QLatin1Char('\n');
        scripted().openAnswers.push_back(answer.trimmed());
        window->cmdAdd_Click();
    }
    void describe(const QString& description, const QString& volume)
    {
        control<QComboBox>("cmbCali")->setEditText(description);
        control<QLineEdit>("txtVolume")->setText(volume);
    }
    static std::vector<float> storedRow(int n, int row)
    {
        const QStringList fields = GetSetting(kCalibrationSection, QString::number(n) + QStringLiteral("CalData"))
                                       .split(QLatin1Char(';'));
        std::vector<float> values;
        for (int b = 0; b < 7; ++b)
            values.push_back(fields.value(2 + 7 * row + b).toFloat());
        return values;
    }
};

} // namespace

TEST_F(SystemCal, RoundTripGivesTheDiffuseFieldStrengthInEveryOctave)
{
    const std::string a = roomFile("room48.wav", 48000, 2, 5, 2);
    const std::string b = roomFile("room44.wav", 44100, 2, 5, 2);
    frmCalSystem* w = open();
    QApplication::setActiveWindow(w);
    add({a, b});
    ASSERT_EQ(control<QListWidget>("lstFiles")->count(), 2);
    describe(QStringLiteral("Reverberation room "), QStringLiteral("200"));
    auto* ok = control<QPushButton>("cmdOK");
    ASSERT_TRUE(ok->isEnabled());
    ok->setFocus();
    QTest::keyClick(ok, Qt::Key_Return);
    EXPECT_TRUE(shownErrors().empty());
    EXPECT_EQ(control<QLabel>("lblStatus")->text(), QStringLiteral("Calibration completed succesfully."));
    EXPECT_EQ(GetSetting(kCalibrationSection, QStringLiteral("Count")), QStringLiteral(" 1"));
    EXPECT_EQ(GetSetting(kCalibrationSection, QStringLiteral("0CalDesc")), QStringLiteral("Reverberation room"));
    const QString data = GetSetting(kCalibrationSection, QStringLiteral("0CalData"));
    EXPECT_TRUE(data.startsWith(QStringLiteral("5;2;")));
    EXPECT_EQ(data.count(QLatin1Char(';')), 16);
    EXPECT_FALSE(data.contains(QLatin1Char(',')));
    const auto row0 = storedRow(0, 0), row1 = storedRow(0, 1);
    for (float d : row1)
        EXPECT_NEAR(d, -6.02, 0.05);
    // The strength of each file, calibrated with the stored values, is the room's.
    for (const std::string& file : {a, b}) {
        clsWave* wave = WaveByKey(NewWave(false));
        wave->setFileName(QString::fromStdString(file));
        for (int band = 2; band <= 8; ++band) {
            wave->setGainCalCh1(band, row0[std::size_t(band - 2)]);
            wave->setGainCalCh2(band, row1[std::size_t(band - 2)]);
        }
        wave->setCalID(QStringLiteral("Reverberation room"));
        wave->ResetFlags();
        for (int band = 2; band <= 8; ++band) {
            SCOPED_TRACE(file + " band " + std::to_string(band));
            EXPECT_NEAR(wave->G(0, band), ts::diffuseStrength_dB(kT, kVolume), 0.1);
            EXPECT_NEAR(wave->G(1, band), ts::diffuseStrength_dB(kT, kVolume), 0.1);
        }
        wave->Die();
    }
    // Enter after the run, wherever the run left the focus, closes the window as OK does.
    HelpWindow::instance()->showContext(-1);
    ASSERT_NE(QApplication::focusWidget(), nullptr);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_TRUE(w->unloaded());
    EXPECT_EQ(HelpWindow::instance()->currentPage(), HelpPageForContext(-1)) << "Enter opened no help page";
    HelpWindow::instance()->hide();
    EXPECT_EQ(GetSetting(kCalibrationSection, QStringLiteral("Volume")), QStringLiteral("200"));
}

TEST_F(SystemCal, FilesThatDoNotMatchOrDoNotLoadEndTheCheck)
{
    const std::string good = roomFile("good.wav", 48000);
    struct Row { const char* name; std::string second; int message; };
    const Row rows[] = {
        {"other stimulus", roomFile("mls.wav", 48000, 1, 1), msg::CalibrationFilesDiffer},
        {"other receiver", roomFile("receiver.wav", 48000, 1, 5, 3), msg::CalibrationFilesDiffer},
        {"other channel count", roomFile("stereo.wav", 48000, 2), msg::CalibrationFilesDiffer},
        {"not loadable", "/nonexistent/missing.wav", msg::CannotRead},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        scripted().clear();
        frmCalSystem* w = open();
        add({good, row.second});
        describe(QStringLiteral("Room"), QStringLiteral("100"));
        w->cmdOK_Click();
        ASSERT_FALSE(scripted().messages.empty());
        EXPECT_EQ(scripted().messages.back().title, QStringLiteral("Vemra - error (%1)").arg(row.message));
        if (row.message == msg::CannotRead) {
            EXPECT_TRUE(scripted().messages.back().text.contains(QString::fromStdString(row.second)));
        }
        EXPECT_TRUE(control<QPushButton>("cmdAdd")->isEnabled()) << "back to editing";
        EXPECT_FALSE(control<QFrame>("fraStatus")->isVisible());
        EXPECT_FALSE(HasSetting(kCalibrationSection, QStringLiteral("Count")));
        EXPECT_TRUE(WavesSnapshot().empty()) << "every document of the check is gone";
        window.reset();
    }
}

TEST_F(SystemCal, AResponseWithoutBandEnergyStoresNothing)
{
    const std::string silent = test::ResponseFile("silent.wav").frames(48000).stimulus(5).sample([](std::int64_t, int) { return 0.0; }).write();
    frmCalSystem* w = open();
    add({silent});
    describe(QStringLiteral("Room"), QStringLiteral("100"));
    w->cmdOK_Click();
    const auto errors = shownErrors();
    ASSERT_GE(errors.size(), 2u);
    EXPECT_EQ(errors[0], msg::CalibrationNoData63);
    EXPECT_EQ(errors[1], msg::CalibrationNoData);
    EXPECT_EQ(control<QLabel>("lblStatus")->text(), QStringLiteral("Calibration failed."));
    EXPECT_FALSE(HasSetting(kCalibrationSection, QStringLiteral("Count")));
    EXPECT_TRUE(WavesSnapshot().empty());
}

TEST_F(SystemCal, CancelDuringProcessingClosesAndStoresNothing)
{
    const std::string a = roomFile("cancel.wav", 48000);
    frmCalSystem* w = open();
    add({a, a});
    describe(QStringLiteral("Room"), QStringLiteral("150"));
    int refusedCloses = 0;
    QTimer::singleShot(0, [&] {
        w->close(); // refused while the run goes on
        refusedCloses += w->unloaded() ? 0 : 1;
        w->cmdCancel_Click();
    });
    w->cmdOK_Click();
    EXPECT_EQ(refusedCloses, 1);
    EXPECT_TRUE(w->unloaded());
    EXPECT_FALSE(HasSetting(kCalibrationSection, QStringLiteral("Count")));
    EXPECT_EQ(GetSetting(kCalibrationSection, QStringLiteral("Volume")), QStringLiteral("150"));
    EXPECT_TRUE(WavesSnapshot().empty());
}

TEST_F(SystemCal, F1OpensTheWindowsHelpAndABoxTakingTheFocusOffersItsWholeText)
{
    frmCalSystem* w = open();
    QApplication::setActiveWindow(w);
    describe(QStringLiteral("Room 4"), QStringLiteral("250"));
    auto* description = control<QComboBox>("cmbCali")->lineEdit();
    auto* volume = control<QLineEdit>("txtVolume");
    auto* add = control<QPushButton>("cmdAdd");
    for (QWidget* from : std::initializer_list<QWidget*>{add, volume}) {
        SCOPED_TRACE(from->objectName().toStdString());
        HelpWindow::instance()->showContext(-1);
        HelpWindow::instance()->hide();
        QCoreApplication::processEvents();
        QApplication::setActiveWindow(w);
        from->setFocus();
        QTest::keyClick(from, Qt::Key_F1);
        EXPECT_EQ(HelpWindow::instance()->currentPage(), HelpPageForContext(frmCalSystem::kHelpContext));
    }
    HelpWindow::instance()->hide();
    QCoreApplication::processEvents(); // the help window's activation, before the focus comes back here
    QApplication::setActiveWindow(w);
    struct Way { const char* name; QLineEdit* box; std::function<void()> focus; };
    const Way ways[] = {
        {"Tab into the description", description, [&] { add->setFocus(); QTest::keyClick(add, Qt::Key_Tab); }},
        {"Tab into the volume", volume, [&] {
             control<QComboBox>("cmbCali")->setFocus();
             QTest::keyClick(control<QComboBox>("cmbCali"), Qt::Key_Tab);
         }},
        {"Shift+Tab back into the volume", volume, [&] {
             control<QPushButton>("cmdCancel")->setFocus();
             QTest::keyClick(control<QPushButton>("cmdCancel"), Qt::Key_Backtab, Qt::ShiftModifier);
         }},
        {"a click into the volume", volume, [&] { QTest::mouseClick(volume, Qt::LeftButton, {}, QPoint(4, 4)); }},
        {"a click into the description", description, [&] {
             QTest::mouseClick(description, Qt::LeftButton, {}, QPoint(4, 4));
         }},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        control<QPushButton>("cmdHelp")->setFocus();
        description->deselect();
        volume->deselect();
        way.focus();
        QCoreApplication::processEvents();
        EXPECT_TRUE(way.box->hasFocus());
        EXPECT_EQ(way.box->selectedText(), way.box->text());
    }
}

// What the screen shows: at each paint of a widget, the phase, the file label and the bar's value of that moment.
class Painted : public QObject {
public:
    struct Shown { QString phase; QString file; int value; };
    Painted(QWidget* watched, QLabel* status, QLabel* file, QProgressBar* bar)
        : status_(status), file_(file), bar_(bar)
    {
        watched->installEventFilter(this);
    }
    std::vector<Shown> shown;
    // The highest value painted while `file` was shown in `phase`; -1 when it was never painted.
    int highest(const QString& phase, const std::string& file) const
    {
        int h = -1;
        for (const Shown& s : shown)
            if (s.phase == phase && s.file == QString::fromStdString(file))
                h = std::max(h, s.value);
        return h;
    }

    bool paintedAt(const QString& phase, const std::string& file, int value) const
    {
        return std::any_of(shown.begin(), shown.end(), [&](const Shown& s) {
            return s.phase == phase && s.file == QString::fromStdString(file) && s.value == value;
        });
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            shown.push_back({status_->text(), file_->text(), bar_->value()});
        return false;
    }

private:
    QLabel* status_;
    QLabel* file_;
    QProgressBar* bar_;
};

TEST_F(SystemCal, TheProgressMovesWithinEachFileAndTheStatusHidesTheListBehindIt)
{
    const std::vector<std::string> files{roomFile("p1.wav", 22050), roomFile("p2.wav", 22050),
                                         roomFile("p3.wav", 22050)};
    frmCalSystem* w = open();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w)); // painted on the screen, as the user's window is
    add(files);
    describe(QStringLiteral("Room"), QStringLiteral("150"));
    auto* bar = control<QProgressBar>("prgProgress");
    auto* statusLabel = control<QLabel>("lblStatus");
    auto* fileLabel = control<QLabel>("lblFilename");
    Painted barPainted(bar, statusLabel, fileLabel, bar);
    Painted framePainted(control<QFrame>("fraStatus"), statusLabel, fileLabel, bar);
    w->cmdOK_Click();
    ASSERT_EQ(statusLabel->text(), QStringLiteral("Calibration completed succesfully."));
    const QString checking = QStringLiteral("Checking files..."), processing = QStringLiteral("Processing files...");
    // Seven bands of one channel per file: while file k is read the bar shows values beyond the k files before.
    const int perFile = 7;
    for (std::size_t k = 0; k < files.size(); ++k) {
        SCOPED_TRACE(files[k]);
        EXPECT_GT(barPainted.highest(processing, files[k]), int(k) * perFile);
        EXPECT_LE(barPainted.highest(processing, files[k]), int(k + 1) * perFile);
        // The whole status area, background included, is painted as each file begins, in both loops.
        EXPECT_TRUE(framePainted.paintedAt(checking, files[k], int(k)));
        EXPECT_TRUE(framePainted.paintedAt(processing, files[k], int(k) * perFile));
    }
    // The finished run's status lies over the list, which still holds the files: none of them shows through.
    auto* status = control<QFrame>("fraStatus");
    ASSERT_TRUE(status->isVisible());
    const QImage withFiles = w->grab(status->geometry()).toImage();
    control<QListWidget>("lstFiles")->clear();
    const QImage withoutFiles = w->grab(status->geometry()).toImage();
    EXPECT_EQ(withFiles, withoutFiles);
}

TEST_F(SystemCal, OkNeedsFilesADescriptionAndAPositiveVolume)
{
    const std::string a = roomFile("buttons.wav", 22050);
    frmCalSystem* w = open();
    auto* ok = control<QPushButton>("cmdOK");
    describe(QStringLiteral("Room"), QStringLiteral("100"));
    EXPECT_FALSE(ok->isEnabled()) << "no files";
    add({a});
    struct Row { const char* description; const char* volume; bool enabled; };
    const Row rows[] = {{"Room", "100", true},  {"Room", "0", false},   {"Room", "-3", false},
                        {"Room", "abc", false}, {"Room", "", false},    {"   ", "100", false},
                        {"Room", "12.5", true}, {"Room", "12,5", false}, {"Room", "1,024", false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.description) + "|" + row.volume);
        describe(QLatin1String(row.description), QLatin1String(row.volume));
        EXPECT_EQ(ok->isEnabled(), row.enabled);
    }
    // A comma is a decimal separator only where the locale's is one.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    describe(QStringLiteral("Room"), QStringLiteral("12,5"));
    EXPECT_TRUE(ok->isEnabled());
    QLocale::setDefault(QLocale::c());
    (void)w;
}

TEST_F(SystemCal, DeletingMovesTheLaterCalibrationsDown)
{
    SaveSetting(kCalibrationSection, QStringLiteral("Count"), QStringLiteral(" 3"));
    for (int n = 0; n < 3; ++n) {
        SaveSetting(kCalibrationSection, QString::number(n) + "CalDesc", QStringLiteral("cal %1").arg(n));
        SaveSetting(kCalibrationSection, QString::number(n) + "CalData", QStringLiteral("5;0;%1;").arg(n));
    }
    frmCalSystem* w = open();
    auto* list = control<QComboBox>("cmbCali");
    ASSERT_EQ(list->count(), 3);
    EXPECT_FALSE(control<QPushButton>("cmdDelete")->isEnabled());
    list->setCurrentIndex(1);
    emit list->activated(1);
    EXPECT_TRUE(control<QPushButton>("cmdDelete")->isEnabled());
    scripted().messageAnswers.push_back(MsgResult::No);
    w->cmdDelete_Click();
    EXPECT_EQ(GetSetting(kCalibrationSection, QStringLiteral("Count")), QStringLiteral(" 3"));
    list->setCurrentIndex(1);
    emit list->activated(1);
    scripted().messageAnswers.push_back(MsgResult::Yes);
    w->cmdDelete_Click();
    EXPECT_EQ(GetSetting(kCalibrationSection, QStringLiteral("Count")), QStringLiteral(" 2"));
    EXPECT_EQ(GetSetting(kCalibrationSection, QStringLiteral("1CalDesc")), QStringLiteral("cal 2"));
    EXPECT_EQ(GetSetting(kCalibrationSection, QStringLiteral("1CalData")), QStringLiteral("5;0;2;"));
    EXPECT_FALSE(HasSetting(kCalibrationSection, QStringLiteral("2CalDesc")));
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->itemText(1), QStringLiteral("cal 2"));
    // Typing after choosing leaves none chosen.
    list->setCurrentIndex(0);
    emit list->activated(0);
    list->setEditText(QStringLiteral("cal 0 changed"));
    EXPECT_FALSE(control<QPushButton>("cmdDelete")->isEnabled());
}

TEST(SystemCalRecord, CodesThenSevenValuesPerRowWithAPoint)
{
    float result[2][7] = {{1.234f, -0.004f, 10.0f, 0, 0, 0, -2.5f}, {}};
    QLocale::setDefault(QLocale(QLocale::German));
    EXPECT_EQ(SystemCalRecordText(5, 0, result),
              QStringLiteral("5;0;1.23;0.00;10.00;0.00;0.00;0.00;-2.50;0.00;0.00;0.00;0.00;0.00;0.00;0.00;"));
    QLocale::setDefault(QLocale::c());
}

namespace {

void storeEntry(int n, const QString& description, const QString& data, const char* order = nullptr)
{
    SaveSetting(kCalibrationSection, QStringLiteral("%1CalDesc").arg(n), description);
    SaveSetting(kCalibrationSection, QStringLiteral("%1CalData").arg(n), data);
    if (order)
        SaveSetting(kCalibrationSection, QStringLiteral("%1CalOrder").arg(n), QLatin1String(order));
}

const QString kRecord = QStringLiteral("5;0;1.00;2.00;3.00;4.00;5.00;6.00;7.00;0.00;0.00;0.00;0.00;0.00;0.00;0.00;");

} // namespace

TEST_F(SystemCal, AGarbledCountLosesNoCalibrationAndASaveOverwritesNone)
{
    const std::string file = roomFile("room.wav", 48000);
    for (const char* count : {"abc", "", "-1", "1e9", " 1", "2.5"}) {
        SCOPED_TRACE(count);
        DeleteSetting(kCalibrationSection);
        for (int n = 0; n < 3; ++n)
            storeEntry(n, QStringLiteral("cal %1").arg(n), kRecord);
        SaveSetting(kCalibrationSection, QStringLiteral("Count"), QLatin1String(count));
        open();
        ASSERT_EQ(control<QComboBox>("cmbCali")->count(), 3);
        add({file});
        describe(QStringLiteral("new"), QStringLiteral("200"));
        window->cmdOK_Click();
        for (int n = 0; n < 3; ++n) {
            EXPECT_EQ(GetSetting(kCalibrationSection, QStringLiteral("%1CalDesc").arg(n)), QStringLiteral("cal %1").arg(n));
            EXPECT_EQ(GetSetting(kCalibrationSection, QStringLiteral("%1CalData").arg(n)), kRecord);
        }
        EXPECT_EQ(GetSetting(kCalibrationSection, QStringLiteral("3CalDesc")), QStringLiteral("new"));
        EXPECT_EQ(GetSetting(kCalibrationSection, QStringLiteral("Count")), QStringLiteral(" 4")) << "mended";
        window.reset();
    }
}

namespace {

class SystemCalNotSaved : public SystemCal, public testing::WithParamInterface<test::SettingsFault> {
protected:
    test::SettingsNotSavedMessage told;
};

} // namespace

TEST_P(SystemCalNotSaved, SavingAndDeletingTellOnceEachAndTheEarlierFileStays)
{
    storeEntry(0, QStringLiteral("stored"), kRecord);
    const std::string file = roomFile("room.wav", 48000);
    open();
    const test::UnwritableSettings fault(GetParam());
    scripted().clear();
    add({file});
    describe(QStringLiteral("new"), QStringLiteral("200"));
    window->cmdOK_Click();
    EXPECT_EQ(test::SettingsNotSavedMessages(scripted().messages), 1) << "the save tells; choosing the files changed the data folder and did not";
    EXPECT_EQ(GetSetting(kCalibrationSection, QStringLiteral("1CalDesc")), QStringLiteral("new")) << "for this run";

    // Deleting the stored one is a save of its own.
    window.reset();
    open();
    auto* list = control<QComboBox>("cmbCali");
    list->setCurrentIndex(0);
    emit list->activated(0);
    scripted().messages.clear();
    scripted().messageAnswers.push_back(MsgResult::Yes);
    window->cmdDelete_Click();
    EXPECT_EQ(test::SettingsNotSavedMessages(scripted().messages), 1);
    EXPECT_EQ(fault.now(), fault.before());
}

INSTANTIATE_TEST_SUITE_P(Faults, SystemCalNotSaved,
                         testing::Values(test::SettingsFault::ReadOnlyFolder, test::SettingsFault::FullDisk));

TEST_F(SystemCal, NumbersEndBeforeTheStoresLimitAndAFullStoreTakesNoNewCalibration)
{
    storeEntry(kMaxSystemCalibrations - 1, QStringLiteral("last"), kRecord);
    storeEntry(kMaxSystemCalibrations, QStringLiteral("past the end"), kRecord);
    SaveSetting(kCalibrationSection, QStringLiteral("Count"), QString::number(kMaxSystemCalibrations));
    EXPECT_EQ(SystemCalibrationSlots(), kMaxSystemCalibrations);
    const std::map<int, StoredSystemCal> stored = StoredSystemCalibrations();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored.begin()->first, kMaxSystemCalibrations - 1);
    EXPECT_EQ(SystemCalibrationsFor(5, 0, 0), (std::map<int, QString>{{kMaxSystemCalibrations - 1, "last"}}));
    // Every number is in use: a new calibration would go where no reader looks, so it is refused, not lost.
    EXPECT_THROW(SaveSystemCalibrationEntry(kMaxSystemCalibrations, QStringLiteral("new"), kRecord, 0), VemraError);
    EXPECT_EQ(GetSetting(kCalibrationSection, QStringLiteral("%1CalDesc").arg(kMaxSystemCalibrations)),
              QStringLiteral("past the end"));
    EXPECT_EQ(SystemCalibrationSlots(), kMaxSystemCalibrations);
}

TEST_F(SystemCal, AGarbledEntryKeepsItsNumberAndTheOthers)
{
    storeEntry(0, QStringLiteral("first"), kRecord);
    SaveSetting(kCalibrationSection, QStringLiteral("1CalData"), QStringLiteral("garbage")); // no description
    storeEntry(2, QStringLiteral("third"), kRecord);
    SaveSetting(kCalibrationSection, QStringLiteral("Count"), QStringLiteral(" 3"));
    EXPECT_EQ(SystemCalibrationSlots(), 3);
    EXPECT_EQ(SystemCalibrationsFor(5, 0, 0), (std::map<int, QString>{{0, "first"}, {2, "third"}}));
    // A new calibration takes number 3; deleting the garbled one moves the third down with it.
    SaveSystemCalibrationEntry(SystemCalibrationSlots(), QStringLiteral("fourth"), kRecord, 0);
    EXPECT_EQ(GetSetting(kCalibrationSection, QStringLiteral("1CalData")), QStringLiteral("garbage"));
    DeleteSystemCalibration(1);
    EXPECT_EQ(GetSetting(kCalibrationSection, QStringLiteral("Count")), QStringLiteral(" 3"));
    EXPECT_EQ(SystemCalibrationsFor(5, 0, 0), (std::map<int, QString>{{0, "first"}, {1, "third"}, {2, "fourth"}}));
}

TEST_F(SystemCal, CalibrationsAreKeptPerStimulusOrderAndOlderOnesServeEveryOrder)
{
    storeEntry(0, QStringLiteral("any order"), kRecord);
    storeEntry(1, QStringLiteral("order 14"), kRecord, "14");
    storeEntry(2, QStringLiteral("order 16"), kRecord, "16");
    storeEntry(3, QStringLiteral("other stimulus"), QStringLiteral("1;0;") + kRecord.mid(4));
    storeEntry(4, QStringLiteral("garbled order"), kRecord, "x");
    const struct {
        std::int16_t stimulus;
        int order;
        std::map<int, QString> listed;
    } rows[] = {
        {5, 14, {{1, "order 14"}}},
        {5, 16, {{2, "order 16"}}},
        {5, 15, {{0, "any order"}, {4, "garbled order"}}}, // none made at 15: those for every order
        {5, 0, {{0, "any order"}, {1, "order 14"}, {2, "order 16"}, {4, "garbled order"}}}, // order unknown
        {1, 14, {{3, "other stimulus"}}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.order);
        EXPECT_EQ(SystemCalibrationsFor(row.stimulus, 0, row.order), row.listed);
    }
    const struct {
        std::int64_t frames;
        int order;
    } lengths[] = {{16384, 14}, {16383, 14}, {1 << 20, 20}, {16385, 0}, {3000, 0}, {0, 0}};
    for (const auto& l : lengths)
        EXPECT_EQ(StimulusOrderOfLength(l.frames), l.order) << l.frames;
}

TEST_F(SystemCal, ACalibrationFromResponsesOfOneOrderKeepsThatOrder)
{
    const std::string a = roomFile("a.wav", 48000, 1, 5, 0, 1 << 17);
    const std::string b = roomFile("b.wav", 48000, 1, 5, 0, 1 << 17);
    const std::string c = roomFile("c.wav", 48000, 1, 5, 0, (1 << 18) - 1);
    const struct {
        const char* name;
        std::vector<std::string> files;
        const char* order; // nullptr: none stored
    } rows[] = {{"one order", {a, b}, "17"}, {"two orders", {a, c}, nullptr}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        open();
        add(row.files);
        describe(QLatin1String(row.name), QStringLiteral("200"));
        window->cmdOK_Click();
        const auto stored = StoredSystemCalibrations();
        const auto it = std::find_if(stored.begin(), stored.end(),
                                     [&](const auto& e) { return e.second.description == QLatin1String(row.name); });
        ASSERT_NE(it, stored.end());
        EXPECT_EQ(it->second.order, row.order ? QByteArray(row.order).toInt() : 0);
        EXPECT_EQ(HasSetting(kCalibrationSection, QStringLiteral("%1CalOrder").arg(it->first)), row.order != nullptr);
        window.reset();
    }
}

// Alt and a letter presses one control of the system calibration.
TEST_F(SystemCal, AccessKeysAreUnique)
{
    EXPECT_GT(test::ExpectUniqueMnemonics(open()), 0);
}
