// The parameter graph window: its state, the file set, the gathering of one parameter over the set and its
// statistics, activation and closing. Menus, toolbar and drawing are in frmParametersView.cpp, the outputs in
// frmParametersExport.cpp.
#include "graphs/frmParameters.h"

#include "core/BandsAndParameters.h"
#include "core/ErrorGuard.h"
#include "core/Errors.h"
#include "core/HelpKey.h"
#include "core/Settings.h"
#include "core/UiServices.h"
#include "core/VemraError.h"
#include "core/WindowPlacement.h"
#include "document/clsParams.h"
#include "graphs/HLGraph.h"
#include "graphs/frmParamProp.h"
#include "library/Codes.h"
#include "library/Messages.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QHideEvent>
#include <QLabel>
#include <QPrinter>
#include <QProgressBar>
#include <QTimer>
#include <QToolButton>

#include <cmath>
#include <optional>

namespace vemra {
namespace {

const QString kSection = QStringLiteral("Graph");
// The graph's octaves start at 31.5 Hz; the 16 Hz octave is never gathered.
constexpr int kFirstGraphOctave = 1;

// Counts the message boxes shown while it is installed, passing every request on, so that a caller can tell
// whether something it called has already told the user about a failure.
class MessageCounter final : public UiServices {
public:
    MessageCounter() : inner_(UiServices::get()) { UiServices::install(this); }
    ~MessageCounter() override { UiServices::install(&inner_); }
    MessageCounter(const MessageCounter&) = delete;
    MessageCounter& operator=(const MessageCounter&) = delete;
    int count() const { return count_; }

    MsgResult messageBox(const MessageRequest& request) override
    {
        ++count_;
        return inner_.messageBox(request);
    }
    std::optional<QString> inputBox(QWidget* parent, const QString& prompt, const QString& title,
                                    const QString& defaultText) override
    {
        return inner_.inputBox(parent, prompt, title, defaultText);
    }
    FileDialogResult openFileName(const FileDialogRequest& request) override { return inner_.openFileName(request); }
    FileDialogResult saveFileName(const FileDialogRequest& request) override { return inner_.saveFileName(request); }
    bool printDialog(QWidget* parent, QPrinter* printer) override { return inner_.printDialog(parent, printer); }
    std::optional<QColor> colorDialog(QWidget* parent, const QColor& initial) override
    {
        return inner_.colorDialog(parent, initial);
    }

private:
    UiServices& inner_;
    int count_ = 0;
};

// The bands a file of that rate offers at one band width: from the first band of the width up to the last one
// below the Nyquist limit.
std::pair<int, int> usableBands(std::int32_t sampleRate, bool octaves)
{
    const int start = octaves ? kFirstGraphOctave : dsp::kFirstUsedThirdOctaveBand;
    const int limit = octaves ? dsp::kLastOctaveBand : dsp::kLastThirdOctaveBand;
    int top = start;
    while (top < limit && BandBelowNyquist(top + 1, float(sampleRate)))
        ++top;
    return {start, top};
}

// Keeps a cache attached for a run of calculations and lets go of its document on every way out.
class Attachment {
public:
    explicit Attachment(clsParams& cache) : cache_(cache) { cache_.Attach(); }
    ~Attachment()
    {
        guarded("UpdateGraph", [&] { cache_.Detach(); });
    }
    Attachment(const Attachment&) = delete;
    Attachment& operator=(const Attachment&) = delete;

private:
    clsParams& cache_;
};

} // namespace

// The busy state of a gathering: set up by the constructor, given back by the destructor on every way out of the
// loop (an error, a cancel, the window going away).
class frmParameters::Gathering {
public:
    explicit Gathering(frmParameters& w) : w_(&w)
    {
        w.busy_ = true;
        w.cancelRequest_ = false;
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        w.cancelPanel_->setEnabled(true);
        w.cancelPanel_->setText(QStringLiteral("Cancel"));
        w.setStatusText(QStringLiteral("Processing..."));
        w.prgProgress_->setValue(0);
        w.enableCommands(false);
    }
    ~Gathering()
    {
        QGuiApplication::restoreOverrideCursor();
        if (!w_)
            return;
        w_->cancelPanel_->setEnabled(false);
        w_->cancelPanel_->setText(QString());
        w_->setStatusText(QStringLiteral("Ready"));
        w_->prgProgress_->setValue(0);
        w_->busy_ = false;
        w_->enableCommands(true);
    }
    Gathering(const Gathering&) = delete;
    Gathering& operator=(const Gathering&) = delete;

private:
    QPointer<frmParameters> w_;
};

frmParameters::frmParameters(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmParameters"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Graph"));
    InstallHelpKey(this, QStringLiteral("parameter-graph.html"));

    // Stored values outside what the window can show keep the defaults.
    minFreqBand_ = int(ReadInteger(kSection, QStringLiteral("MinBand"), 1, 10).value_or(3));
    maxFreqBand_ = int(ReadInteger(kSection, QStringLiteral("MaxBand"), 1, 10).value_or(8));
    if (minFreqBand_ > maxFreqBand_) {
        minFreqBand_ = 3;
        maxFreqBand_ = 8;
    }
    grid_ = ReadBool(kSection, QStringLiteral("Grid")).value_or(true);
    currentParam_ = int(ReadInteger(kSection, QStringLiteral("Param"), -1, ParameterCount - 1).value_or(1));

    graph_ = new HLGraph(this);
    setCentralWidget(graph_);
    createMenus();
    createToolbar();
    createStatusBar();
    resize(760, 520);
    Clear();
}

