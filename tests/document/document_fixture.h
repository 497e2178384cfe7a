#pragma once
// Shared pieces of the document tests: response files written in the test's private folder, headless documents
// loaded from them, and a fixture that lets every document die after each test.
#include "core/UiServices.h"
#include "document/Waves.h"
#include "document/clsWave.h"
#include "library/files/ResponseFile.h"
#include "support/ResponseGenerator.h"
#include "support/private_dirs.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace vemra::test {

using HeaderPreparation = std::function<void(WaveHeader&)>;

// Writes interleaved 16-bit frames as a response file with no stored start; `prepare` fills the header's
// information first. Returns the path.
inline std::string writeResponseFile(const std::string& name, int channels, std::int32_t fs,
                                     const std::vector<std::int16_t>& interleaved,
                                     const HeaderPreparation& prepare = {})
{
    WaveHeader h;
    h.info.IRStart[0] = h.info.IRStart[1] = -1;
    if (prepare)
        prepare(h);
    files::setPcm16Format(h, channels, fs, static_cast<std::int64_t>(interleaved.size()) / channels);
    const std::string path = privateRoot() + "/" + name;
    EXPECT_EQ(files::writeResponseWav(path, h, interleaved), 0);
    return path;
}

// A headless document holding the file.
inline clsWave* openDocument(const std::string& path)
{
    clsWave* w = WaveByKey(NewWave(false));
    w->setFileName(QString::fromStdString(path));
    EXPECT_TRUE(w->Valid());
    return w;
}

// A loaded document of one or two channels given as fractions of full scale.
inline clsWave* loadedDocument(const std::string& name, std::int32_t fs,
                               const std::vector<std::vector<float>>& channels, const HeaderPreparation& prepare = {})
{
    const std::size_t n = channels.front().size();
    std::vector<std::int16_t> interleaved(n * channels.size());
    for (std::size_t c = 0; c < channels.size(); ++c) {
        const auto pcm = testsupport::toPcm16(channels[c]);
        for (std::size_t i = 0; i < n; ++i)
            interleaved[i * channels.size() + c] = pcm[i];
    }
    return openDocument(writeResponseFile(name, static_cast<int>(channels.size()), fs, interleaved, prepare));
}

inline ScriptedUiServices& scriptedUi() { return static_cast<ScriptedUiServices&>(UiServices::get()); }

// Clears the scripted prompts before each test and lets every document die after it.
class DocumentTest : public ::testing::Test {
protected:
    void SetUp() override { scriptedUi().clear(); }
    void TearDown() override
    {
        for (clsWave* w : WavesSnapshot())
            w->Die();
    }
};

} // namespace vemra::test
