#include "tables/frmTableSpeech.h"

#include "core/EditorChecks.h"
#include "core/ErrorGuard.h"
#include "core/Globals.h"
#include "core/NumberFormat.h"
#include "core/clsOptions.h"
#include "document/SpeechTransmission.h"
#include "document/clsWave.h"
#include "library/Codes.h"
#include "tables/BandGrid.h"
#include "tables/TablePage.h"
#include "tables/TableText.h"
#include "tables/frmTableMTF.h"

#include <QApplication>
#include <QBoxLayout>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>

#include <cmath>

namespace vemra {

using namespace tables;

namespace {

constexpr int kWeights = 7;
const QString kWeightFormat = QStringLiteral("0.000");
const QString kFileNoValue = QStringLiteral(" --  ");
const QString kFileNoAlc = QStringLiteral(" -   ");

// The texts and names of the five index rows: on screen (caption, value and % ALC labels), in the file and on
// paper.
struct IndexRow {
    const char* caption;
    const char* captionName;
    const char* value;
    const char* alcCaptionName;
    const char* alc;
    const char* printCaption;
};
const IndexRow kIndexRows[] = {
    {"STI female", "lblSI(7)", "lblSTI(0)", "lblSI(17)", "lblALC(0)", "STI female:"},
    {"STI male", "lblSI(2)", "lblSTI(1)", "lblSI(1)", "lblALC(1)", "STI male  :"},
    {"RASTI", "lblSI(4)", "lblRASTI", "lblSI(3)", "lblALC(2)", "RASTI     :"},
    {"STITEL", "lblSI(6)", "lblSTITEL", "lblSI(8)", "lblALC(3)", "STITEL    :"},
    {"STI", "lblSI(0)", "lblSTI(2)", "lblSI(5)", "lblALC(4)", "STI       :"},
};

// A band value of this table: a blank-padded "--" in the file and on paper, where the other tables leave a blank.
Cell speechCell(bool valid, double value, const QString& pattern, const QString& printPattern)
{
    if (valid && HasValue(value))
        return ValueCell(true, value, pattern, printPattern);
    return Cell{QStringLiteral("--"), kFileNoValue, kFileNoValue, false};
}

const TableRow& snrRow()
{
    static const TableRow row{QStringLiteral("SNR [dB]:"), QStringLiteral("SNR [dB]:"), [](clsWave& w, int ch, int b) {
                                  return speechCell(true, w.SNR(ch, b), QStringLiteral("0"), QStringLiteral("0    "));
                              }};
    return row;
}

const TableRow& edtRow()
{
    static const TableRow row{QStringLiteral("EDT  [s]:"), QStringLiteral("EDT  [s]:"), [](clsWave& w, int ch, int b) {
                                  const double v = w.EDT(ch, b);
                                  return speechCell(v < 100, v, QStringLiteral("0.00"), QStringLiteral("0.00 "));
                              }};
    return row;
}

const TableRow& d50Row()
{
    static const TableRow row{QStringLiteral("D50     :"), QStringLiteral("D50     :"), [](clsWave& w, int ch, int b) {
                                  return speechCell(true, w.D50(ch, b), QStringLiteral("0.00"), QStringLiteral("0.00 "));
                              }};
    return row;
}


} // namespace

frmTableSpeech::frmTableSpeech(const QString& key, QWidget* parent)
    : frmTable(key,
               [] {
                   Design d("frmTableSpeech", "Speech - ", "_speech.txt", 13, "TableSpeech::cmdSave",
                            ChannelButtons::AllButSingleOmni, 3, 7);
                   d.perColumnLimit = true;
                   d.commandsBeside = false;
                   // The widest weight a box shows whole (the cells are as wide as the boxes).
                   d.widestCell = QStringLiteral("9999.999");
                   return d;
               }(),
               parent)
{
    auto* grid = new BandGrid(design_.headings, design_.widestCell, this);
    QFrame* fraNoise = grid->addFrame(QStringLiteral("fraNoise"));
    grid->addRow(fraNoise, QStringLiteral("lblISO(12)"), QStringLiteral("SNR [dB]"), QStringLiteral("lblSNR"));
    grid->addRow(fraNoise, QStringLiteral("lblISO(11)"), QStringLiteral("EDT [s]"), QStringLiteral("lblEDT"));
    grid->addRow(fraNoise, QStringLiteral("lblISO(0)"), QStringLiteral("D50"), QStringLiteral("lblD50"));

    // An index row: caption, the value with its rating over three columns, "% ALC" and the loss.
    auto indexRow = [&](QFrame* frame, const IndexRow& r) {
        const int row = grid->nextRow(frame);
        grid->addCaption(frame, row, QString::fromLatin1(r.captionName), QString::fromLatin1(r.caption));
        QGridLayout* layout = grid->frameGrid(frame);
        auto* value = new QLabel(QStringLiteral("--"), frame);
        value->setObjectName(QString::fromLatin1(r.value));
        layout->addWidget(value, row, 1, 1, 3);
        auto* alcCaption = new QLabel(QStringLiteral("% ALC"), frame);
        alcCaption->setObjectName(QString::fromLatin1(r.alcCaptionName));
        alcCaption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        layout->addWidget(alcCaption, row, 4, 1, 2);
        auto* alc = new QLabel(QStringLiteral("--"), frame);
        alc->setObjectName(QString::fromLatin1(r.alc));
        alc->setAlignment(Qt::AlignCenter);
        alc->setFixedWidth(grid->cellWidth());
        layout->addWidget(alc, row, 6);
    };
    QFrame* fraSTI = grid->addFrame(QStringLiteral("fraSTI"));
    indexRow(fraSTI, kIndexRows[Female]);
    indexRow(fraSTI, kIndexRows[Male]);
    QFrame* fraRASTI = grid->addFrame(QStringLiteral("fraRASTI"));
    indexRow(fraRASTI, kIndexRows[Rasti]);
    indexRow(fraRASTI, kIndexRows[Stitel]);
    fraCustom_ = grid->addFrame(QStringLiteral("fraCustom"));
    QVector<QWidget*> boxes;
    for (int k = 0; k < kWeights; ++k) {
        auto* box = new QLineEdit(QStringLiteral("0.000"), fraCustom_);
        box->setObjectName(QStringLiteral("txtWeight(%1)").arg(k));
        box->setAlignment(Qt::AlignCenter);
        box->installEventFilter(this);
        editorChecks().add(box, [this, k] { return Weight_Validate(k); });
        txtWeight_.append(box);
        boxes.append(box);
    }
    grid->addWidgetRow(fraCustom_, QStringLiteral("lblSI(16)"), QStringLiteral("weights"), boxes);
    indexRow(fraCustom_, kIndexRows[Weighted]);
    fraCustom_->hide();

    cmdCancel_ = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancel_->setObjectName(QStringLiteral("cmdCancel"));
    // F opens the modulation table: M is More's.
    cmdMTF_ = new QPushButton(QStringLiteral("MT&F..."), this);
    cmdMTF_->setObjectName(QStringLiteral("cmdMTF"));
    cmdMore_ = new QPushButton(QStringLiteral("&More..."), this);
    cmdMore_->setObjectName(QStringLiteral("cmdMore"));
    command(cmdCancel_, [this] { cmdCancel_Click(); });
    command(cmdMTF_, [this] { cmdMTF_Click(); });
    command(cmdMore_, [this] { cmdMore_Click(); });
    load(grid);
    // Enter and Esc press Cancel here, not OK.
    cmdOK()->setDefault(false);
    cmdCancel_->setDefault(true);
    setCancelButton(cmdCancel_);
    commandRow()->insertWidget(commandRow()->indexOf(cmdOK()) + 1, cmdCancel_);
    sideColumn()->insertWidget(2, cmdMTF_);
    sideColumn()->insertWidget(3, cmdMore_);
}

void frmTableSpeech::Form_Load(clsWave& wave)
{
    // Every speech table starts the document from the stored weights.
    for (int i = 0; i < kWeights; ++i)
        wave.setSTI_Weight(i, Options ? Options->STI_Weight(i) : clsOptions::DefaultSTIWeights[std::size_t(i)]);
    // A response measured through a speech filter has only the indices of that filter.
    QStringList hidden;
    switch (wave.SourceFilter()) {
    case SourceFilterFemale: hidden = {"lblSTI(1)", "lblALC(1)", "lblRASTI", "lblALC(2)"}; break;
    case SourceFilterMale: hidden = {"lblSTI(0)", "lblALC(0)", "lblRASTI", "lblALC(2)"}; break;
    case SourceFilterRasti:
        hidden = {"lblSTI(0)", "lblALC(0)", "lblSTI(1)",  "lblALC(1)",
                  "lblSTITEL", "lblALC(3)", "lblSTI(2)", "lblALC(4)"};
        break;
    default: break;
    }
    for (const QString& name : hidden)
        label(name)->hide();
}

frmTableSpeech::IndexValue frmTableSpeech::index(clsWave& wave, Index which) const
{
    const int ch = channel();
    const float v = [&] {
        switch (which) {
        case Female: return wave.STI_female(ch);
        case Male: return wave.STI_male(ch);
        case Rasti: return wave.RASTI(ch);
        case Stitel: return wave.STITEL(ch);
        default: return wave.STI(ch);
        }
    }();
    // The screen, the file and the page show an index, its rating and its loss by this one test.
    return {speech::isIndex(v), v};
}

std::vector<frmTable::RunStep> frmTableSpeech::planRun(clsWave&)
{
    std::vector<RunStep> steps;
    for (int k = 0; k < columns_.count; ++k) {
        const bool within = k <= columns_.last;
        std::vector<RunStep> show;
        if (within)
            show = {showCell(snrRow(), QStringLiteral("lblSNR"), k), showCell(edtRow(), QStringLiteral("lblEDT"), k),
                    showCell(d50Row(), QStringLiteral("lblD50"), k)};
        steps.push_back([this, within, show, k](clsWave& w) {
            QLineEdit* box = txtWeight_[k];
            if (!within) {
                box->setText(QStringLiteral("--"));
                box->setEnabled(false);
                return;
            }
            for (const RunStep& s : show)
                s(w);
            // A box being edited keeps what the user typed.
            if (!(box->hasFocus() && box->isModified()))
                box->setText(FormatPattern(w.STI_Weight(k), kWeightFormat));
        });
    }
    steps.push_back([this](clsWave& w) { showIndices(w); });
    return steps;
}

void frmTableSpeech::showIndices(clsWave& wave)
{
    for (int i = 0; i < IndexCount; ++i) {
        const IndexValue v = index(wave, Index(i));
        setCell(QString::fromLatin1(kIndexRows[i].value),
                v.valid ? FormatPattern(v.value, QStringLiteral("0.00")) + QStringLiteral(" : ") + clsWave::Rating(v.value)
                        : QStringLiteral(" -- "));
        setCell(QString::fromLatin1(kIndexRows[i].alc),
                v.valid ? FormatPattern(clsWave::ALC(v.value), QStringLiteral("0.0")) : QStringLiteral(" - "));
    }
}

// --- the weights ---

bool frmTableSpeech::eventFilter(QObject* watched, QEvent* event)
{
    const int k = int(txtWeight_.indexOf(static_cast<QLineEdit*>(watched)));
    if (k < 0)
        return frmTable::eventFilter(watched, event);
    QLineEdit* box = txtWeight_[k];
    switch (event->type()) {
    case QEvent::FocusIn:
        QTimer::singleShot(0, box, &QLineEdit::selectAll);
        break;
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key != Qt::Key_Return && key != Qt::Key_Enter)
            break;
        // Enter moves on to the next box (back to the first after the last one in use).
        if (Weight_Validate(k)) {
            const int next = k + 1 < kWeights && txtWeight_[k + 1]->isEnabled() ? k + 1 : 0;
            txtWeight_[next]->setFocus(Qt::TabFocusReason);
        }
        return true;
    }
    default: break;
    }
    return frmTable::eventFilter(watched, event);
}

