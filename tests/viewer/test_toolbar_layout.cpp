// The document window's toolbar: its layout as stored text, stored on the first run and restored by key in every
// new window, customised through its dialog (every change stored at once), and an icon on every button.
#include "core/Settings.h"
#include "viewer/ToolbarLayout.h"
#include "viewer/frmCustomizeToolbar.h"
#include "viewer_fixture.h"

#include <QListWidget>
#include <QPushButton>
#include <QToolBar>

using namespace vemra;

namespace {

QStringList split(const char* text) { return QString::fromLatin1(text).split(',', Qt::SkipEmptyParts); }

// Waits until the window has restored its stored layout (shortly after it loaded).
bool toolbarLoaded(const frmView& w)
{
    for (int i = 0; i < 200 && !w.toolbarCustomisable(); ++i)
        QTest::qWait(10);
    return w.toolbarCustomisable();
}

// The keys on the toolbar as the user sees them, "|" for a separator.
QStringList shown(const frmView& w)
{
    QStringList keys;
    for (const QAction* a : w.toolbar()->actions())
        keys.append(a->isSeparator() ? QStringLiteral("|") : a->data().toString());
    return keys;
}

QString stored() { return GetSetting(QStringLiteral("General"), QStringLiteral("Toolbar1")); }

// Selects the row of `key` (or the separator "|", its first occurrence) in a list of the dialog.
void select(QListWidget* list, const QString& key)
{
    for (int row = 0; row < list->count(); ++row)
        if (list->item(row)->data(Qt::UserRole).toString() == key) {
            list->setCurrentRow(row);
            return;
        }
    ADD_FAILURE() << "no row " << key.toStdString();
}

class ToolbarLayout : public viewertest::ViewerWindow {};

const char* const kInitial = "New,Open,Save,Print,Close,|,Pressure,Reflect,Decay,Schroeder,Octave,Terts,Fftlin,"
                             "Fftlog,|,Waterfall,Graph,|,FilterDown,Filter,FilterUp,|,ZoomIn,ZoomOut,ZoomFull,"
                             "Autoscale,|,Measure,Play,Stop";

} // namespace

TEST(ToolbarLayoutText, ReadsKeysInOrderAndDropsWhatItDoesNotKnow)
{
    const QStringList known = split(kInitial).filter(QRegularExpression("^[^|]"));
    struct Case {
        const char* text;
        const char* layout;
    };
    const Case cases[] = {
        {"New,Open,|,Pressure", "New,Open,|,Pressure"},
        {" New , Open ,| , Stop", "New,Open,|,Stop"},
        {"new,OPEN,Open", "Open"},                   // keys with their case
        {"New,Bogus,|,|,Open,|", "New,|,Open"},      // unknown keys, repeated and trailing separators
        {"|,Stop,Play", "Stop,Play"},                // a leading separator
        {"Play,Stop,Play", "Play,Stop"},             // a key once
        {"", ""},                                    // every button removed: an empty toolbar
        {" | , |", ""},
        {"Bogus,|", nullptr},                        // nothing known: the caller keeps its layout
        {"Bogus,Open", "Open"},
        {kInitial, kInitial},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const std::optional<QStringList> layout = ParseToolbarLayout(QString::fromLatin1(c.text), known);
        ASSERT_EQ(layout.has_value(), c.layout != nullptr);
        if (layout) {
            EXPECT_EQ(*layout, split(c.layout));
        }
    }
    EXPECT_EQ(ToolbarLayoutText(split(kInitial)), QString::fromLatin1(kInitial));
}

TEST_F(ToolbarLayout, TheFirstWindowStoresTheInitialLayoutAndNewWindowsRestoreTheStoredOneByKey)
{
    frmView* first = open(QString());
    ASSERT_TRUE(toolbarLoaded(*first));
    EXPECT_EQ(GetSetting("General", "ToolbarFlag"), "1");
    EXPECT_EQ(stored(), kInitial);
    EXPECT_EQ(shown(*first), split(kInitial));

    // A layout stored by a later version, with a key this one does not know.
    SaveSetting("General", "Toolbar1", "Stop,Play,|,Hologram,Pressure,Fftlog");
    frmView* second = open(QString());
    ASSERT_TRUE(toolbarLoaded(*second));
    EXPECT_EQ(shown(*second), split("Stop,Play,|,Pressure,Fftlog"));
    EXPECT_EQ(second->toolbarLayout(), shown(*second));
    EXPECT_EQ(stored(), "Stop,Play,|,Hologram,Pressure,Fftlog") << "a restore is not written back";
    EXPECT_EQ(shown(*first), split(kInitial)) << "an open window keeps its layout";

    SaveSetting("General", "Toolbar1", "Hologram");
    frmView* third = open(QString());
    ASSERT_TRUE(toolbarLoaded(*third));
    EXPECT_EQ(shown(*third), split(kInitial)) << "a layout without a known key leaves the initial one";

    DeleteSetting("General", "Toolbar1");
    frmView* fourth = open(QString());
    ASSERT_TRUE(toolbarLoaded(*fourth));
    EXPECT_EQ(shown(*fourth), split(kInitial)) << "a missing layout leaves the initial one";
}

