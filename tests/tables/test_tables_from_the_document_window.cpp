// The tables as a user opens them: from the Parameters menu of a document window (and the toolbar key "Iso3382"),
// on the bundled example and on a stereo response, each filled with the document's own values.
#include "tables_fixture.h"

#include "viewer/frmView.h"

#include <QSet>
#include <QWidget>

#include <functional>

using namespace tabletest;
using tables::FormatPattern;

namespace {

// A command, the table it opens and one row of that table checked against the document.
struct Item {
    const char* command;
    const char* table;
    const char* cells;
    int firstBand;
    std::function<double(clsWave&, int band)> value;
    const char* pattern;
};

const Item kItems[] = {
    {"mnParIso", "vemra::frmTableISO", "lblEDT", 2, [](clsWave& w, int b) { return w.EDT(0, b); }, "0.00"},
    {"mnParRev", "vemra::frmTableRev", "lblT20", 1, [](clsWave& w, int b) { return w.RT20time(0, b); }, "0.000"},
    {"mnParSpa", "vemra::frmTableSpace", "lblLF", 2, [](clsWave& w, int b) { return w.LF(b); }, "0.00"},
    {"mnParEne", "vemra::frmTableRatio", "lblC80", 2, [](clsWave& w, int b) { return w.C80(0, b); }, "0.00"},
    {"mnParLev", "vemra::frmTableLevel", "lblG", 2, [](clsWave& w, int b) { return w.G(0, b); }, "0.00"},
    {"mnParSpe", "vemra::frmTableSpeech", "lblD50", 3, [](clsWave& w, int b) { return w.D50(0, b); }, "0.00"},
    {"mnParSta", "vemra::frmTableStage", "lblSTearly", 2, [](clsWave& w, int b) { return w.STearly(0, b); }, "0.00"},
};

class TablesFromTheDocumentWindow : public TableTest {
protected:
    void SetUp() override
    {
        TableTest::SetUp();
        InstallDocumentWindows();
    }
    void TearDown() override
    {
        TableTest::TearDown();
        clsWave::setViewerFactory({});
    }

    static frmView* show(const QString& path)
    {
        clsWave* wave = WaveByKey(NewWave());
        wave->setFileName(path);
        wave->Show();
        return qobject_cast<frmView*>(wave->viewer()->widget());
    }
    // The table window that appeared since `before`.
    static frmTable* newTable(const QSet<QWidget*>& before)
    {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (!before.contains(w))
                if (auto* t = qobject_cast<frmTable*>(w))
                    return t;
        return nullptr;
    }
    static QSet<QWidget*> windows()
    {
        const auto list = QApplication::topLevelWidgets();
        return QSet<QWidget*>(list.begin(), list.end());
    }

    void checkEveryItem(frmView& view)
    {
        clsWave& wave = *view.WaveFile();
        for (const Item& item : kItems) {
            SCOPED_TRACE(item.command);
            QAction* a = view.menuItem(item.command);
            if (item.table == QLatin1String("vemra::frmTableSpace") && !a->isEnabled())
                continue; // no spatial parameters for single and dual omni responses
            ASSERT_TRUE(a->isEnabled());
            const QSet<QWidget*> before = windows();
            a->trigger();
            frmTable* t = newTable(before);
            ASSERT_NE(t, nullptr);
            EXPECT_EQ(QLatin1String(t->metaObject()->className()), QLatin1String(item.table));
            ASSERT_TRUE(finish(t));
            EXPECT_TRUE(t->windowTitle().endsWith(wave.FileName()));
            for (int k = 0; k <= t->columns().last; ++k) {
                SCOPED_TRACE(k);
                EXPECT_EQ(cell(*t, QStringLiteral("%1(%2)").arg(QLatin1String(item.cells)).arg(k)),
                          FormatPattern(item.value(wave, item.firstBand + k), QString::fromLatin1(item.pattern)));
            }
            t->close();
        }
        // The toolbar's key "Iso3382" is Parameters > ISO 3382.
        const QSet<QWidget*> before = windows();
        view.toolbarButtonClick(QStringLiteral("Iso3382"));
        frmTable* iso = newTable(before);
        ASSERT_NE(iso, nullptr);
        EXPECT_EQ(QLatin1String(iso->metaObject()->className()), QLatin1String("vemra::frmTableISO"));
        EXPECT_TRUE(scripted().messages.empty());
    }
};

TEST_F(TablesFromTheDocumentWindow, BundledExample)
{
    frmView* view = show(QStringLiteral(VEMRA_EXAMPLES_DIR "/example-room.wav"));
    ASSERT_NE(view, nullptr);
    ASSERT_TRUE(view->WaveFile()->Valid());
    checkEveryItem(*view);
}

TEST_F(TablesFromTheDocumentWindow, StereoResponseWithALateralChannel)
{
    Response r;
    r.receiver = ReceiverOmniFig8;
    r.calibrated = true;
    frmView* view = show(writeResponse("lateral.wav", r));
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(view->menuItem("mnParSpa")->isEnabled());
    checkEveryItem(*view);
}

} // namespace