frmParameters::~frmParameters() = default;

clsParams* frmParameters::fileCache(int index) const
{
    return index >= 0 && index < FileCount() ? files_[std::size_t(index)].get() : nullptr;
}

// --- the file set ---

void frmParameters::Add(const QString& fileName)
{
    guarded("Add", [&] {
        for (const auto& f : files_)
            if (f->FileName().compare(fileName, Qt::CaseInsensitive) == 0)
                throw VemraError::duplicateKey();
        auto cache = std::make_shared<clsParams>();
        {
            const MessageCounter messages;
            cache->setFileName(fileName);
            if (!cache->Loaded()) {
                // A load that failed without a word of its own still gets one.
                if (messages.count() == 0)
                    HandleError(msg::CannotRead);
                return;
            }
        }
        files_.push_back(std::move(cache));
        ++setGeneration_;
        if (files_.back()->Channels() == 2) {
            action(QStringLiteral("mnViewChannel(1)"))->setEnabled(true);
            action(QStringLiteral("Channel2"))->setEnabled(true);
            hasTwoChannels_ = true;
        }
        if (FileCount() == 1) {
            setWindowTitle(QStringLiteral("Graph - ") + fileName);
            setStatisticsItemsEnabled(false);
        } else {
            setWindowTitle(QStringLiteral("Graph N=%1").arg(FileCount()));
            setStatisticsItemsEnabled(true);
        }
    });
}

void frmParameters::Clear()
{
    guarded("clsParams::Clear", [&] {
        files_.clear();
        ++setGeneration_;
        computed_ = false;
        hasTwoChannels_ = false;
        firstBand_ = {kFirstGraphOctave, dsp::kFirstUsedThirdOctaveBand};
        lastBand_ = {dsp::kLastOctaveBand, dsp::kLastThirdOctaveBand};
        stats_.clear();
        showChannels(true, false);
        action(QStringLiteral("mnViewChannel(1)"))->setEnabled(false);
        action(QStringLiteral("Channel2"))->setEnabled(false);
        setStatistics(0);
        setChecked(QStringLiteral("mnViewDev"), false);
        setChecked(QStringLiteral("mnViewMinMax"), false);
        setStatisticsItemsEnabled(false);
    });
}

QString frmParameters::FileName(int index) const
{
    const clsParams* c = fileCache(index);
    return c ? c->FileName() : QString();
}

QVariant frmParameters::FileReceiver(int index) const
{
    const clsParams* c = fileCache(index);
    return c ? QVariant(int(c->Receiver())) : QVariant();
}

bool frmParameters::ValidParam(int parameter) const
{
    for (const auto& f : files_) {
        const int r = f->Receiver();
        if (parameter >= 0 && parameter <= 11 && r == ReceiverReflectionIndex)
            return false;
        if (parameter == 12 && r != ReceiverOmniFig8Switched && r != ReceiverOmniFig8)
            return false;
        if (parameter == 13 && r != ReceiverOmniOmniProbe)
            return false;
        if (parameter >= 14 && parameter <= 16 && r != ReceiverHead)
            return false;
        if ((parameter == 17 || parameter == 18) && r != ReceiverReflectionIndex)
            return false;
    }
    return true;
}

std::pair<int, int> frmParameters::DisplayedBands() const
{
    if (octaves_)
        return {std::max(firstBand_[0], minFreqBand_), std::min(lastBand_[0], maxFreqBand_)};
    return {std::max(firstBand_[1], (minFreqBand_ - 1) * 3 + dsp::kFirstUsedThirdOctaveBand),
            std::min(lastBand_[1], (maxFreqBand_ - 1) * 3 + dsp::kFirstUsedThirdOctaveBand + 2)};
}

// --- gathering and statistics ---

void frmParameters::UpdateGraph()
{
    const QPointer<frmParameters> self(this);
    guarded("UpdateGraph", [&] {
        const int p = currentParam_;
        if (files_.empty() || p == -1)
            return;
        const int r = ScaleIndex();
        if (stats_.done(p, r) || busy_)
            return;
        // The loop yields after every band; whatever the user does meanwhile, it works on what it started with.
        const auto files = files_;
        const unsigned generation = setGeneration_;
        const Gathering gathering(*this);
        firstBand_[std::size_t(r)] = dsp::kLastThirdOctaveBand;
        lastBand_[std::size_t(r)] = kFirstGraphOctave;
        const int n = int(files.size());
        for (int k = 0; k < n; ++k) {
            clsParams& cache = *files[std::size_t(k)];
            const auto [s, t] = usableBands(cache.SampleFrequency(), r == 0);
            {
                // Attached once for all its bands, and only when one of them still needs computing.
                std::optional<Attachment> attached;
                const double bands = t - s + 1;
                for (int b = s; b <= t; ++b) {
                    if (!cache.Computed(p, b)) {
                        if (!attached)
                            attached.emplace(cache);
                        cache.CalcParameters(p, b);
                    }
                    prgProgress_->setValue(int(std::nearbyint((bands * k + (b - s + 1)) * 100.0 / (bands * n))));
                    QCoreApplication::processEvents();
                    if (!self)
                        return; // the window went away (the program ends): touch nothing of it
                    if (cancelRequest_)
                        break;
                }
            }
            if (generation != setGeneration_)
                return; // the set was replaced meanwhile: these values belong to no set
            firstBand_[std::size_t(r)] = std::min(s, firstBand_[std::size_t(r)]);
            lastBand_[std::size_t(r)] = std::max(t, lastBand_[std::size_t(r)]);
            maxChannels_ = std::max<int>(cache.Channels(), maxChannels_);
            if (cancelRequest_)
                break;
        }
        if (!cancelRequest_)
            CalcStatistics();
        computed_ = true;
    });
    if (self && closeAfterGathering_ && !busy_)
        close();
}

void frmParameters::CalcStatistics()
{
    guarded("frmParameters::CalcStatistics", [&] {
        const int p = currentParam_;
        const int r = ScaleIndex();
        stats_.calculate(p, r, FileCount(), firstBand_[std::size_t(r)], lastBand_[std::size_t(r)], maxChannels_,
                         [&](int f, int ch, int b) -> std::optional<float> {
                             clsParams& c = *files_[std::size_t(f)];
                             if (c.Valid(p, ch, b))
                                 return c.Value(p, ch, b);
                             return std::nullopt;
                         });
    });
}

// --- activation, properties and closing ---

bool frmParameters::event(QEvent* e)
{
    // Shown counts as activated too: a window the window system does not activate (no window manager, or one
    // that keeps the focus where it was) still asks for its parameter.
    const bool firstShow = e->type() == QEvent::Show && !shown_;
    if (firstShow) {
        shown_ = true;
        // Before the window is mapped, so that it appears where it stays.
        FitOnScreen(this, size(), this);
    }
    // The activation may open a modal dialog: it runs once the event that asked for it is done.
    if ((firstShow || e->type() == QEvent::WindowActivate) && !activationQueued_) {
        activationQueued_ = true;
        QTimer::singleShot(0, this, [this] {
            activationQueued_ = false;
            if (isVisible()) // hidden meanwhile (the program's exit): nobody to ask
                Form_Activate();
        });
    }
    return QMainWindow::event(e);
}

void frmParameters::Form_Activate()
{
    const QPointer<frmParameters> self(this);
    guarded("Parameters::Activate", [&] {
        graph_->Refresh();
        QCoreApplication::processEvents();
        // Closed meanwhile: a dialog on the window would be deleted with it.
        if (!self || busy_ || closed_)
            return;
        if (firstActivate_ && FileCount() != 0) {
            firstActivate_ = false;
            ShowProperties();
        } else if (!cancel_) {
            if (!computed_)
                UpdateGraph();
            if (self)
                DrawGraph();
        }
    });
}

void frmParameters::ShowProperties()
{
    const QPointer<frmParameters> self(this);
    guarded("Parameters::ShowProperties", [&] {
        {
            frmParamProp dialog(this);
            dialog.ParentForm = this;
            dialog.exec();
        }
        if (self && !cancel_) {
            UpdateGraph();
            if (self)
                DrawGraph();
        }
    });
}

void frmParameters::closeEvent(QCloseEvent* e)
{
    if (busy_) {
        // Stop the loop first; the window closes once it has ended.
        cancelRequest_ = true;
        closeAfterGathering_ = true;
        e->ignore();
        return;
    }
    WriteInteger(kSection, QStringLiteral("Param"), currentParam_);
    closed_ = true;
    e->accept();
}

void frmParameters::hideEvent(QHideEvent* e)
{
    // Hidden by the program (its exit hides every window) rather than minimised: nobody waits for the values.
    if (busy_ && !e->spontaneous())
        cancelRequest_ = true;
    QMainWindow::hideEvent(e);
}

frmParameters* OpenParameterGraph(const QString& fileName)
{
    auto* window = new frmParameters;
    if (!fileName.isEmpty())
        window->Add(fileName);
    window->show();
    return window;
}

} // namespace vemra
