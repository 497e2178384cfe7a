// The document window's menu bar and toolbar: items and buttons with their names, keys and initial states.
#include "viewer/frmView.h"

#include "core/ErrorGuard.h"
#include "viewer/frmEditInfo.h"
#include "viewer/frmFileInfo.h"
#include "viewer/ProcessDialogs.h"

#include <QActionGroup>
#include <QKeySequence>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QToolBar>

namespace vemra {
namespace {

struct ButtonSpec {
    const char* key;       // nullptr: separator
    const char* toolTip;
    const char* glyph;     // text of the generated 16 x 16 image
    QRgb colour;
};

// The initial layout, position 1 first.
const ButtonSpec kButtons[] = {
    {"New", "New Window", "N", 0x406080},
    {"Open", "Open File", "O", 0x406080},
    {"Save", "Save File", "S", 0x406080},
    {"Print", "Print Graph", "Pr", 0x406080},
    {"Close", "Close File", "X", 0x406080},
    {nullptr, nullptr, nullptr, 0},
    {"Pressure", "Pressure", "P", 0x207020},
    {"Reflect", "Reflectogram", "R", 0x207020},
    {"Decay", "Decay Curve", "D", 0x207020},
    {"Schroeder", "Schroeder Curve", "S", 0x207020},
    {"Octave", "Full Octave Spectrum", "1/1", 0x207070},
    {"Terts", "Third Octave Spectrum", "1/3", 0x207070},
    {"Fftlin", "Lin Spectrum", "Lin", 0x207070},
    {"Fftlog", "Log Spectrum", "Log", 0x207070},
    {nullptr, nullptr, nullptr, 0},
    {"Waterfall", "Energy Time Frequency Plot", "W", 0x605020},
    {"Graph", "Graph/Statistics", "G", 0x605020},
    {nullptr, nullptr, nullptr, 0},
    {"FilterDown", "Previous Filter", "<", 0x702060},
    {"Filter", "Filter", "F", 0x702060},
    {"FilterUp", "Next Filter", ">", 0x702060},
    {nullptr, nullptr, nullptr, 0},
    {"ZoomIn", "Zoom In", "+", 0x505050},
    {"ZoomOut", "Zoom Out", "-", 0x505050},
    {"ZoomFull", "Zoom Full", "[]", 0x505050},
    {"Autoscale", "Auto Scale", "A", 0x505050},
    {nullptr, nullptr, nullptr, 0},
    {"Measure", "Measure", "M", 0x802020},
    {"Play", "Play", ">>", 0x802020},
    {"Stop", "Stop", "||", 0x802020},
};

QIcon glyphIcon(const char* glyph, QRgb colour)
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(colour));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 3, 3);
    QFont f = p.font();
    f.setPixelSize(std::strlen(glyph) > 2 ? 7 : 10);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, QString::fromLatin1(glyph));
    return QIcon(pm);
}

const char* const kViewCaptions[8] = {"&Pressure", "&Reflectogram", "&Decay curve", "&Schroeder",
                                      "Full &Octave spectrum", "&Third Octave spectrum", "&Lin Spectrum ",
                                      "Lo&g Spectrum"};

} // namespace

QAction* frmView::addMenuItem(QMenu* menu, const QString& name, const QString& caption)
{
    QAction* a = menu->addAction(caption);
    a->setObjectName(name);
    menuItems_.insert(name, a);
    return a;
}

