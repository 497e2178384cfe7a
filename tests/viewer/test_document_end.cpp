// A document's end gives back what the library made for it: its samples, the processed view its window draws, the
// analyses its table asked for and the waterfall of its waterfall window. A user opens and closes files all day;
// whatever stays behind of each one adds up.
#include "core/Settings.h"
#include "library/AnalysisStore.h"
#include "library/ViewStore.h"
#include "library/WaterfallStore.h"
#include "library/WaveStore.h"
#include "tables/frmTable.h"
#include "viewer/frmWaterProp.h"
#include "viewer/frmWaterfall.h"
#include "viewer_fixture.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QPointer>
#include <QPushButton>
#include <QSet>
#include <QTimer>

#include <array>
#include <cstddef>

using namespace vemra;

namespace {

struct Store {
    const char* name;
    std::size_t (*held)();
};

const std::array<Store, 4> kStores{{
    {"samples", [] { return WaveStore::size(); }},
    {"processed views", [] { return ProcessedViewCount(); }},
    {"channel analyses", [] { return AnalysisStore::size(); }},
    {"waterfalls", [] { return WaterfallStore::size(); }},
}};

std::array<std::size_t, kStores.size()> heldNow()
{
    std::array<std::size_t, kStores.size()> held{};
    for (std::size_t i = 0; i < kStores.size(); ++i)
        held[i] = kStores[i].held();
    return held;
}

template <class Window>
QPointer<Window> newWindow(const QSet<QWidget*>& before)
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* window = qobject_cast<Window*>(w); window && !before.contains(w))
            return window;
    return nullptr;
}

QSet<QWidget*> topLevelWindows()
{
    const auto list = QApplication::topLevelWidgets();
    return QSet<QWidget*>(list.begin(), list.end());
}

class DocumentEnd : public viewertest::ViewerWindow {
protected:
    void SetUp() override
    {
        ViewerWindow::SetUp();
        // Few, small slices: the waterfall only has to exist.
        WriteInteger(QStringLiteral("Waterfall"), QStringLiteral("LogN"), 9);
        WriteInteger(QStringLiteral("Waterfall"), QStringLiteral("Slices"), 10);
        // The analyses of earlier documents are kept until newer ones push them out; none are left here.
        AnalysisStore::clear();
    }
};

TEST_F(DocumentEnd, TheLibraryKeepsNothingOfADocumentThatClosedWithItsTableAndWaterfall)
{
    const auto before = heldNow();
    frmView* window = open(viewertest::written(
        test::ResponseFile("ends.wav").channels(2).rate(48000).frames(24000).sample(viewertest::decayingNoise)));
    ASSERT_NE(window, nullptr);
    const QPointer<clsWave> wave = window->WaveFile();
    ASSERT_TRUE(wave && wave->Valid());

    QSet<QWidget*> shown = topLevelWindows();
    window->menuItem(QStringLiteral("mnParIso"))->trigger();
    const QPointer<frmTable> table = newWindow<frmTable>(shown);
    ASSERT_TRUE(table);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !table || (!table->busy() && table->runsCompleted() >= 1); }, 20000));

    shown = topLevelWindows();
    window->menuItem(QStringLiteral("mnViewWaterfall"))->trigger();
    const QPointer<frmWaterfall> waterfall = newWindow<frmWaterfall>(shown);
    ASSERT_TRUE(waterfall);
    // The first tick asks for the properties in a dialog with a loop of its own: OK, from a timer within it.
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (frmWaterProp* dialog = waterfall ? waterfall->propertiesDialog() : nullptr; dialog && dialog->isVisible())
            dialog->cmdOK->click();
    });
    answer.start(5);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !waterfall || (waterfall->slicesValid() && !waterfall->Busy()); },
                                20000));
    answer.stop();
    ASSERT_TRUE(table && waterfall);

    const auto inUse = heldNow();
    for (std::size_t i = 0; i < kStores.size(); ++i) {
        SCOPED_TRACE(kStores[i].name);
        EXPECT_GT(inUse[i], before[i]); // the document did use the store
    }

    wave->Die();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !table && !waterfall && !wave; }, 10000));
    const auto after = heldNow();
    for (std::size_t i = 0; i < kStores.size(); ++i) {
        SCOPED_TRACE(kStores[i].name);
        EXPECT_EQ(after[i], before[i]);
    }
}

} // namespace