bool frmTableSpeech::Weight_Validate(int index)
{
    QLineEdit* box = txtWeight_[index];
    if (!box->isEnabled())
        return true;
    bool accepted = false;
    guarded("Weight_Validate", [&] {
        clsWave& wave = document();
        const QString text = box->text().trimmed();
        constexpr clsOptions::Range range = clsOptions::kSTIWeightRange;
        const std::optional<double> typed = ParseNumber(text, range.minimum, range.maximum);
        if (!typed) {
            QApplication::beep();
            box->setText(FormatPattern(wave.STI_Weight(index), kWeightFormat));
            return;
        }
        accepted = true;
        const float value = float(*typed);
        box->setText(FormatPattern(value, kWeightFormat));
        if (wave.STI_Weight(index) != value) {
            wave.setSTI_Weight(index, value);
            // After the event that left the box, not inside it.
            QMetaObject::invokeMethod(this, &frmTable::Calculate, Qt::QueuedConnection);
        }
    });
    return accepted;
}

// --- commands ---

void frmTableSpeech::cmdOK_Click()
{
    cmdCancel_->setEnabled(false);
    cmdOK()->setEnabled(false);
    guarded("cmdOK_Click", [&] {
        const clsWave& wave = document();
        if (Options)
            for (int i = 0; i < kWeights; ++i)
                Options->setSTI_Weight(i, wave.STI_Weight(i));
    });
    closeAfterPendingEvents();
}

