// A measurement made through the library opens as a response document that carries its measurement record.
#include "library/sound/ApiRig.h"

#include "document/Waves.h"
#include "document/clsWave.h"
#include "library/files/TempFiles.h"

#include <QFileInfo>

using namespace vemra;

namespace {
class MeasuredDocument : public sound::test::ApiRig {};
} // namespace

TEST_F(MeasuredDocument, OpensWithItsRecordAndDropsTheTemporaryFile)
{
    sound::VirtualCardConfig config;
    config.response = sound::test::knownRoom();
    install(config);
    std::string file;
    ASSERT_EQ(measure(1, 15, 48000, 2, file), 0);
    ASSERT_TRUE(QFileInfo::exists(QString::fromStdString(file)));

    clsWave* wave = WaveByKey(NewWave(false));
    ASSERT_NE(wave, nullptr);
    wave->setFileName(QString::fromStdString(file));
    ASSERT_TRUE(wave->Valid());
    EXPECT_EQ(wave->FileName(), QStringLiteral("Untitled-") + wave->Key());
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(file))); // an issued temporary name is deleted once loaded
    EXPECT_EQ(wave->Stimulus(), 1);
    EXPECT_EQ(wave->AvgCount(), 2);
    EXPECT_EQ(wave->SampleFrequency(), 48000);
    EXPECT_EQ(wave->SampleCount(), (1 << 15) - 1);
    // No start was stored: the document finds the impulse start itself, at the direct sound.
    EXPECT_EQ(wave->header().info.IRStart[0], -1);
    EXPECT_GE(wave->IRStart(0), 0.0f);
    wave->Die();
}
