#include "graphs_fixture.h"

#include "graphs/frmFileSelect.h"
#include "graphs/frmParamProp.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace vemra;
using namespace graphstest;

namespace {

template <class T>
T* child(QWidget* w, const char* name)
{
    T* c = w->findChild<T*>(QString::fromLatin1(name));
    EXPECT_TRUE(c) << name;
    return c;
}

class Properties : public GraphTest {
protected:
    void SetUp() override
    {
        GraphTest::SetUp();
        w = window({writeDecay("omni.wav", 0.6, 1, 48000, 0, 0.5)});
        w->setCurrentParam(3);
    }
    // The dialog, shown without blocking.
    std::unique_ptr<frmParamProp> open()
    {
        auto d = std::make_unique<frmParamProp>(w);
        d->ParentForm = w;
        d->show();
        return d;
    }
    void store(int parameter, const char* setup)
    {
        SaveSetting(QStringLiteral("Graph"), QStringLiteral("P%1").arg(parameter), QString::fromLatin1(setup));
    }
    frmParameters* w = nullptr;
};

} // namespace

TEST_F(Properties, OpensWithTheWindowsStateAndTheOfferedParameters)
{
    w->setMinFreqBand(2);
    w->setMaxFreqBand(9);
    w->setAutoMin(false);
    w->setMinValueY(0.5f);
    w->setGrid(false);
    w->setOctaves(false);
    w->setStatistics(1);
    auto d = open();
    auto* list = child<QListWidget>(d.get(), "lstParams");
    ASSERT_EQ(list->count(), 12); // an omni response offers EDT .. ST total
    EXPECT_EQ(list->currentItem()->text(), "Reverberation time (T30)");
    EXPECT_EQ(child<QComboBox>(d.get(), "cmbMinX")->currentText(), "63");
    EXPECT_EQ(child<QComboBox>(d.get(), "cmbMaxX")->currentText(), "8000");
    EXPECT_FALSE(child<QCheckBox>(d.get(), "chkAutoMinY")->isChecked());
    EXPECT_TRUE(child<QLineEdit>(d.get(), "txtMinY")->isEnabled());
    EXPECT_EQ(child<QLineEdit>(d.get(), "txtMinY")->text(), "0.5");
    EXPECT_FALSE(child<QLineEdit>(d.get(), "txtMaxY")->isEnabled());
    EXPECT_FALSE(child<QCheckBox>(d.get(), "chkGrid")->isChecked());
    EXPECT_TRUE(child<QRadioButton>(d.get(), "optThirdOctave")->isChecked());
    // One file: the statistics choice shows but cannot be changed.
    EXPECT_TRUE(child<QCheckBox>(d.get(), "chkMinMax")->isChecked());
    EXPECT_FALSE(child<QCheckBox>(d.get(), "chkMinMax")->isEnabled());
}

TEST_F(Properties, AStoredSetupReplacesWhatItHolds)
{
    struct Case {
        const char* setup;
        const char* minX;
        const char* maxX;
        bool autoMin, autoMax;
        const char* minText;
        const char* maxText;
        bool octaves;
    };
    // The window's state shows 125 Hz .. 4 kHz, both ends automatic, "0", full octaves.
    const Case cases[] = {
        {"2;1;0;1;0.5;2;True", "125", "2000", false, true, "0.5", "2", true},
        {"0;4", "31.5", "16000", true, true, "0", "0", true},              // fewer fields
        {"9;x;maybe;0;;;False", "125", "4000", true, false, "0", "0", false}, // bad and empty fields are skipped
        {"1.6;-1;1;1;a;b;0", "125", "4000", true, true, "a", "b", false},   // positions are rounded, then checked
        {"", "125", "4000", true, true, "0", "0", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.setup);
        store(3, c.setup);
        auto d = open();
        EXPECT_EQ(child<QComboBox>(d.get(), "cmbMinX")->currentText(), c.minX);
        EXPECT_EQ(child<QComboBox>(d.get(), "cmbMaxX")->currentText(), c.maxX);
        EXPECT_EQ(child<QCheckBox>(d.get(), "chkAutoMinY")->isChecked(), c.autoMin);
        EXPECT_EQ(child<QLineEdit>(d.get(), "txtMinY")->isEnabled(), !c.autoMin);
        EXPECT_EQ(child<QCheckBox>(d.get(), "chkAutoMaxY")->isChecked(), c.autoMax);
        EXPECT_EQ(child<QLineEdit>(d.get(), "txtMinY")->text(), c.minText);
        EXPECT_EQ(child<QLineEdit>(d.get(), "txtMaxY")->text(), c.maxText);
        EXPECT_EQ(child<QRadioButton>(d.get(), "optFullOctave")->isChecked(), c.octaves);
    }
}

