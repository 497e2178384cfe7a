// The processing windows of the document window: scale-model conversion and the reflection-index result, opened
// through the document's DisplayChild.
#include "viewer_fixture.h"

#include "core/Globals.h"
#include "core/clsOptions.h"
#include "core/frmProgress.h"
#include "library/dsp/ScaleModel.h"
#include "viewer/ProcessDialogs.h"
#include "viewer/frmAdrienne.h"
#include "viewer/frmScale.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <memory>

using namespace vemra;
using namespace viewertest;

namespace {

constexpr int kFs = 48000;

// A one-channel response measured with one omni-directional microphone (Receiver 0).
QString writeOmni(const QString& name, const std::vector<std::int16_t>& samples)
{
    return written(test::ResponseFile(name.toStdString()).rate(kFs).samples(samples));
}

std::vector<std::int16_t> pulse(std::size_t at, double gain = 1.0, std::vector<std::int16_t> x = {})
{
    if (x.empty())
        x.assign(4800, 0);
    const double shape[] = {20000, -8000, 3000, -1000};
    for (std::size_t i = 0; i < 4; ++i)
        x[at + i] = std::int16_t(x[at + i] + std::lround(shape[i] * gain));
    return x;
}

template <class Window>
Window* openChild()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* child = qobject_cast<Window*>(w); child && child->isVisible())
            return child;
    return nullptr;
}

// Runs `act` on the child window once DisplayChild has shown it.
template <class Window>
void whenShown(std::function<void(Window&)> act)
{
    QTimer::singleShot(0, [act] {
        if (Window* w = openChild<Window>())
            act(*w);
        else
            ADD_FAILURE() << "no child window";
    });
}

class ProcessWindows : public ViewerWindow {
protected:
    void SetUp() override
    {
        ViewerWindow::SetUp();
        options_ = std::make_unique<clsOptions>(nullptr, [](std::int32_t, float) {});
        Options = options_.get();
        Options->setModelScale(10);
        Options->setTemperature(20);
        RegisterProcessDialogs();
        LastAdrienneRef.clear();
        LastAdrienneDist = 0;
    }
    void TearDown() override
    {
        ViewerWindow::TearDown();
        Options = nullptr;
        options_.reset();
    }
    std::unique_ptr<clsOptions> options_;
};

} // namespace

TEST_F(ProcessWindows, ScaleWindowLoadsTheOptionsAndGuardsTheScale)
{
    {
        // At the options' 20 degrees the model and the actual temperature read alike, as do the humidities.
        frmScale plain;
        EXPECT_EQ(plain.txtTemp(0)->text(), plain.txtTemp(1)->text());
        EXPECT_EQ(plain.txtHum(0)->text(), plain.txtHum(1)->text());
    }

    Options->setModelScale(12.5f);
    Options->setTemperature(18.25f);
    frmScale w;
    EXPECT_EQ(w.windowTitle(), "Scale Model");
    EXPECT_EQ(w.txtScale()->text(), "12.50");
    EXPECT_EQ(w.txtTemp(0)->text(), "18.3");
    EXPECT_EQ(w.txtTemp(1)->text(), "20.0") << "read like the model's temperature";
    EXPECT_EQ(w.txtHum(0)->text(), "70");
    EXPECT_TRUE(w.chkAbsorption()->isChecked());

    struct Row {
        const char* typed;
        const char* shown;
        float scale;
    };
    const Row rows[] = {{"0.005", "12.50", 12.5f}, {"abc", "12.50", 12.5f}, {"100.5", "12.50", 12.5f},
                        {"100", "100.00", 100.0f},  {"0.01", "0.01", 0.01f}, {"7", "7.00", 7.0f}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.typed);
        w.txtScale()->setText(QString::fromLatin1(r.typed));
        w.txtScale_LostFocus();
        EXPECT_EQ(w.txtScale()->text(), QString::fromLatin1(r.shown));
        EXPECT_FLOAT_EQ(Options->ModelScale(), r.scale);
    }

    w.chkAbsorption()->click();
    for (const char* name : {"fraModel", "fraReal", "txtTemp(0)", "txtHum(1)", "lblTemp(1)", "lblCelcius(0)",
                             "lblHum(0)", "lblPerc(1)"}) {
        SCOPED_TRACE(name);
        auto* c = w.findChild<QWidget*>(QString::fromLatin1(name));
        ASSERT_NE(c, nullptr);
        EXPECT_FALSE(c->isEnabled());
    }
    w.chkAbsorption()->click();
    EXPECT_TRUE(w.findChild<QWidget*>("txtHum(1)")->isEnabled());
}

