#include "tables/frmTable.h"

#include "core/EditorChecks.h"
#include "core/ErrorGuard.h"
#include "core/Errors.h"
#include "core/Globals.h"
#include "core/HelpKey.h"
#include "core/Print.h"
#include "core/UiServices.h"
#include "core/VemraError.h"
#include "core/clsOptions.h"
#include "document/Waves.h"
#include "document/clsWave.h"
#include "library/Codes.h"
#include "tables/TablePage.h"
#include "tables/TableText.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace vemra {
namespace {

QPushButton* button(QWidget* parent, const char* name, const char* caption)
{
    auto* b = new QPushButton(QString::fromLatin1(caption), parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

} // namespace

frmTable::frmTable(const QString& key, Design design, QWidget* parent)
    : QDialog(parent), design_(std::move(design)), key_(key)
{
    setObjectName(design_.objectName);
    setAttribute(Qt::WA_DeleteOnClose);
    InstallHelpKey(this, design_.helpContext);
    setModal(false);
    columns_.count = int(design_.headings.size());
    columns_.offset = design_.offset;
    columns_.last = columns_.count - 1;

    cmdSave_ = button(this, "cmdSave", "&Save");
    cmdPrint_ = button(this, "cmdPrint", "&Print");
    cmdOK_ = button(this, "cmdOK", "&OK");
    cmdHelp_ = button(this, "cmdHelp", "&Help");
    cmdOK_->setDefault(true);
    cancel_ = cmdOK_;
    checks_ = new EditorChecks(this);
    command(cmdSave_, [this] { cmdSave_Click(); });
    command(cmdPrint_, [this] { cmdPrint_Click(); });
    command(cmdOK_, [this] { cmdOK_Click(); });
    command(cmdHelp_, [this] { cmdHelp_Click(); });

    auto* group = new QButtonGroup(this);
    for (int i = 0; i < 2; ++i) {
        auto* b = new QRadioButton(QStringLiteral("Channel %1").arg(i + 1), this);
        b->setObjectName(QStringLiteral("optChannel(%1)").arg(i));
        group->addButton(b, i);
        command(b, [this, i] { optChannel_Click(i); });
        optChannel_[std::size_t(i)] = b;
    }
    optChannel_[0]->setChecked(true);
}

frmTable::~frmTable() = default;

void frmTable::load(QWidget* grid)
{
    // The command buttons beside the grid under the channel buttons, or in a row below the grid.
    auto* top = new QHBoxLayout;
    top->addWidget(grid, 0, Qt::AlignTop);
    side_ = new QVBoxLayout;
    side_->addWidget(optChannel_[0]);
    side_->addWidget(optChannel_[1]);
    top->addLayout(side_);
    auto* window = new QVBoxLayout(this);
    window->addLayout(top);
    if (design_.commandsBeside) {
        side_->addSpacing(12);
        commands_ = side_;
    } else {
        commands_ = new QHBoxLayout;
        commands_->addStretch();
        window->addLayout(commands_);
    }
    for (QPushButton* b : {cmdSave_, cmdPrint_, cmdOK_, cmdHelp_})
        commands_->addWidget(b);
    if (!design_.commandsBeside)
        commands_->addStretch();
    side_->addStretch();
    window->setSizeConstraint(QLayout::SetFixedSize);

    guarded("TableLoad", [&] {
        clsWave& wave = document();
        loaded_ = true;
        mWave = &wave;
        if (design_.followsChanges)
            connect(&wave, &clsWave::WaveChange, this, &frmTable::mWave_WaveChange);
        // Even the modulation table, which follows no changes, closes with its document rather than reading a
        // document that is gone.
        connect(&wave, &clsWave::WaveExit, this, &frmTable::mWave_WaveExit);
        setWindowTitle(design_.title + wave.FileName());
        const bool channels = showsChannels(wave.Receiver());
        for (QRadioButton* b : optChannel_)
            b->setVisible(channels);
        setLastColumn(wave.SampleFrequency());
        Form_Load(wave);
    });
}

frmTable::Design::Design(QString objectName_, QString title_, QString suffix_, int helpContext_,
                         QString saveProcedure_, ChannelButtons channels_, int firstBand, int columns)
    : objectName(std::move(objectName_)), title(std::move(title_)), printTitle(title), suffix(std::move(suffix_)),
      helpContext(helpContext_), saveProcedure(std::move(saveProcedure_)), channels(channels_),
      headings(tables::BandHeadings(firstBand, columns)), offset(firstBand)
{
}

bool frmTable::showsChannels(int receiver) const
{
    switch (design_.channels) {
    case ChannelButtons::DualOmniOnly: return receiver == ReceiverDualOmni;
    case ChannelButtons::AllButOmni: return receiver != ReceiverOmni;
    case ChannelButtons::AllButSingleOmni:
        return receiver != ReceiverOmni && !isFigureOfEightReceiver(receiver);
    default: return false;
    }
}

clsWave& frmTable::document() const
{
    clsWave* wave = WaveByKey(key_);
    if (!wave)
        throw VemraError(91, QStringLiteral("Object variable or With block variable not set"));
    return *wave;
}

void frmTable::setLastColumn(double sampleRate_Hz)
{
    columns_.last = design_.perColumnLimit
                        ? tables::LastColumnWithinLimit(columns_.count, columns_.offset, sampleRate_Hz)
                        : tables::LastBandColumn(columns_.count, columns_.offset, sampleRate_Hz);
}

QLabel* frmTable::label(const QString& name) const { return findChild<QLabel*>(name); }

void frmTable::setCell(const QString& name, const QString& text)
{
    if (QLabel* l = label(name))
        l->setText(text);
}

frmTable::RunStep frmTable::showCell(const tables::TableRow& row, const QString& cells, int column)
{
    const QString name = QStringLiteral("%1(%2)").arg(cells).arg(column);
    const int band = columns_.band(column);
    const int ch = channel_;
    return [this, &row, name, band, ch](clsWave& wave) { setCell(name, row.cell(wave, ch, band).screen); };
}

// --- the calculation run ---

void frmTable::Calculate()
{
    if (busy_) {
        restart_ = true;
        return;
    }
    const QPointer<frmTable> self(this);
    busy_ = true;
    setCursor(Qt::WaitCursor);
    cmdPrint_->setEnabled(false);
    cmdSave_->setEnabled(false);
    // Painted now: the first cell may keep the loop busy for a while before its first yield.
    repaint();
    guarded(
        design_.calculateProcedure.toUtf8().constData(),
        [&] {
            do {
                restart_ = false;
                clsWave* wave = WaveByKey(key_);
                if (!wave) {
                    abort_ = true;
                    return;
                }
                setLastColumn(wave->SampleFrequency());
                for (const RunStep& step : planRun(*wave)) {
                    step(*wave);
                    QCoreApplication::processEvents();
                    if (!self)
                        return;
                    // The document may have gone while the events ran: then the run ends without a word.
                    wave = WaveByKey(key_);
                    if (!wave) {
                        abort_ = true;
                        return;
                    }
                    if (abort_ || restart_)
                        break;
                }
            } while (restart_ && !abort_);
        },
        std::function<void()>([&] {
            if (self)
                abort_ = true;
        }));
    if (!self)
        return;
    cmdPrint_->setEnabled(true);
    cmdSave_->setEnabled(true);
    busy_ = false;
    unsetCursor();
    ++runsCompleted_;
    emit calculated();
    if (self && abort_)
        close();
}

void frmTable::Form_Activate()
{
    if (firstActivation_) {
        // The first run waits for the window's first painting, so that the window shows whole before the first
        // cell (which may take a while) is computed.
        if (!painted_)
            return;
        firstActivation_ = false;
        Calculate();
    } else if (!design_.followsChanges && !busy_) {
        Calculate();
    }
}

void frmTable::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    if (painted_)
        return;
    painted_ = true;
    // Not every platform activates a window that is shown: the first run starts once this painting is done.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (firstActivation_)
                Form_Activate();
        },
        Qt::QueuedConnection);
}

void frmTable::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        Form_Activate();
}

void frmTable::mWave_WaveChange() { Calculate(); }

void frmTable::mWave_WaveExit() { closeOrAbort(); }

// --- closing ---

void frmTable::closeOrAbort()
{
    if (busy_)
        abort_ = true;
    else
        close();
}

void frmTable::closeEvent(QCloseEvent* event)
{
    abort_ = true;
    release();
    if (busy_) {
        event->ignore();
        return;
    }
    // Not QDialog's: it would reject, and rejecting closes.
    event->accept();
}

// Esc presses the cancel button, so it takes the box being edited like any other command (a button already
// pressed and disabled is not pressed again).
void frmTable::reject()
{
    if (cancel_->isEnabled())
        cancel_->click();
}

void frmTable::command(QAbstractButton* button, std::function<void()> run) { checks_->command(button, std::move(run)); }

void frmTable::release()
{
    if (mWave)
        disconnect(mWave, nullptr, this, nullptr);
    mWave = nullptr;
}

// --- commands ---

void frmTable::optChannel_Click(int index)
{
    channel_ = index;
    {
        const QSignalBlocker blocker(optChannel_[std::size_t(index)]);
        optChannel_[std::size_t(index)]->setChecked(true);
    }
    Calculate();
}

void frmTable::cmdOK_Click()
{
    cmdOK_->setEnabled(false);
    closeAfterPendingEvents();
}

void frmTable::closeAfterPendingEvents()
{
    const QPointer<frmTable> self(this);
    QCoreApplication::processEvents();
    if (self)
        closeOrAbort();
}

void frmTable::cmdHelp_Click() { ShowHelp(this, design_.helpContext); }

QString frmTable::DefaultExportName(const QString& fileName, bool newRecording, const QString& suffix)
{
    // Only the file's own extension goes, never a folder's ("/data.wav/hall" keeps its name whole).
    const QString extension = QFileInfo(fileName).suffix();
    if (extension.compare(QLatin1String("wav"), Qt::CaseInsensitive) == 0 ||
        extension.compare(QLatin1String("tim"), Qt::CaseInsensitive) == 0)
        return fileName.left(fileName.size() - extension.size() - 1) + suffix;
    if (newRecording)
        return QStringLiteral("Untitled") + suffix;
    return fileName + suffix;
}

QString frmTable::DefaultExportName() const
{
    const clsWave& wave = document();
    return DefaultExportName(wave.FileName(), wave.NewRecording(), design_.suffix);
}

void frmTable::cmdSave_Click()
{
    guarded(design_.saveProcedure.toUtf8().constData(), [&] {
        const QString name = DefaultExportName();
        FileDialogRequest request;
        request.parent = this;
        request.caption = QStringLiteral("Save As");
        request.directory = QFileInfo(name).isAbsolute() || !Options ? name : QDir(Options->DataDir()).filePath(name);
        request.filter = QStringLiteral("Text files (*.txt)");
        request.selectedFilter = request.filter;
        request.defaultSuffix = QStringLiteral("txt");
        const FileDialogResult chosen = UiServices::get().saveFileName(request);
        if (chosen.cancelled())
            return;
        if (Options)
            Options->setDataDir(QFileInfo(chosen.fileName).absolutePath());
        SaveTable(chosen.fileName);
    });
}

tables::TableText frmTable::tableText()
{
    tables::TableText text;
    writeText(document(), text);
    return text;
}

QString frmTable::ExportText() { return tableText().text(); }

void frmTable::SaveTable(const QString& fileName)
{
    guarded("SaveTable", [&] { tableText().save(fileName); });
}

void frmTable::cmdPrint_Click() { PrintTable(); }

void frmTable::PrintTable()
{
    QPrinter* printer = nullptr;
    guarded("PrintTable", [&] { printer = PrinterToPrintOn(this); });
    if (printer)
        PrintTable(*printer);
}

void frmTable::PrintTable(QPrinter& printer)
{
    setCursor(Qt::WaitCursor);
    guarded("PrintTable", [&] {
        clsWave& wave = document();
        tables::TablePage::print(printer, pageWidth_mm(), [&](tables::TablePage& page) {
            page.emptyLines(5);
            printPage(wave, page);
        });
    });
    unsetCursor();
}

double frmTable::pageWidth_mm() const { return tables::TablePage::valueX_mm(columns_.count - 1) + 2; }

void frmTable::printHead(clsWave& wave, tables::TablePage& page, bool withChannel, int count)
{
    QString title = design_.printTitle + QStringLiteral("File: ") + wave.FileName().trimmed();
    if (withChannel)
        title += QStringLiteral(" - Channel ") + QString::number(channel_ + 1);
    page.title(title);
    page.headingLine(design_.headings, count);
}

} // namespace vemra
