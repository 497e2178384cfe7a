// Import of recordings made elsewhere: wave and text recordings become documents stamped like a measurement; the
// two-pass receiver imports two files into one document, and a cancel on the way leaves nothing behind.
#include "MeasureFixture.h"

#include "library/Codes.h"
#include "library/dsp/Mls.h"
#include "support/ResponseFile.h"


using namespace audiotest;

namespace {

class Import : public MeasureTest {
protected:
    frmMeasure* w = nullptr;
    void SetUp() override
    {
        MeasureTest::SetUp();
        Options->setTemperature(17.5f);
        w = open();
    }

    // Two periods of the MLS of this order through the room, as fractions of full scale.
    static std::vector<double> mlsRecording(int order)
    {
        const std::vector<double> mls = dsp::mlsSignal(order);
        const std::size_t n = mls.size();
        const std::vector<double> h = room();
        std::vector<double> y(2 * n, 0.0);
        for (std::size_t k = 0; k < h.size(); ++k)
            if (h[k] != 0)
                for (std::size_t i = 0; i < 2 * n; ++i)
                    y[i] += 0.25 * h[k] * mls[(i + n - k % n) % n];
        return y;
    }
    // A recording as a wave or text file (by the name's extension).
    static QString write(const char* name, const std::vector<double>& fractions)
    {
        return QString::fromStdString(test::ResponseFile(name)
                                          .frames(std::int64_t(fractions.size()))
                                          .sample([&](std::int64_t i, int) { return fractions[std::size_t(i)] * kFullScale; })
                                          .write());
    }
    void chooseExternal(QRadioButton* (frmMeasure::*signal)() const, int order)
    {
        w->optExternal()->setChecked(true);
        (w->*signal)()->setChecked(true);
        w->lstLength()->setCurrentIndex(w->lstLength()->findData(order));
        ASSERT_EQ(Player->Length(), order);
    }
};

TEST_F(Import, WaveAndTextRecordingsOpenStampedLikeAMeasurement)
{
    const std::vector<double> recording = mlsRecording(14);
    const QString wav = write("room.wav", recording);
    const QString txt = write("room.txt", recording);
    chooseExternal(&frmMeasure::optMLS, 14);
    w->txtAvg()->setText(QStringLiteral("3"));
    for (const QString& file : {wav, txt}) {
        SCOPED_TRACE(file.toStdString());
        const auto filesBefore = tempFiles();
        scripted().openAnswers.push_back(file);
        w->cmdImport()->click();
        ASSERT_EQ(scripted().fileDialogs.size(), 1u);
        EXPECT_EQ(scripted().fileDialogs[0].selectedFilter, QStringLiteral("Wave files (*.wav)"));
        scripted().clear();
        clsWave* wave = lastDocument();
        ASSERT_TRUE(wave && wave->Valid());
        EXPECT_EQ(wave->header().info.IRStart[0], -1);
        EXPECT_EQ(wave->header().info.IRStart[1], -1);
        EXPECT_FLOAT_EQ(wave->header().info.Temperature, 17.5f);
        EXPECT_EQ(wave->Stimulus(), 2);
        EXPECT_EQ(wave->AvgCount(), 3);
        EXPECT_TRUE(wave->NewRecording());
        // An external stimulus counts as unit amplitude: the recording's quarter comes with the response.
        EXPECT_LT(roomError_dB(2, responseOf(*wave), 0.25), -45.0);
        EXPECT_EQ(tempFiles(), filesBefore);
        EXPECT_EQ(Options->DataDir(), QString::fromStdString(test::privateRoot()));
    }
}

TEST_F(Import, ImpulsesAreTakenOnce)
{
    const QString wav = write("impulse.wav", std::vector<double>(4096, 0.01));
    chooseExternal(&frmMeasure::optImpuls, 14);
    w->txtAvg()->setText(QStringLiteral("8"));
    w->cmbFilter()->setCurrentIndex(3);
    scripted().openAnswers.push_back(wav);
    w->cmdImport()->click();
    ASSERT_TRUE(lastDocument());
    EXPECT_EQ(lastDocument()->AvgCount(), 1);
    EXPECT_EQ(lastDocument()->header().info.SourceFilter, SourceFilterMale);
    EXPECT_EQ(lastDocument()->Stimulus(), 4);
}

TEST_F(Import, TwoFilesForTheSwitchedReceiverOrNothing)
{
    const QString wav = write("room.wav", mlsRecording(14));
    chooseExternal(&frmMeasure::optMLS, 14);
    w->cmdType(1)->click();
    const auto filesBefore = tempFiles();
    const struct {
        const char* name;
        std::vector<QString> files;
        std::vector<MsgResult> answers;
        int documents;
    } rows[] = {
        {"first dialog cancelled", {QString()}, {}, 0},
        {"cancelled at the prompt", {wav}, {MsgResult::Cancel}, 0},
        {"second dialog cancelled", {wav, QString()}, {MsgResult::OK}, 0},
        {"second file unreadable", {wav, wav + QStringLiteral(".missing")}, {MsgResult::OK}, 0},
        {"both", {wav, wav}, {MsgResult::OK}, 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        scripted().clear();
        for (const QString& f : row.files)
            scripted().openAnswers.push_back(f);
        for (MsgResult a : row.answers)
            scripted().messageAnswers.push_back(a);
        w->cmdImport()->click();
        EXPECT_EQ(WaveCount(), row.documents);
        EXPECT_EQ(tempFiles(), filesBefore);
        EXPECT_TRUE(w->cmdImport()->isEnabled());
    }
    EXPECT_EQ(lastDocument()->Channels(), 2);
}

} // namespace