TEST_F(Properties, SelectingAParameterLoadsItsSetup)
{
    store(0, "4;4;1;1;;;False");
    auto d = open();
    auto* list = child<QListWidget>(d.get(), "lstParams");
    list->setCurrentRow(0); // EDT
    EXPECT_EQ(child<QComboBox>(d.get(), "cmbMinX")->currentText(), "500");
    EXPECT_TRUE(child<QRadioButton>(d.get(), "optThirdOctave")->isChecked());
    list->setCurrentRow(1); // T10 has none: the controls stay
    EXPECT_EQ(child<QComboBox>(d.get(), "cmbMinX")->currentText(), "500");
}

TEST_F(Properties, OkChecksBeforeItAppliesAnything)
{
    auto d = open();
    child<QCheckBox>(d.get(), "chkAutoMinY")->setChecked(false);
    child<QLineEdit>(d.get(), "txtMinY")->setText(QStringLiteral("abc"));
    child<QCheckBox>(d.get(), "chkGrid")->setChecked(false);
    child<QPushButton>(d.get(), "cmdOK")->click();
    EXPECT_EQ(scripted().messages.size(), 1u);
    EXPECT_TRUE(d->isVisible());
    EXPECT_TRUE(GetSetting(QStringLiteral("Graph"), QStringLiteral("P3")).isEmpty()) << "nothing stored";
    EXPECT_TRUE(w->Grid()) << "nothing applied";
    EXPECT_TRUE(w->AutoMin());
    EXPECT_TRUE(w->Cancel());

    child<QLineEdit>(d.get(), "txtMinY")->setText(QStringLiteral("0.25"));
    child<QComboBox>(d.get(), "cmbMaxX")->setCurrentIndex(4);
    child<QRadioButton>(d.get(), "optThirdOctave")->setChecked(true);
    child<QCheckBox>(d.get(), "chkMinMax")->setChecked(true);
    child<QPushButton>(d.get(), "cmdOK")->click();
    EXPECT_EQ(d->result(), QDialog::Accepted);
    EXPECT_EQ(GetSetting(QStringLiteral("Graph"), QStringLiteral("P3")), "2;4;0;1;0.25;0;False");
    EXPECT_FALSE(w->AutoMin());
    EXPECT_FLOAT_EQ(w->MinValueY(), 0.25f);
    EXPECT_EQ(w->MaxFreqBand(), 10);
    EXPECT_FALSE(w->Grid());
    EXPECT_FALSE(w->Octaves());
    EXPECT_EQ(w->Statistics(), 1);
    EXPECT_FALSE(w->Cancel());
}

TEST_F(Properties, OkStoresUnderTheSelectedParameterOnly)
{
    auto d = open();
    child<QListWidget>(d.get(), "lstParams")->setCurrentRow(7); // C80
    child<QPushButton>(d.get(), "cmdOK")->click();
    EXPECT_EQ(w->CurrentParam(), 7);
    EXPECT_FALSE(GetSetting(QStringLiteral("Graph"), QStringLiteral("P7")).isEmpty());
    EXPECT_TRUE(GetSetting(QStringLiteral("Graph"), QStringLiteral("P3")).isEmpty());
}

TEST_F(Properties, CancelAndTheCloseBoxChangeNothing)
{
    w->setCancel(false);
    auto d = open();
    child<QCheckBox>(d.get(), "chkGrid")->setChecked(false);
    d->close(); // the close box: not even the window's Cancel
    EXPECT_FALSE(w->Cancel());
    EXPECT_TRUE(w->Grid());

    auto again = open();
    child<QCheckBox>(again.get(), "chkGrid")->setChecked(false);
    QTest::keyClick(again.get(), Qt::Key_Escape);
    EXPECT_TRUE(w->Cancel());
    EXPECT_TRUE(w->Grid());
    EXPECT_TRUE(SettingKeys(QStringLiteral("Graph")).isEmpty());
}

TEST_F(Properties, NoParameterToOfferLeavesOnlyCancel)
{
    w->Add(writeDecay("ri.wav", 0.6, 1, 48000, 6, 0.5)); // a reflection-index result beside a measurement
    auto d = open();
    EXPECT_EQ(child<QListWidget>(d.get(), "lstParams")->count(), 0);
    EXPECT_FALSE(child<QPushButton>(d.get(), "cmdOK")->isEnabled());
    EXPECT_TRUE(child<QPushButton>(d.get(), "cmdCancel")->isEnabled());
    EXPECT_TRUE(scripted().messages.empty());
    d->GraphScale_OK();
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(w->CurrentParam(), 3);
}

TEST_F(Properties, StatisticsChoicesExcludeEachOther)
{
    w->Add(writeDecay("second.wav", 0.7, 1, 48000, 0, 0.5));
    auto d = open();
    auto* minMax = child<QCheckBox>(d.get(), "chkMinMax");
    auto* dev = child<QCheckBox>(d.get(), "chkStdDev");
    EXPECT_TRUE(minMax->isEnabled());
    dev->click();
    minMax->click();
    EXPECT_TRUE(minMax->isChecked());
    EXPECT_FALSE(dev->isChecked());
    dev->click();
    EXPECT_FALSE(minMax->isChecked());
    dev->click();
    EXPECT_FALSE(dev->isChecked());
    EXPECT_FALSE(minMax->isChecked());
}