void frmView::createMenus()
{
    auto menu = [&](const QString& name, const QString& caption) {
        QMenu* m = menuBar()->addMenu(caption);
        m->setObjectName(name);
        menus_.insert(name, m);
        menuItems_.insert(name, m->menuAction());
        return m;
    };

    QMenu* file = menu("mnFile", "&File");
    addMenuItem(file, "mnFileNew", "&New")->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    addMenuItem(file, "mnFileMeasure", "&Measure...")->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
    addMenuItem(file, "mnFileOpen", "&Open...")->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    file->addSeparator();
    addMenuItem(file, "mnFileSave", "&Save")->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    addMenuItem(file, "mnFileSaveAs", "Save &As...");
    file->addSeparator();
    addMenuItem(file, "mnFilePrint", "&Print...")->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    connect(addMenuItem(file, "mnFileInfo", "P&roperties..."), &QAction::triggered, this, [this] {
        guarded("mnFileInfo", [&] {
            ShowFileInfo(waveKey_, this);
            if (const clsWave* wave = WaveFile(); wave && wave->Changed()) {
                setMenuEnabled("mnFileSave", true);
                setButtonEnabled("Save", true);
            }
        });
    });
    mnFileMRU_[0] = file->addSeparator();
    mnFileMRU_[0]->setObjectName(QStringLiteral("mnFileMRU(0)"));
    mnFileMRU_[0]->setVisible(false);
    menuItems_.insert(QStringLiteral("mnFileMRU(0)"), mnFileMRU_[0]);
    file->addSeparator()->setObjectName(QStringLiteral("mnFileSep2"));
    addMenuItem(file, "mnFileClose", "&Close");
    addMenuItem(file, "mnFileExit", "E&xit");
    for (const char* name : {"mnFileSave", "mnFileSaveAs", "mnFilePrint", "mnFileInfo", "mnFileClose"})
        menuItems_.value(name)->setEnabled(false);
    // Measure... opens the measurement window, which is not part of the program yet: until it is, the item stays
    // disabled rather than doing nothing.
    menuItems_.value("mnFileMeasure")->setEnabled(false);
    connectFileCommands();

    QMenu* view = menu("mnView", "&View");
    connect(addMenuItem(view, "mnViewFilter", "&Filter..."), &QAction::triggered, this, [this] {
        mnViewFilter_Click();
    });
    view->addSeparator();
    auto* views = new QActionGroup(this);
    for (int i = 0; i < 8; ++i) {
        QAction* a = addMenuItem(view, QStringLiteral("mnViewItem(%1)").arg(i), QString::fromLatin1(kViewCaptions[i]));
        a->setCheckable(true);
        a->setChecked(i == 0);
        views->addAction(a);
        connect(a, &QAction::triggered, this, [this, i] { mnViewItem_Click(i); });
        mnViewItem_[std::size_t(i)] = a;
    }
    view->addSeparator();
    addMenuItem(view, "mnViewWaterfall", "&Waterfall");
    view->addSeparator();
    addMenuItem(view, "mnViewZoomIn", "Zoom &In")->setEnabled(false);
    addMenuItem(view, "mnViewZoomOut", "Zoom &Out")->setEnabled(false);
    connect(addMenuItem(view, "mnViewZoomFull", "Zoom &Full"), &QAction::triggered, this, [this] {
        mnViewZoomFull_Click();
    });
    menuItems_.value("mnViewZoomFull")->setEnabled(false);
    view->addSeparator();
    addMenuItem(view, "mnViewAuto", "&Auto Scale")->setCheckable(true);
    QAction* smooth = addMenuItem(view, "mnViewSmooth", "Third Octave Smooth");
    smooth->setCheckable(true);
    smooth->setEnabled(false);
    connect(smooth, &QAction::triggered, this, [this] { mnViewSmooth_Click(); });
    view->addSeparator();
    addMenuItem(view, "mnViewInfo", "Info")->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
    connect(menuItems_.value("mnViewInfo"), &QAction::triggered, this, [this] {
        guarded("mnViewInfo", [&] { (new frmEditInfo(waveKey_, mSelStart, mSelLength, this))->show(); });
    });
    menuItems_.value("mnViewInfo")->setEnabled(false);
    view->menuAction()->setEnabled(false);

    QMenu* par = menu("mnPar", "&Parameters");
    for (const auto& [name, caption] : {std::pair{"mnParIso", "&ISO 3382"}, {"mnParRev", "&Reverberation"},
                                        {"mnParSpa", "&Spaciousness"}, {"mnParEne", "&Energy Ratios"},
                                        {"mnParLev", "&Levels"}, {"mnParSpe", "S&peech"}, {"mnParSta", "S&tage"}})
        addMenuItem(par, name, caption)->setEnabled(false);
    par->addSeparator();
    addMenuItem(par, "mnParGraph", "&Graph/Statistics")->setShortcut(QKeySequence(Qt::Key_F2));

    QMenu* proc = menu("mnProc", "P&rocess");
    addMenuItem(proc, "mnProcAdrienne", "&Adrienne...");
    addMenuItem(proc, "mnProcScale", "&Scale Model...");
    ConnectProcessMenu(*this);
    proc->menuAction()->setEnabled(false);
}