TEST_F(ProcessWindows, CancelClosesTheChildAndChangesNothing)
{
    frmView* view = open(writeOmni("src.wav", pulse(1000)));
    clsWave* wave = view->WaveFile();
    for (int which : {0, 7}) {
        SCOPED_TRACE(which);
        bool seenActive = false, seenDisabled = false;
        QTimer::singleShot(0, [&] {
            seenActive = wave->ChildActive();
            seenDisabled = !view->isEnabled();
            QWidget* child = wave->childWindow();
            ASSERT_NE(child, nullptr);
            child->findChild<QPushButton*>("cmdCancel")->click();
        });
        wave->DisplayChild(which);
        EXPECT_TRUE(seenActive);
        EXPECT_TRUE(seenDisabled);
        EXPECT_FALSE(wave->ChildActive());
        EXPECT_TRUE(view->isEnabled());
        EXPECT_EQ(WaveCount(), 1);
        EXPECT_FALSE(wave->Changed());
    }
    EXPECT_FLOAT_EQ(Options->ModelScale(), 10.0f);
    EXPECT_TRUE(LastAdrienneRef.isEmpty());
}

TEST_F(ProcessWindows, ScaleConversionOpensANewChangedDocument)
{
    frmView* view = open(writeOmni("model.wav", pulse(1000)));
    clsWave* wave = view->WaveFile();
    wave->setNewRecording(true);
    whenShown<frmScale>([](frmScale& w) { w.cmdOK()->click(); });
    wave->DisplayChild(0);
    ASSERT_EQ(WaveCount(), 2);
    clsWave* result = WaveAt(2);
    EXPECT_EQ(result->SampleFrequency(), 4800);
    EXPECT_EQ(result->SampleCount(), 4800);
    EXPECT_TRUE(result->Changed());
    EXPECT_TRUE(result->NewRecording());
    EXPECT_EQ(result->FileName(), "Untitled-" + result->Key());
    EXPECT_TRUE(wave->NewRecording()); // the temporary save kept the source's flag
    EXPECT_FALSE(wave->ChildActive());
}

TEST_F(ProcessWindows, CancelDuringTheConversionCreatesNoDocument)
{
    frmView* view = open(writeOmni("model.wav", pulse(1000)));
    clsWave* wave = view->WaveFile();
    // The progress window exists only during the conversion: press its Cancel as soon as it is there.
    std::function<void()> pressCancel = [&] {
        if (frmProgress* p = frmScale::currentProgress())
            p->findChild<QPushButton*>("cmdAbort")->click();
        else
            QTimer::singleShot(0, pressCancel);
    };
    whenShown<frmScale>([&](frmScale& w) {
        QTimer::singleShot(0, pressCancel);
        w.cmdOK()->click();
    });
    const QDir temp(QDir::tempPath());
    const int tmpBefore = int(temp.entryList({"*.tmp"}, QDir::Files).size());
    wave->DisplayChild(0);
    EXPECT_EQ(WaveCount(), 1);
    EXPECT_EQ(int(temp.entryList({"*.tmp"}, QDir::Files).size()), tmpBefore);
}

TEST_F(ProcessWindows, AdrienneWindowRemembersItsValues)
{
    {
        frmAdrienne w;
        EXPECT_EQ(w.windowTitle(), "Adrienne");
        EXPECT_TRUE(w.txtReference()->text().isEmpty());
        EXPECT_FALSE(w.cmdOK()->isEnabled());
        EXPECT_EQ(w.txtDist()->text(), "250");
        w.txtDist()->setText("12.6");
        w.txtDist_LostFocus();
        EXPECT_EQ(w.txtDist()->text(), "13");

        // A cancelled file dialog leaves the text and the data folder.
        const QString dataDir = Options->DataDir();
        scripted().openAnswers.push_back(QString());
        w.cmdReference_Click();
        EXPECT_TRUE(w.txtReference()->text().isEmpty());
        EXPECT_EQ(Options->DataDir(), dataDir);
        ASSERT_FALSE(scripted().fileDialogs.empty());
        EXPECT_EQ(scripted().fileDialogs.back().caption, "Select Reference File");

        w.txtReference()->setText("ref.wav");
        w.txtReference_LostFocus();
        EXPECT_TRUE(w.cmdOK()->isEnabled());
    }
    LastAdrienneRef = "ref.wav";
    LastAdrienneDist = 0.013f;
    frmAdrienne again;
    EXPECT_EQ(again.txtReference()->text(), "ref.wav");
    EXPECT_TRUE(again.cmdOK()->isEnabled());
    EXPECT_EQ(again.txtDist()->text(), "13");
}

