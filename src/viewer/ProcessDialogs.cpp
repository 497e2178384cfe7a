#include "viewer/ProcessDialogs.h"

#include "core/Settings.h"
#include "core/VemraError.h"
#include "document/Waves.h"
#include "document/clsWave.h"
#include "library/api.h"
#include "viewer/frmAdrienne.h"
#include "viewer/frmScale.h"
#include "viewer/frmView.h"

#include <QAction>

namespace vemra {

namespace {

constexpr int kScaleModelWindow = 0;
constexpr int kReflectionIndexWindow = 7;

} // namespace

void RegisterProcessDialogs()
{
    static bool registered = false;
    if (registered)
        return;
    registered = true;
    clsWave::setChildWindowFactory([](int which, const QString& key) -> QWidget* {
        if (which == kScaleModelWindow) {
            auto* w = new frmScale;
            w->Key = key;
            return w;
        }
        if (which == kReflectionIndexWindow) {
            auto* w = new frmAdrienne;
            w->Key = key;
            return w;
        }
        return nullptr;
    });
}

void ConnectProcessMenu(frmView& view)
{
    RegisterProcessDialogs();
    const auto connectItem = [&view](const char* name, int which) {
        view.setCommand(QString::fromLatin1(name), [&view, which] {
            if (clsWave* wave = view.WaveFile())
                wave->DisplayChild(which);
        });
    };
    connectItem("mnProcAdrienne", kReflectionIndexWindow);
    connectItem("mnProcScale", kScaleModelWindow);
}

std::string SaveTemporaryCopy(const QString& key)
{
    std::string name;
    GetTempName(name);
    clsWave* wave = WaveByKey(key);
    if (!wave)
        throw VemraError::objectNotSet();
    const bool newRecording = wave->NewRecording();
    wave->SaveAs(QString::fromStdString(name));
    wave->setNewRecording(newRecording);
    return name;
}

void OpenProcessedResult(const std::string& tempName)
{
    if (clsWave* result = WaveByKey(NewWave())) {
        result->setFileName(QString::fromStdString(tempName));
        result->setChanged(true);
        result->setNewRecording(true);
        result->Show();
    }
}

float TextToSingle(const QString& text)
{
    const std::optional<double> value = ParseNumber(text.trimmed());
    if (!value)
        throw VemraError::typeMismatch();
    return float(*value);
}

} // namespace vemra