namespace {

class FileSelect : public GraphTest {
protected:
    std::unique_ptr<frmFileSelect> open(frmParameters* w)
    {
        auto d = std::make_unique<frmFileSelect>(w);
        d->ParentForm = w;
        d->show();
        return d;
    }
    static QStringList entries(frmFileSelect* d)
    {
        QStringList all;
        auto* list = d->findChild<QListWidget*>(QStringLiteral("lstFiles"));
        for (int i = 0; i < list->count(); ++i)
            all << list->item(i)->text();
        return all;
    }
};

} // namespace

TEST_F(FileSelect, ListsTheWindowsFilesAndEditsItsOwnList)
{
    const QString a = writeDecay("a.wav", 0.5, 1, 48000, 0, 0.5);
    const QString b = writeDecay("b.wav", 0.6, 1, 48000, 0, 0.5);
    const QString c = writeDecay("c.wav", 0.7, 1, 48000, 0, 0.5);
    frmParameters* w = window({a, b});
    auto d = open(w);
    auto* list = child<QListWidget>(d.get(), "lstFiles");
    EXPECT_EQ(entries(d.get()), (QStringList{a, b}));
    EXPECT_EQ(list->selectedItems().size(), 2);
    EXPECT_FALSE(child<QPushButton>(d.get(), "cmdRemove")->isEnabled());
    EXPECT_FALSE(child<QPushButton>(d.get(), "cmdOK")->isEnabled());

    // Several files at once; one already listed is not added twice, the same path in other letters is.
    scripted().openAnswers.push_back(c + QLatin1Char('\n') + a + QLatin1Char('\n') + b.toUpper());
    child<QPushButton>(d.get(), "cmdAdd")->click();
    ASSERT_EQ(scripted().fileDialogs.size(), 1u);
    EXPECT_TRUE(scripted().fileDialogs[0].multiple);
    EXPECT_EQ(entries(d.get()), (QStringList{a, b, c, b.toUpper()}));
    EXPECT_FALSE(list->item(2)->isSelected());
    EXPECT_TRUE(child<QPushButton>(d.get(), "cmdOK")->isEnabled());

    // Remove takes every selected entry.
    list->clearSelection();
    list->item(0)->setSelected(true);
    list->item(3)->setSelected(true);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier,
                      list->visualItemRect(list->item(3)).center());
    EXPECT_TRUE(child<QPushButton>(d.get(), "cmdRemove")->isEnabled());
    list->item(3)->setSelected(true);
    child<QPushButton>(d.get(), "cmdRemove")->click();
    EXPECT_EQ(entries(d.get()), (QStringList{b, c}));
    EXPECT_FALSE(child<QPushButton>(d.get(), "cmdRemove")->isEnabled());

    // Nothing reached the window yet; Process replaces its set in list order.
    EXPECT_EQ(w->FileCount(), 2);
    child<QPushButton>(d.get(), "cmdOK")->click();
    EXPECT_EQ(d->result(), QDialog::Accepted);
    ASSERT_EQ(w->FileCount(), 2);
    EXPECT_EQ(w->FileName(0), b);
    EXPECT_EQ(w->FileName(1), c);
}

TEST_F(FileSelect, ACancelledAddStillEnablesProcessAndCancelChangesNothing)
{
    const QString a = writeDecay("a.wav", 0.5, 1, 48000, 0, 0.5);
    frmParameters* w = window({a});
    auto d = open(w);
    child<QPushButton>(d.get(), "cmdAdd")->click(); // the scripted dialog is cancelled
    EXPECT_TRUE(child<QPushButton>(d.get(), "cmdOK")->isEnabled());
    child<QPushButton>(d.get(), "cmdCancel")->click();
    EXPECT_EQ(d->result(), QDialog::Rejected);
    EXPECT_EQ(w->FileCount(), 1);
}

TEST_F(FileSelect, ProcessGoesOnPastAFileThatCannotBeLoaded)
{
    const QString a = writeDecay("a.wav", 0.5, 1, 48000, 0, 0.5);
    const QString b = writeDecay("b.wav", 0.6, 1, 48000, 0, 0.5);
    frmParameters* w = window();
    auto d = open(w);
    scripted().openAnswers.push_back(a + QStringLiteral("\n/no/such/file.wav\n") + b);
    child<QPushButton>(d.get(), "cmdAdd")->click();
    child<QPushButton>(d.get(), "cmdOK")->click();
    EXPECT_EQ(w->FileCount(), 2);
    EXPECT_EQ(w->FileName(1), b);
    EXPECT_EQ(scripted().messages.size(), 1u);
}