void frmView::createToolbar()
{
    toolbar_ = addToolBar(QStringLiteral("Toolbar1"));
    toolbar_->setObjectName(QStringLiteral("Toolbar1"));
    toolbar_->setMovable(false);
    toolbar_->setIconSize(QSize(16, 16));
    // Thirty buttons fit the window's initial width only when packed closely.
    toolbar_->setStyleSheet(QStringLiteral("QToolBar { spacing: 0px; } QToolButton { padding: 1px; margin: 0px; }"));
    auto* viewGroup = new QActionGroup(this);
    auto* playGroup = new QActionGroup(this);
    for (const ButtonSpec& button : kButtons) {
        if (!button.key) {
            buttonOrder_.append(toolbar_->addSeparator());
            continue;
        }
        const QString key = QString::fromLatin1(button.key);
        QAction* a = toolbar_->addAction(glyphIcon(button.glyph, button.colour), QString::fromLatin1(button.toolTip));
        a->setObjectName(key);
        a->setToolTip(QString::fromLatin1(button.toolTip));
        a->setData(key);
        buttons_.insert(key, a);
        buttonOrder_.append(a);
        connect(a, &QAction::triggered, this, [this, key] { toolbarButtonClick(key); });
    }
    for (const char* key : {"Pressure", "Reflect", "Decay", "Schroeder", "Octave", "Terts", "Fftlin", "Fftlog"}) {
        buttons_.value(key)->setCheckable(true);
        viewGroup->addAction(buttons_.value(key));
    }
    for (const char* key : {"Play", "Stop"}) {
        buttons_.value(key)->setCheckable(true);
        playGroup->addAction(buttons_.value(key));
    }
    buttons_.value("Autoscale")->setCheckable(true);
}

void frmView::setButtonEnabled(const QString& key, bool enabled)
{
    if (QAction* a = buttons_.value(key))
        a->setEnabled(enabled);
}

void frmView::setButtonPressed(const QString& key, bool pressed)
{
    if (QAction* a = buttons_.value(key))
        a->setChecked(pressed);
}

void frmView::setMenuEnabled(const QString& name, bool enabled)
{
    if (QAction* a = menuItems_.value(name))
        a->setEnabled(enabled);
}

void frmView::toolbarButtonClick(const QString& key)
{
    guarded("Toolbar", [&] {
        static const QStringList viewKeys{"Pressure", "Reflect", "Decay",  "Schroeder",
                                          "Octave",   "Terts",   "Fftlin", "Fftlog"};
        const int view = int(viewKeys.indexOf(key));
        if (view >= 0) {
            mnViewItem_Click(view);
        } else if (key == QLatin1String("New")) {
            mnFileNew_Click();
        } else if (key == QLatin1String("Open")) {
            mnFileOpen_Click();
        } else if (key == QLatin1String("Close")) {
            mnFileClose_Click();
        } else if (key == QLatin1String("Save")) {
            const clsWave* wave = WaveFile();
            if (wave && wave->FileName().left(8).toUpper() == QLatin1String("UNTITLED"))
                mnFileSaveAs_Click();
            else
                mnFileSave_Click();
        } else if (key == QLatin1String("Filter")) {
            mnViewFilter_Click();
        } else if (key == QLatin1String("FilterDown")) {
            FilterDown();
            UpdateView();
        } else if (key == QLatin1String("FilterUp")) {
            FilterUp();
            UpdateView();
        } else if (key == QLatin1String("ZoomIn")) {
            mnViewZoomIn_Click();
        } else if (key == QLatin1String("ZoomOut")) {
            mnViewZoomOut_Click();
        } else if (key == QLatin1String("ZoomFull")) {
            mnViewZoomFull_Click();
        } else if (key == QLatin1String("Autoscale")) {
            mnViewAuto_Click();
        }
    });
}

} // namespace vemra
