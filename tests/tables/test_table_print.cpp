// The printed page, printed into a PDF file and read back with pdftotext: title, heading line, rows and "--" in
// the columns without a value, and a page turned to landscape when the table is wider than portrait.
#include "tables_fixture.h"

#include "core/MessageTexts.h"
#include "core/Print.h"
#include "library/Messages.h"
#include "tables/frmTableMTF.h"
#include "tables/frmTableSpeech.h"
#include "viewer/frmView.h"

#include <QFile>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QRegularExpression>

using namespace tabletest;
using tables::FormatPattern;

namespace {

class TablePrint : public TableTest {
protected:
    void TearDown() override
    {
        TableTest::TearDown();
        clsWave::setViewerFactory({});
        forgetPrinter();
    }

    static QString pdfPath(const QString& name)
    {
        return QString::fromStdString(test::privateRoot()) + "/" + name + ".pdf";
    }
    // The program's printer as it is before the user has chosen one (on this machine: none).
    static void forgetPrinter()
    {
        CurrentPrinter().setOutputFileName(QString());
        CurrentPrinter().setPageOrientation(QPageLayout::Portrait);
    }
    // Prints the table into a PDF file on A4 and returns the file's name.
    static QString printToPdf(frmTable& t, const QString& name)
    {
        const QString path = pdfPath(name);
        QPrinter& p = CurrentPrinter();
        p.setOutputFormat(QPrinter::PdfFormat);
        p.setOutputFileName(path);
        p.setPageSize(QPageSize(QPageSize::A4));
        t.cmdPrint()->click();
        return path;
    }
    static QString run(const QString& program, const QStringList& arguments)
    {
        QProcess p;
        p.start(program, arguments);
        EXPECT_TRUE(p.waitForFinished(60000)) << program.toStdString() << " (poppler-utils) must be installed";
        return QString::fromLocal8Bit(p.readAllStandardOutput());
    }
    // The page's text laid out as it stands, one line per printed line, blank lines dropped.
    static QStringList pageLines(const QString& pdf)
    {
        QStringList lines;
        for (const QString& l : run("pdftotext", {"-layout", pdf, "-"}).split('\n'))
            if (!l.trimmed().isEmpty() && l.trimmed() != "\f")
                lines << l.simplified();
        return lines;
    }
    static bool landscape(const QString& pdf)
    {
        const QRegularExpressionMatch m =
            QRegularExpression("Page size:\\s+([0-9.]+) x ([0-9.]+)").match(run("pdfinfo", {pdf}));
        EXPECT_TRUE(m.hasMatch());
        return m.captured(1).toDouble() > m.captured(2).toDouble();
    }
    // The row's values as printed, separated by single blanks.
    static QString values(clsWave& w, float (clsWave::*member)(int, int), int firstBand, int count,
                          const char* pattern, int channel = 0)
    {
        QStringList v;
        for (int k = 0; k < count; ++k)
            v << FormatPattern((w.*member)(channel, firstBand + k), QString::fromLatin1(pattern));
        return v.join(' ');
    }
};

TEST_F(TablePrint, IsoPageHoldsTitleHeadingsAndRows)
{
    Response r;
    r.fs = 8000; // the 4000 column has no values
    clsWave& wave = openDocument(r);
    frmTable* t = open(ParameterTable::Iso, wave);
    const QString pdf = printToPdf(*t, "iso");
    const QStringList lines = pageLines(pdf);
    ASSERT_GE(lines.size(), 8) << lines.join('\n').toStdString();
    EXPECT_EQ(lines[0], "ISO 3382 - File: " + wave.FileName().trimmed());
    EXPECT_EQ(lines[1], "Frequency [Hz]: 63 125 250 500 1000 2000 4000");
    EXPECT_EQ(lines[2], "EDT [s]: " + values(wave, &clsWave::EDT, 2, 6, "0.00") + " --");
    QStringList ts;
    for (int b = 2; b < 8; ++b)
        ts << FormatPattern(wave.ts(0, b) * 1000, "0.0");
    EXPECT_EQ(lines[5], "Ts [ms]: " + ts.join(' ') + " --");
    EXPECT_FALSE(lines.join('\n').contains("G [dB]:")); // not calibrated: no strength row
    EXPECT_FALSE(landscape(pdf));
    EXPECT_TRUE(scripted().messages.empty());
}

TEST_F(TablePrint, WideTableTurnsToLandscapeAndKeepsEveryColumn)
{
    clsWave& wave = openDocument(Response{});
    frmTable* t = open(ParameterTable::Reverberation, wave);
    const QString pdf = printToPdf(*t, "rev");
    const QStringList lines = pageLines(pdf);
    ASSERT_GE(lines.size(), 3);
    EXPECT_EQ(lines[1], "Frequency [Hz]: 31.5 63 125 250 500 1000 2000 4000 8000 16000");
    EXPECT_EQ(lines[2], "EDT [s]: " + values(wave, &clsWave::EDT, 1, 10, "0.000"));
    EXPECT_TRUE(landscape(pdf));
    // The turned page was the wide table's alone: the program's printer, and the next table on it, stay upright.
    EXPECT_EQ(CurrentPrinter().pageLayout().orientation(), QPageLayout::Portrait);
    frmTable* narrow = open(ParameterTable::Iso, wave);
    EXPECT_FALSE(landscape(printToPdf(*narrow, "iso-after-rev")));
}

TEST_F(TablePrint, ChannelInTheTitleOnlyForDualOmni)
{
    for (std::int16_t receiver : {ReceiverDualOmni, ReceiverHead}) {
        SCOPED_TRACE(receiver);
        Response r;
        r.receiver = receiver;
        r.length_s = 1.0;
        clsWave& wave = openDocument(r);
        frmTable* t = open(ParameterTable::Levels, wave);
        t->optChannel(1)->click();
        finish(t, 2);
        const QStringList lines = pageLines(printToPdf(*t, QStringLiteral("levels%1").arg(receiver)));
        ASSERT_FALSE(lines.isEmpty());
        EXPECT_EQ(lines[0].endsWith(" - Channel 2"), receiver == ReceiverDualOmni) << lines[0].toStdString();
        wave.Die();
    }
}

TEST_F(TablePrint, SpeechPageShowsTheWeightsBlockWithTheWeights)
{
    clsWave& wave = openDocument(Response{});
    auto* t = static_cast<frmTableSpeech*>(open(ParameterTable::Speech, wave));
    QString page = pageLines(printToPdf(*t, "speech-short")).join('\n');
    EXPECT_TRUE(page.contains("STI female: " + FormatPattern(wave.STI_female(0), "0.00") + " (" +
                              clsWave::Rating(wave.STI_female(0)) + ")"))
        << page.toStdString();
    EXPECT_FALSE(page.contains("RASTI"));
    t->cmdMore_Click();
    page = pageLines(printToPdf(*t, "speech-long")).join('\n');
    EXPECT_TRUE(page.contains("weight : 0.90 1.00 0.80 0.80 1.30 1.20 1.00")) << page.toStdString();
    EXPECT_TRUE(page.contains("RASTI"));
}

TEST_F(TablePrint, ModulationPage)
{
    clsWave& wave = openDocument(Response{});
    auto* t = new frmTableMTF(wave.Key());
    t->show();
    finish(t);
    const QStringList lines = pageLines(printToPdf(*t, "mtf"));
    ASSERT_GE(lines.size(), 17);
    EXPECT_EQ(lines[0], "MTF - File: " + wave.FileName());
    EXPECT_EQ(lines[2], "MTF 0.63 " + [&] {
        QStringList v;
        for (int b = 3; b <= 9; ++b)
            v << FormatPattern(wave.MTF(0, b, 0), "0.000");
        return v.join(' ');
    }());
    EXPECT_TRUE(lines.last().startsWith("MTI :"));
}

// The program's printer is the one the user chose last: once the document window was printed to a PDF file through
// File > Print, each table's Print writes its page into that file at once, without a dialog and without a word.
TEST_F(TablePrint, EveryTablePrintsOnThePrinterTheDocumentWindowPrintedOn)
{
    forgetPrinter();
    InstallDocumentWindows();
    Response r;
    r.receiver = ReceiverOmniFig8; // every table, the spatial one included
    clsWave& wave = *WaveByKey(NewWave());
    wave.setFileName(writeResponse(QStringLiteral("printed.wav"), r));
    wave.Show();
    auto* view = qobject_cast<frmView*>(wave.viewer()->widget());
    ASSERT_NE(view, nullptr);
    const QString pdf = pdfPath("document");
    scripted().printFiles = {pdf};
    view->menuItem("mnFilePrint")->trigger();
    ASSERT_EQ(scripted().printDialogs, 1);
    ASSERT_TRUE(QFile::exists(pdf));

    const std::function<frmTable*()> tables[] = {
        [&] { return open(ParameterTable::Iso, wave); },
        [&] { return open(ParameterTable::Reverberation, wave); },
        [&] { return open(ParameterTable::Spaciousness, wave); },
        [&] { return open(ParameterTable::EnergyRatios, wave); },
        [&] { return open(ParameterTable::Levels, wave); },
        [&] { return open(ParameterTable::Speech, wave); },
        [&] { return open(ParameterTable::Stage, wave); },
        [&]() -> frmTable* {
            auto* t = new frmTableMTF(wave.Key());
            t->show();
            finish(t);
            return t;
        },
    };
    for (const auto& openTable : tables) {
        QFile::remove(pdf);
        QPointer<frmTable> t = openTable();
        ASSERT_TRUE(t);
        SCOPED_TRACE(t->objectName().toStdString());
        t->cmdPrint()->click();
        EXPECT_EQ(scripted().printDialogs, 1);
        EXPECT_TRUE(scripted().messages.empty()) << scripted().messages[0].text.toStdString();
        const QStringList lines = pageLines(pdf);
        ASSERT_FALSE(lines.isEmpty()) << "nothing printed into " << pdf.toStdString();
        EXPECT_TRUE(lines[0].endsWith("File: " + wave.FileName().trimmed())) << lines[0].toStdString();
        t->close();
        scripted().messages.clear();
    }
}

// With no printer chosen and none installed, a table's Print says so in message 917 rather than reporting a
// program error; its OK leads on to the print dialog, and the page goes where the user chooses there.
TEST_F(TablePrint, WithoutAPrinterTheNumberedMessageLeadsToThePrintDialog)
{
    if (!QPrinterInfo::availablePrinterNames().isEmpty())
        GTEST_SKIP() << "this machine has a printer installed";
    forgetPrinter();
    clsWave& wave = openDocument(Response{});
    frmTable* t = open(ParameterTable::Iso, wave);
    const QString pdf = pdfPath("chosen-after-917");
    QFile::remove(pdf);
    scripted().printFiles = {pdf};
    for (const MsgResult answer : {MsgResult::Cancel, MsgResult::OK}) {
        SCOPED_TRACE(answer == MsgResult::OK ? "OK" : "Cancel");
        scripted().messages.clear();
        scripted().messageAnswers = {answer};
        t->cmdPrint()->click();
        ASSERT_EQ(scripted().messages.size(), 1u);
        EXPECT_EQ(scripted().messages[0].title, QStringLiteral("Vemra - error (917)"));
        EXPECT_EQ(scripted().messages[0].text, MessageText(msg::NoPrinter));
        EXPECT_EQ(scripted().printDialogs, answer == MsgResult::OK ? 1 : 0);
        EXPECT_EQ(QFile::exists(pdf), answer == MsgResult::OK);
    }
    EXPECT_EQ(pageLines(pdf).value(0), "ISO 3382 - File: " + wave.FileName().trimmed());
}

} // namespace