void frmTableSpeech::cmdCancel_Click()
{
    cmdCancel_->setEnabled(false);
    cmdOK()->setEnabled(false);
    closeAfterPendingEvents();
}

void frmTableSpeech::cmdMore_Click()
{
    weightsShown_ = !weightsShown_;
    cmdMore_->setText(weightsShown_ ? QStringLiteral("Hide...") : QStringLiteral("More..."));
    fraCustom_->setVisible(weightsShown_);
}

void frmTableSpeech::cmdMTF_Click()
{
    guarded("MTF", [&] {
        // Without a parent: it must not go with this window should the document end while it is open.
        auto* mtf = new frmTableMTF(Key());
        if (!mtf->loaded()) {
            delete mtf;
            return;
        }
        mtf->exec();
    });
}

// --- the file and the page ---

void frmTableSpeech::writeText(clsWave& wave, TableText& text)
{
    const int ch = channel();
    text.headingWithTabs(design_.headings, columns_.last + 1);
    text.line();
    for (const TableRow* row : {&snrRow(), &edtRow(), &d50Row()})
        text.row(*row, wave, ch, columns_);
    text.line();
    auto indexBlock = [&](Index which) {
        const IndexValue v = index(wave, which);
        text.line(TableText::zone(QString::fromLatin1(kIndexRows[which].caption)) + QLatin1Char('\t') +
                  (v.valid ? FormatPattern(v.value, QStringLiteral("0.00 ")) + QLatin1Char('(') +
                                 clsWave::Rating(v.value) + QLatin1Char(')')
                           : kFileNoValue));
        text.line(TableText::zone(QStringLiteral("% ALC")) + QLatin1Char('\t') +
                  (v.valid ? FormatPattern(clsWave::ALC(v.value), QStringLiteral("0.0  ")) : kFileNoAlc));
        text.line();
    };
    indexBlock(Female);
    indexBlock(Male);
    indexBlock(Rasti);
    indexBlock(Stitel);
    // The weights that gave the STI below, whether or not they are the stored ones.
    QStringList weights;
    for (int k = 0; k <= columns_.last; ++k)
        weights << FormatPattern(wave.STI_Weight(k), kWeightFormat);
    text.fields(TableText::zone(QStringLiteral("weight")), weights);
    text.line();
    indexBlock(Weighted);
}

void frmTableSpeech::printPage(clsWave& wave, TablePage& page)
{
    const int ch = channel();
    printHead(wave, page, showsChannels(wave.Receiver()), columns_.last + 1);
    for (const TableRow* row : {&snrRow(), &edtRow(), &d50Row()})
        page.row(*row, wave, ch, columns_, columns_.last);
    page.emptyLines();
    constexpr double captionX = 60, valueX = 80;
    auto indexBlock = [&](Index which) {
        const IndexValue v = index(wave, which);
        page.beginRow();
        page.label(QString::fromLatin1(kIndexRows[which].printCaption), captionX);
        page.text(v.valid ? FormatPattern(v.value, QStringLiteral("0.00 ")) : kFileNoValue, valueX, AlignEnd);
        if (v.valid)
            page.text(QLatin1Char('(') + clsWave::Rating(v.value) + QLatin1Char(')'), valueX, AlignStart);
        page.endRow();
        page.beginRow();
        page.label(QStringLiteral("% ALC     :"), captionX);
        page.text(v.valid ? FormatPattern(clsWave::ALC(v.value), QStringLiteral("0.0  ")) : kFileNoAlc, valueX,
                  AlignEnd);
        page.endRow();
    };
    indexBlock(Female);
    page.emptyLines();
    indexBlock(Male);
    page.emptyLines();
    if (!weightsShown_)
        return;
    indexBlock(Rasti);
    page.emptyLines();
    indexBlock(Stitel);
    page.emptyLines();
    page.beginRow();
    page.label(QStringLiteral("weight  :"), TablePage::kLabelX_mm);
    for (int k = 0; k <= columns_.last; ++k)
        page.text(FormatPattern(wave.STI_Weight(k), QStringLiteral("0.00 ")), TablePage::valueX_mm(k), AlignEnd);
    page.endRow();
    page.emptyLines();
    indexBlock(Weighted);
}

} // namespace vemra