TEST_F(ProcessWindows, AdrienneMakesAReflectionIndexResult)
{
    const double d = 0.25;
    const std::size_t delay = std::size_t(std::lround(2 * d / dsp::speedOfSound(20) * kFs));
    frmView* view = open(writeOmni("front.wav", pulse(1000 + delay, 0.5, pulse(1000))));
    clsWave* wave = view->WaveFile();
    LastAdrienneRef = writeOmni("free.wav", pulse(600));
    whenShown<frmAdrienne>([](frmAdrienne& w) { w.cmdOK()->click(); });
    wave->DisplayChild(7);
    ASSERT_EQ(WaveCount(), 2);
    clsWave* result = WaveAt(2);
    EXPECT_EQ(result->Receiver(), 6);
    EXPECT_EQ(result->Channels(), 2);
    EXPECT_TRUE(result->Changed());
    EXPECT_TRUE(result->NewRecording());
    EXPECT_NEAR(result->RI(6), 0.49, 0.01);
    EXPECT_FLOAT_EQ(LastAdrienneDist, 0.25f);
    EXPECT_TRUE(scripted().messages.empty());

    // A reflection-index result is no measurement to process again: the library's message, no document.
    whenShown<frmAdrienne>([](frmAdrienne& w) { w.cmdOK()->click(); });
    result->DisplayChild(7);
    EXPECT_EQ(WaveCount(), 2);
    ASSERT_EQ(scripted().messages.size(), 1u);
    EXPECT_TRUE(scripted().messages.front().text.contains("receiver")) << scripted().messages.front().text.toStdString();
    EXPECT_FALSE(result->ChildActive());
}

TEST_F(ProcessWindows, ProcessMenuOpensTheWindows)
{
    frmView* view = open(writeOmni("src.wav", pulse(1000)));
    for (const auto& [item, window] : {std::pair{"mnProcScale", "frmScale"}, {"mnProcAdrienne", "frmAdrienne"}}) {
        SCOPED_TRACE(item);
        QString opened;
        QTimer::singleShot(0, [&] {
            QWidget* child = view->WaveFile()->childWindow();
            ASSERT_NE(child, nullptr);
            opened = child->objectName();
            child->findChild<QPushButton*>("cmdCancel")->click();
        });
        view->findChild<QAction*>(QString::fromLatin1(item))->trigger();
        EXPECT_EQ(opened, QString::fromLatin1(window));
        EXPECT_FALSE(view->WaveFile()->ChildActive());
    }
}

TEST_F(ProcessWindows, ATextThatIsNoNumberIsReportedAndTheWindowStaysOpen)
{
    frmView* view = open(writeOmni("src.wav", pulse(1000)));
    const QDir temp(QDir::tempPath());
    const auto tmpFiles = [&] { return temp.entryList({"*.tmp"}, QDir::Files).size(); };
    const auto before = tmpFiles();
    {
        frmScale w;
        w.Key = view->WaveFile()->Key();
        w.show();
        w.txtTemp(1)->setText("warm");
        w.cmdOK_Click();
        EXPECT_TRUE(w.isVisible());
        EXPECT_TRUE(w.cmdOK()->isEnabled());
        EXPECT_TRUE(w.cmdCancel()->isEnabled());
    }
    {
        LastAdrienneRef = "ref.wav";
        frmAdrienne w;
        w.Key = view->WaveFile()->Key();
        w.show();
        w.txtDist()->setText("far");
        w.cmdOK_Click();
        EXPECT_TRUE(w.isVisible());
        EXPECT_TRUE(w.cmdOK()->isEnabled());
        EXPECT_TRUE(w.cmdCancel()->isEnabled());
    }
    ASSERT_EQ(scripted().messages.size(), 2u);
    EXPECT_TRUE(scripted().messages[0].text.contains("Scale_cmdOK")) << scripted().messages[0].text.toStdString();
    EXPECT_TRUE(scripted().messages[1].text.contains("Adrienne_cmdOK"));
    EXPECT_EQ(WaveCount(), 1);
    EXPECT_EQ(tmpFiles(), before);
    EXPECT_FLOAT_EQ(LastAdrienneDist, 0.25f); // kept: the entry was not taken
}