TEST_F(ToolbarLayout, AToolbarEmptiedInTheDialogComesBackEmptyAndStaysReachable)
{
    frmView* w = open(QString());
    ASSERT_TRUE(toolbarLoaded(*w));
    frmCustomizeToolbar* dialog = w->CustomizeToolbar();
    ASSERT_NE(dialog, nullptr);
    auto* current = dialog->findChild<QListWidget*>("lstCurrent");
    auto* remove = dialog->findChild<QPushButton*>("cmdRemove");
    while (current->count() > 0) {
        current->setCurrentRow(0);
        remove->click();
    }
    dialog->findChild<QPushButton*>("cmdClose")->click();
    EXPECT_EQ(shown(*w), QStringList());
    EXPECT_EQ(stored(), QString());

    frmView* next = open(QString());
    ASSERT_TRUE(toolbarLoaded(*next));
    EXPECT_EQ(shown(*next), QStringList());
    // The right-click that brings the buttons back needs a toolbar to click on, as tall as its buttons were.
    QCoreApplication::processEvents();
    for (const frmView* window : {w, next})
        EXPECT_GE(window->toolbar()->height(), window->toolbar()->iconSize().height());
}

TEST_F(ToolbarLayout, NothingIsStoredBeforeTheWindowHasRestoredItsLayout)
{
    frmView unloaded(QString{});
    EXPECT_FALSE(unloaded.toolbarCustomisable());
    EXPECT_EQ(unloaded.CustomizeToolbar(), nullptr);
    unloaded.setToolbarLayout(split("Stop"));
    EXPECT_FALSE(HasSetting("General", "Toolbar1"));
    EXPECT_FALSE(HasSetting("General", "ToolbarFlag"));
}

TEST_F(ToolbarLayout, ACustomisedLayoutIsStoredAtOnceAndEveryNewWindowShowsIt)
{
    frmView* w = open(viewertest::writeRamp("custom.wav", 4800, 48000));
    ASSERT_TRUE(toolbarLoaded(*w));
    frmCustomizeToolbar* dialog = w->CustomizeToolbar();
    ASSERT_NE(dialog, nullptr);
    auto* current = dialog->findChild<QListWidget*>("lstCurrent");
    auto* available = dialog->findChild<QListWidget*>("lstAvailable");
    const auto press = [&](const char* name) { dialog->findChild<QPushButton*>(name)->click(); };

    // Save one place later, Measure off the toolbar, a separator before Stop, the first separator gone.
    select(current, "Save");
    press("cmdDown");
    select(current, "Measure");
    press("cmdRemove");
    select(current, "Stop");
    select(available, "|");
    press("cmdAdd");
    select(current, "|");
    press("cmdRemove");
    const QStringList expected = split("New,Open,Print,Save,Close,Pressure,Reflect,Decay,Schroeder,Octave,Terts,"
                                       "Fftlin,Fftlog,|,Waterfall,Graph,|,FilterDown,Filter,FilterUp,|,ZoomIn,"
                                       "ZoomOut,ZoomFull,Autoscale,|,Play,|,Stop");
    EXPECT_EQ(shown(*w), expected);
    EXPECT_EQ(stored(), ToolbarLayoutText(expected));
    EXPECT_TRUE(available->findItems("Measure", Qt::MatchExactly).size() == 1) << "offered again";

    // Buttons are found by key wherever they stand: the view group follows the view, Measure's command stays.
    w->menuItem("mnViewItem(2)")->trigger();
    EXPECT_TRUE(w->button("Decay")->isChecked());
    EXPECT_TRUE(w->menuItem("mnFileMeasure")->isEnabled());

    frmView* next = open(QString());
    ASSERT_TRUE(toolbarLoaded(*next));
    EXPECT_EQ(shown(*next), expected);

    press("cmdReset");
    EXPECT_EQ(shown(*w), split(kInitial));
    EXPECT_EQ(stored(), kInitial);
    press("cmdClose");
}

TEST_F(ToolbarLayout, EveryButtonHasAnIconThatDrawsAtAnyScale)
{
    frmView* w = open(QString());
    for (const QString& key : split(kInitial)) {
        if (key == "|")
            continue;
        SCOPED_TRACE(key.toStdString());
        const QIcon icon = w->button(key)->icon();
        ASSERT_FALSE(icon.isNull());
        for (int size : {16, 32, 48}) {
            const QImage image = icon.pixmap(size, size).toImage();
            int drawn = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    drawn += qAlpha(image.pixel(x, y)) > 128;
            EXPECT_GT(drawn, size * size / 10) << "at " << size << " pixels";
        }
    }
}
