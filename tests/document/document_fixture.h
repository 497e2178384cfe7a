#pragma once
// Shared pieces of the document tests: headless documents loaded from response files (test::ResponseFile writes
// them), and a fixture that lets every document die after each test.
#include "core/UiServices.h"
#include "document/Waves.h"
#include "document/clsWave.h"
#include "support/ResponseFile.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace vemra::test {

using HeaderPreparation = std::function<void(WaveHeader&)>;

// A headless document holding the file.
inline clsWave* openDocument(const std::string& path)
{
    clsWave* w = WaveByKey(NewWave(false));
    w->setFileName(QString::fromStdString(path));
    EXPECT_TRUE(w->Valid());
    return w;
}

// A loaded document of one or two channels in 16-bit units (as the response generator makes them).
inline clsWave* loadedDocument(const std::string& name, std::int32_t fs,
                               const std::vector<std::vector<float>>& channels, const HeaderPreparation& prepare = {})
{
    return openDocument(ResponseFile(name).rate(fs).perChannel(channels).header(prepare).write());
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
