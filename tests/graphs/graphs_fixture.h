#pragma once
// Shared by the parameter graph tests: response files with a known reverberation time, and a fixture that gives
// every test scripted prompts, a fresh "Graph" settings section, and lets windows and documents go afterwards.
#include "core/Settings.h"
#include "core/UiServices.h"
#include "document/Waves.h"
#include "document/clsWave.h"
#include "document/document_fixture.h"
#include "graphs/frmParameters.h"
#include "support/ResponseFile.h"
#include "support/ResponseGenerator.h"
#include "support/private_dirs.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QPointer>
#include <QTimer>

#include <functional>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace graphstest {

using namespace vemra;

inline ScriptedUiServices& scripted() { return static_cast<ScriptedUiServices&>(UiServices::get()); }

// A noisy exponential decay of reverberation time T (3 s long, 60 dB above the noise) as a response file of one
// or two channels (the second at half the amplitude, so the same decay), with a receiver code. Returns the path.
inline QString writeDecay(const std::string& name, double T_s, int channels = 1, std::int32_t fs = 48000,
                          std::int16_t receiver = 0, double length_s = 3.0)
{
    const auto pcm = testsupport::toPcm16(testsupport::exponentialDecay(T_s, fs, length_s, 20000, 60, 480));
    return QString::fromStdString(test::ResponseFile(name)
                                      .channels(channels)
                                      .rate(fs)
                                      .frames(std::int64_t(pcm.size()))
                                      .sample([&pcm](std::int64_t i, int c) { return c ? pcm[i] / 2 : pcm[i]; })
                                      .receiver(receiver)
                                      .write());
}

// While it lives, answers the modal dialogs that open: each one in turn is handed to the next handler given, and
// any dialog beyond them is rejected (and counted), so a test never hangs on a dialog it did not expect.
class ModalDialogs {
public:
    explicit ModalDialogs(std::vector<std::function<void(QDialog*)>> handlers = {}) : handlers_(std::move(handlers))
    {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog || dialog == last_)
                return;
            last_ = dialog;
            if (next_ < handlers_.size()) {
                handlers_[next_++](dialog);
            } else {
                ++unexpected;
                dialog->reject();
            }
        });
        timer_.start();
    }
    int handled() const { return int(next_); }
    int unexpected = 0;

private:
    std::vector<std::function<void(QDialog*)>> handlers_;
    std::size_t next_ = 0;
    QPointer<QDialog> last_;
    QTimer timer_;
};

class GraphTest : public testing::Test {
protected:
    void SetUp() override
    {
        scripted().clear();
        DeleteSetting(QStringLiteral("Graph"));
    }
    void TearDown() override
    {
        // Deleting a window deletes its dialogs, which are top-level widgets too: hold them weakly.
        std::vector<QPointer<frmParameters>> windows;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* p = qobject_cast<frmParameters*>(w))
                windows.emplace_back(p);
        for (const QPointer<frmParameters>& w : windows)
            delete w.data();
        for (clsWave* w : WavesSnapshot())
            w->Die();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // A new window that is not shown (no activation runs), with the files added.
    frmParameters* window(const QStringList& files = {})
    {
        auto* w = new frmParameters;
        for (const QString& f : files)
            w->Add(f);
        return w;
    }
};

} // namespace graphstest

// Texts in failure messages as text, not as bytes.
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }
