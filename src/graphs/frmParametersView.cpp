// The parameter graph window's display: menus, toolbar and status bar, the View commands and the drawing of the
// gathered statistics as curves.
#include "graphs/frmParameters.h"

#include "core/BandsAndParameters.h"
#include "core/ErrorGuard.h"
#include "graphs/HLGraph.h"
#include "graphs/frmFileSelect.h"

#include <QAction>
#include <QIcon>
#include <QKeySequence>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QProgressBar>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

namespace vemra {
namespace {

struct ButtonSpec {
    const char* key;     // nullptr: separator
    const char* toolTip;
    const char* text;    // shown where the icon theme has no picture
    const char* icon;    // freedesktop icon name, nullptr for none
};

const ButtonSpec kButtons[] = {
    {"Open", "Select Files", "Select", "document-open"},
    {"Save", "Save Table", "Save", "document-save"},
    {"Copy", "Copy to Clipboard", "Copy", "edit-copy"},
    {"Print", "Print Graph", "Print", "document-print"},
    {nullptr, nullptr, nullptr, nullptr},
    {"Channel1", "Channel 1", "Ch 1", nullptr},
    {"Channel2", "Channel 2", "Ch 2", nullptr},
    {nullptr, nullptr, nullptr, nullptr},
    {"Octave", "Full Octave Bands", "1/1", nullptr},
    {"Terts", "Third Octave Bands", "1/3", nullptr},
    {nullptr, nullptr, nullptr, nullptr},
    {"Stdev", "Standard Deviation", "SD", nullptr},
    {"MinMax", "Min-Max", "Min-Max", nullptr},
    {"Properties", "Properties", "Properties", "document-properties"},
};

// The curves' colours, with red in the low byte.
constexpr std::uint32_t kChannel1Spread = 0xFF8080; // light blue
constexpr std::uint32_t kChannel2Spread = 0x8080FF; // light red
constexpr std::uint32_t kChannel1Mean = 0xFF0000;   // blue
constexpr std::uint32_t kChannel2Mean = 0x0000FF;   // red

// A short line in a curve's colour and width: the channel buttons double as the graph's legend.
QIcon curveIcon(std::uint32_t colour)
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setPen(QPen(HLGraph::colourOf(colour), 3));
    p.drawLine(1, 8, 15, 8);
    return QIcon(pm);
}

} // namespace

QAction* frmParameters::action(const QString& name) const
{
    return findChild<QAction*>(name, Qt::FindDirectChildrenOnly);
}

void frmParameters::setChecked(const QString& name, bool on)
{
    if (QAction* a = action(name))
        a->setChecked(on);
}

void frmParameters::showChannels(bool first, bool second)
{
    setChecked(QStringLiteral("mnViewChannel(0)"), first);
    setChecked(QStringLiteral("mnViewChannel(1)"), second);
    setChecked(QStringLiteral("Channel1"), first);
    setChecked(QStringLiteral("Channel2"), second);
}

void frmParameters::createMenus()
{
    auto item = [&](QMenu* menu, const char* name, const char* caption, QKeySequence key = {}) {
        auto* a = new QAction(QString::fromLatin1(caption), this);
        a->setObjectName(QString::fromLatin1(name));
        a->setShortcut(key);
        menu->addAction(a);
        return a;
    };
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("mnFile"));
    connect(item(file, "mnFileSelect", "Se&lect...", QKeySequence(Qt::CTRL | Qt::Key_E)), &QAction::triggered, this,
            [this] { mnFileSelect_Click(); });
    connect(item(file, "mnFileSave", "&Save...", QKeySequence(Qt::CTRL | Qt::Key_S)), &QAction::triggered, this,
            [this] { mnFileSave_Click(); });
    file->addSeparator();
    connect(item(file, "mnFileCopy", "C&opy", QKeySequence(Qt::CTRL | Qt::Key_C)), &QAction::triggered, this,
            [this] { mnFileCopy_Click(); });
    connect(item(file, "mnFilePrint", "&Print...", QKeySequence(Qt::CTRL | Qt::Key_P)), &QAction::triggered, this,
            [this] { mnFilePrint_Click(); });
    file->addSeparator();
    connect(item(file, "mnFileClose", "&Close"), &QAction::triggered, this, [this] { close(); });

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    view->setObjectName(QStringLiteral("mnView"));
    for (int i = 0; i < 2; ++i) {
        QAction* a = item(view, i == 0 ? "mnViewChannel(0)" : "mnViewChannel(1)", i == 0 ? "Channel &1" : "Channel &2",
                          QKeySequence(Qt::CTRL | (i == 0 ? Qt::Key_F1 : Qt::Key_F2)));
        a->setCheckable(true);
        // The item's check mark is the channel's state: undo the toggle the menu made, the command does its own.
        connect(a, &QAction::triggered, this, [this, a, i](bool checked) {
            a->setChecked(!checked);
            mnViewChannel_Click(i);
        });
    }
    view->addSeparator();
    QAction* octave = item(view, "mnViewOctave", "Full &Octave", QKeySequence(Qt::CTRL | Qt::Key_F3));
    QAction* terts = item(view, "mnViewTerts", "&Third Octave", QKeySequence(Qt::CTRL | Qt::Key_F4));
    view->addSeparator();
    QAction* dev = item(view, "mnViewDev", "Standard &Deviation", QKeySequence(Qt::CTRL | Qt::Key_F5));
    QAction* minMax = item(view, "mnViewMinMax", "&Min-Max", QKeySequence(Qt::CTRL | Qt::Key_F6));
    for (QAction* a : {octave, terts, dev, minMax})
        a->setCheckable(true);
    octave->setChecked(true);
    connect(octave, &QAction::triggered, this, [this] { chooseBandWidth(true); });
    connect(terts, &QAction::triggered, this, [this] { chooseBandWidth(false); });
    connect(dev, &QAction::triggered, this, [this] { toggleStatistics(2); });
    connect(minMax, &QAction::triggered, this, [this] { toggleStatistics(1); });
    view->addSeparator();
    connect(item(view, "mnViewProp", "&Properties"), &QAction::triggered, this, [this] { ShowProperties(); });
}

void frmParameters::createToolbar()
{
    toolbar_ = addToolBar(QStringLiteral("tbrToolbar"));
    toolbar_->setObjectName(QStringLiteral("tbrToolbar"));
    toolbar_->setMovable(false);
    toolbar_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    for (const ButtonSpec& b : kButtons) {
        if (!b.key) {
            toolbar_->addSeparator();
            continue;
        }
        const QString key = QString::fromLatin1(b.key);
        auto* a = new QAction(QString::fromLatin1(b.text), this);
        a->setObjectName(key);
        a->setToolTip(QString::fromLatin1(b.toolTip));
        if (b.icon)
            a->setIcon(QIcon::fromTheme(QString::fromLatin1(b.icon)));
        toolbar_->addAction(a);
        connect(a, &QAction::triggered, this, [this, key] { toolbarClick(key); });
    }
    for (const char* key : {"Channel1", "Channel2", "Octave", "Terts", "Stdev", "MinMax"})
        action(QString::fromLatin1(key))->setCheckable(true);
    action(QStringLiteral("Channel1"))->setIcon(curveIcon(kChannel1Mean));
    action(QStringLiteral("Channel2"))->setIcon(curveIcon(kChannel2Mean));
    setChecked(QStringLiteral("Channel1"), true);
    setChecked(QStringLiteral("Octave"), true);
}

void frmParameters::createStatusBar()
{
    cancelPanel_ = new QToolButton(this);
    cancelPanel_->setObjectName(QStringLiteral("Cancel"));
    cancelPanel_->setAutoRaise(true);
    cancelPanel_->setEnabled(false);
    cancelPanel_->setMinimumWidth(60);
    connect(cancelPanel_, &QToolButton::clicked, this, [this] { requestCancel(); });
    prgProgress_ = new QProgressBar(this);
    prgProgress_->setObjectName(QStringLiteral("prgProgress"));
    prgProgress_->setRange(0, 100);
    prgProgress_->setValue(0);
    prgProgress_->setMaximumWidth(200);
    prgProgress_->setTextVisible(false);
    statusPanel_ = new QLabel(QStringLiteral("Ready"), this);
    statusPanel_->setObjectName(QStringLiteral("Status"));
    statusBar()->addWidget(cancelPanel_);
    statusBar()->addWidget(prgProgress_);
    statusBar()->addWidget(statusPanel_, 1);
}

void frmParameters::setStatusText(const QString& text) { statusPanel_->setText(text); }

void frmParameters::setStatisticsItemsEnabled(bool on)
{
    for (const char* name : {"mnViewMinMax", "mnViewDev", "Stdev", "MinMax"})
        action(QString::fromLatin1(name))->setEnabled(on);
}

void frmParameters::enableCommands(bool on)
{
    for (const char* name : {"mnFileSelect", "mnFileSave", "mnFileCopy", "mnFilePrint", "mnViewOctave", "mnViewTerts",
                             "mnViewProp", "Open", "Save", "Copy", "Print", "Octave", "Terts", "Properties"})
        action(QString::fromLatin1(name))->setEnabled(on);
    setStatisticsItemsEnabled(on && FileCount() > 1);
}

void frmParameters::setOctaves(bool on)
{
    octaves_ = on;
    setChecked(QStringLiteral("mnViewOctave"), on);
    setChecked(QStringLiteral("mnViewTerts"), !on);
    setChecked(QStringLiteral("Octave"), on);
    setChecked(QStringLiteral("Terts"), !on);
}

void frmParameters::setStatistics(int mode)
{
    // Only the three modes exist; another value would draw spread curves of nothing.
    if (mode == statistics_ || mode < 0 || mode > 2)
        return;
    statistics_ = mode;
    setChecked(QStringLiteral("mnViewMinMax"), mode == 1);
    setChecked(QStringLiteral("mnViewDev"), mode == 2);
    setChecked(QStringLiteral("MinMax"), mode == 1);
    setChecked(QStringLiteral("Stdev"), mode == 2);
}

// --- commands ---

void frmParameters::toolbarClick(const QString& key)
{
    guarded("Toolbar", [&] {
        if (key == QLatin1String("Open"))
            mnFileSelect_Click();
        else if (key == QLatin1String("Save"))
            mnFileSave_Click();
        else if (key == QLatin1String("Copy"))
            mnFileCopy_Click();
        else if (key == QLatin1String("Print"))
            mnFilePrint_Click();
        else if (key == QLatin1String("Channel1"))
            mnViewChannel_Click(0);
        else if (key == QLatin1String("Channel2"))
            mnViewChannel_Click(1);
        else if (key == QLatin1String("Octave"))
            chooseBandWidth(true);
        else if (key == QLatin1String("Terts"))
            chooseBandWidth(false);
        else if (key == QLatin1String("Stdev"))
            toggleStatistics(2);
        else if (key == QLatin1String("MinMax"))
            toggleStatistics(1);
        else if (key == QLatin1String("Properties"))
            ShowProperties();
    });
}

void frmParameters::mnFileSelect_Click()
{
    const QPointer<frmParameters> self(this);
    const int saved = statistics_;
    {
        frmFileSelect dialog(this);
        dialog.ParentForm = this;
        dialog.exec();
    }
    if (!self)
        return;
    if (FileCount() > 1) {
        setStatistics(saved);
        if (firstActivate_) {
            // The dialog's confirmation gathers and draws; its Cancel leaves the graph as it is.
            firstActivate_ = false;
            ShowProperties();
            return;
        }
    }
    UpdateGraph();
    if (self)
        DrawGraph();
}

void frmParameters::mnViewChannel_Click(int index)
{
    bool shown[2] = {action(QStringLiteral("mnViewChannel(0)"))->isChecked(),
                     action(QStringLiteral("mnViewChannel(1)"))->isChecked()};
    shown[index] = !shown[index];
    if (!shown[0] && !shown[1])
        shown[0] = true;
    showChannels(shown[0], shown[1]);
    DrawGraph();
}

void frmParameters::chooseBandWidth(bool octaves)
{
    const bool change = octaves != octaves_;
    setOctaves(octaves); // also when unchanged: the menu's own toggle of its check is undone
    if (!change)
        return;
    UpdateGraph();
    DrawGraph();
}

void frmParameters::toggleStatistics(int mode)
{
    setStatistics(statistics_ == mode ? 0 : mode);
    for (const auto& [name, shown] : {std::pair{"mnViewMinMax", 1}, {"MinMax", 1}, {"mnViewDev", 2}, {"Stdev", 2}})
        setChecked(QString::fromLatin1(name), statistics_ == shown);
    UpdateGraph();
    DrawGraph();
}

// --- drawing ---

void frmParameters::DrawGraph()
{
    guarded("DrawGraph", [&] {
        const int p = currentParam_;
        if (busy_ || !computed_ || FileCount() < 1 || p == -1)
            return;
        setStatusText(QStringLiteral("Drawing..."));
        HLGraph& g = *graph_;
        g.Init();
        g.setXScaleType(octaves_ ? 1 : 2);
        const auto [first, last] = DisplayedBands();
        g.setTitle1(ParameterShortName(p) + QLatin1Char(' ') + ParameterUnit(p));
        g.setTitle2(statistics_ == 2 ? QStringLiteral("stdev") : statistics_ == 1 ? QStringLiteral("min/max") : QString());
        g.setXCount(std::max(0, last - first + 1));
        g.setXMin(first);
        g.setYAutoMin(autoMin_);
        g.setYAutoMax(autoMax_);
        g.setYMax(maxValueY_);
        g.setYMin(minValueY_);
        g.setShowGrid(grid_);

        const bool show[2] = {action(QStringLiteral("mnViewChannel(0)"))->isChecked(),
                              maxChannels_ == 2 && action(QStringLiteral("mnViewChannel(1)"))->isChecked()};
        struct Series {
            int channel;
            std::uint32_t colour;
            int width;
            double (*value)(const graphs::BandStatistic&, int mode);
        };
        auto upper = [](const graphs::BandStatistic& s, int mode) { return mode == 1 ? s.maximum : s.mean + s.stdDev; };
        auto lower = [](const graphs::BandStatistic& s, int mode) { return mode == 1 ? s.minimum : s.mean - s.stdDev; };
        auto mean = [](const graphs::BandStatistic& s, int) { return s.mean; };
        std::vector<Series> series;
        if (statistics_ != 0) {
            for (int ch = 0; ch < 2; ++ch) {
                if (!show[ch])
                    continue;
                const std::uint32_t colour = ch == 0 ? kChannel1Spread : kChannel2Spread;
                series.push_back({ch, colour, 1, upper});
                series.push_back({ch, colour, 1, lower});
            }
        }
        for (int ch = 0; ch < 2; ++ch)
            if (show[ch])
                series.push_back({ch, ch == 0 ? kChannel1Mean : kChannel2Mean, 2, mean});

        g.setYCount(int(series.size()));
        g.Home();
        for (const Series& s : series) {
            g.setYColor(g.CurrentY(), s.colour);
            g.setYStyle(g.CurrentY(), 0);
            g.setYWidth(g.CurrentY(), s.width);
            for (int b = first; b <= last; ++b) {
                const graphs::BandStatistic& stat = stats_.at(p, s.channel, b);
                if (stat.count > 0)
                    g.setYValue(s.value(stat, statistics_));
                else
                    g.setCurrentX(g.CurrentX() + 1);
            }
            g.EndLine();
        }
        g.Refresh();
        setStatusText(QStringLiteral("Ready"));
    });
}

} // namespace vemra
