// The document window's menu bar and toolbar: items and buttons with their names, keys and initial states, and
// the command registry behind them (a command without a handler keeps its item and button disabled).
#include "viewer/frmView.h"

#include "core/ErrorGuard.h"
#include "core/Globals.h"
#include "core/Settings.h"
#include "viewer/frmEditInfo.h"
#include "viewer/frmFileInfo.h"
#include "viewer/ProcessDialogs.h"
#include "viewer/ToolbarIcons.h"
#include "viewer/ToolbarLayout.h"
#include "viewer/frmCustomizeToolbar.h"

#include <QActionGroup>
#include <QKeySequence>
#include <QMenuBar>
#include <QIcon>
#include <QMenu>
#include <QToolBar>

namespace vemra {
namespace {

struct ButtonSpec {
    const char* key;         // nullptr: separator
    const char* toolTip;
    const char* description; // the text the customise dialog shows; nullptr: the tool tip
    const char* themeIcon;   // the desktop theme's icon, nullptr where no standard one exists
    const char* image;       // the program's own icon (:/icons/<image>.svg), also the fallback of the theme's
};

// The initial layout, position 1 first.
const ButtonSpec kButtons[] = {
    {"New", "New Window", nullptr, "document-new", "new"},
    {"Open", "Open File", nullptr, "document-open", "open"},
    {"Save", "Save File", nullptr, "document-save", "save"},
    {"Print", "Print Graph", nullptr, "document-print", "print"},
    {"Close", "Close File", nullptr, "window-close", "close"},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
    {"Pressure", "Pressure", nullptr, nullptr, "pressure"},
    {"Reflect", "Reflectogram", nullptr, nullptr, "reflect"},
    {"Decay", "Decay Curve", nullptr, nullptr, "decay"},
    {"Schroeder", "Schroeder Curve", nullptr, nullptr, "schroeder"},
    {"Octave", "Full Octave Spectrum", nullptr, nullptr, "octave"},
    {"Terts", "Third Octave Spectrum", nullptr, nullptr, "terts"},
    {"Fftlin", "Lin Spectrum", nullptr, nullptr, "fftlin"},
    {"Fftlog", "Log Spectrum", nullptr, nullptr, "fftlog"},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
    {"Waterfall", "Energy Time Frequency Plot", "Waterfall", nullptr, "waterfall"},
    {"Graph", "Graph/Statistics", nullptr, nullptr, "graph"},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
    {"FilterDown", "Previous Filter", nullptr, nullptr, "filterdown"},
    {"Filter", "Filter", nullptr, nullptr, "filter"},
    {"FilterUp", "Next Filter", nullptr, nullptr, "filterup"},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
    {"ZoomIn", "Zoom In", nullptr, "zoom-in", "zoomin"},
    {"ZoomOut", "Zoom Out", nullptr, "zoom-out", "zoomout"},
    {"ZoomFull", "Zoom Full", nullptr, "zoom-fit-best", "zoomfull"},
    {"Autoscale", "Auto Scale", "AutoScale", nullptr, "autoscale"},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
    {"Measure", "Measure", nullptr, nullptr, "measure"},
    {"Play", "Play", nullptr, "media-playback-start", "play"},
    {"Stop", "Stop", nullptr, "media-playback-stop", "stop"},
};

// Scalable icons, crisp at any screen scale: the theme's where the desktop has one, else the program's own.
QIcon buttonIcon(const ButtonSpec& button)
{
    const QIcon own = ToolbarIcon(QString::fromLatin1(button.image));
    return button.themeIcon ? QIcon::fromTheme(QString::fromLatin1(button.themeIcon), own) : own;
}

// Properties of the menu items and buttons: the command each runs, and a menu item's initial state.
constexpr const char* kCommandProperty = "vemraCommand";
constexpr const char* kInitialProperty = "vemraInitiallyEnabled";
constexpr const char* kDescriptionProperty = "vemraDescription";

// The stored toolbar layout ("General", "Toolbar1"), and the flag that says one is stored.
const QString kToolbarSection = QStringLiteral("General");
const QString kToolbarKey = QStringLiteral("Toolbar1");
const QString kToolbarFlagKey = QStringLiteral("ToolbarFlag");

void storeToolbarLayout(const QStringList& layout)
{
    SaveSetting(kToolbarSection, kToolbarKey, ToolbarLayoutText(layout));
    SaveSetting(kToolbarSection, kToolbarFlagKey, QStringLiteral("1"));
}

// Captions of the window shapes of Edit > Window, shape code = index + 1.
const char* const kWindowShapes[12] = {"Hanning",  "LH-Hanning",  "RH-Hanning",  "Hamming",
                                       "LH-Hamming", "RH-Hamming", "Blackman",    "LH-Blackman",
                                       "RH-Blackman", "Blackman-Harris", "LH-Blackman-Harris",
                                       "RH-Blackman-Harris"};

const char* const kViewCaptions[dsp::kViewTypeCount] = {
    "&Pressure",           "&Reflectogram",          "&Decay curve",   "&Schroeder",
    "Full &Octave spectrum", "&Third Octave spectrum", "&Lin Spectrum ", "Lo&g Spectrum"};

} // namespace

QAction* frmView::addMenuItem(QMenu* menu, const QString& name, const QString& caption, bool enabled)
{
    QAction* a = menu->addAction(caption);
    a->setObjectName(name);
    a->setProperty(kCommandProperty, name);
    a->setProperty(kInitialProperty, enabled);
    menuItems_.insert(name, a);
    connect(a, &QAction::triggered, this, [this, name] { runCommand(name); });
    return a;
}

QMenu* frmView::addSubmenu(QMenu* parent, const QString& name, const QString& caption)
{
    QMenu* m = parent ? parent->addMenu(caption) : menuBar()->addMenu(caption);
    m->setObjectName(name);
    m->menuAction()->setObjectName(name);
    menus_.insert(name, m);
    menuItems_.insert(name, m->menuAction());
    return m;
}

void frmView::createMenus()
{
    const auto key = [](QKeyCombination k) { return QKeySequence(k); };

    QMenu* file = addSubmenu(nullptr, "mnFile", "&File");
    addMenuItem(file, "mnFileNew", "&New")->setShortcut(key(Qt::CTRL | Qt::Key_N));
    addMenuItem(file, "mnFileMeasure", "&Measure...")->setShortcut(key(Qt::CTRL | Qt::Key_M));
    addMenuItem(file, "mnFileOpen", "&Open...")->setShortcut(key(Qt::CTRL | Qt::Key_O));
    file->addSeparator();
    addMenuItem(file, "mnFileSave", "&Save", false)->setShortcut(key(Qt::CTRL | Qt::Key_S));
    addMenuItem(file, "mnFileSaveAs", "Save &As...", false);
    file->addSeparator();
    addMenuItem(file, "mnFilePrint", "&Print...", false)->setShortcut(key(Qt::CTRL | Qt::Key_P));
    addMenuItem(file, "mnFileInfo", "P&roperties...", false);
    connectOutputCommands();
    setCommand("mnFileInfo", [this] {
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
    addMenuItem(file, "mnFileClose", "&Close", false);
    addMenuItem(file, "mnFileExit", "E&xit");
    connectFileCommands();

    QMenu* edit = addSubmenu(nullptr, "mnEdit", "&Edit");
    addMenuItem(edit, "mnEditCut", "Cut", false)->setShortcut(key(Qt::CTRL | Qt::Key_X));
    addMenuItem(edit, "mnEditCopy", "Copy", false)->setShortcut(key(Qt::CTRL | Qt::Key_C));
    addMenuItem(edit, "mnEditPaste", "Paste", false)->setShortcut(key(Qt::CTRL | Qt::Key_V));
    addMenuItem(edit, "mnEditDelete", "Delete", false)->setShortcut(QKeySequence(Qt::Key_Delete));
    edit->addSeparator();
    addMenuItem(edit, "mnEditSelectAll", "Select All")->setShortcut(key(Qt::CTRL | Qt::Key_A));
    setCommand("mnEditSelectAll", [this] { mnEditSelectAll_Click(); });
    edit->addSeparator();
    addMenuItem(edit, "mnEditRotate", "Rotate", false);
    edit->addSeparator();
    addMenuItem(edit, "mnEditSilence", "Silence", false);
    QMenu* window = addSubmenu(edit, "mnEditWindow", "Window");
    window->menuAction()->setEnabled(false);
    window->menuAction()->setVisible(DebugMode);
    for (int i = 0; i < 12; ++i)
        addMenuItem(window, QStringLiteral("mnEditWindowItem(%1)").arg(i), QString::fromLatin1(kWindowShapes[i]));
    connect(edit, &QMenu::aboutToShow, this, [this] { UpdateEditMenu(); });
    connectEditCommands();

    QMenu* view = addSubmenu(nullptr, "mnView", "&View");
    view->menuAction()->setEnabled(false);
    addMenuItem(view, "mnViewFilter", "&Filter...");
    setCommand("mnViewFilter", [this] { mnViewFilter_Click(); });
    // The toolbar's band steps.
    setCommand("FilterDown", [this] {
        FilterDown();
        UpdateView();
    });
    setCommand("FilterUp", [this] {
        FilterUp();
        UpdateView();
    });
    view->addSeparator();
    auto* views = new QActionGroup(this);
    for (int i = 0; i < dsp::kViewTypeCount; ++i) {
        const QString name = QStringLiteral("mnViewItem(%1)").arg(i);
        QAction* a = addMenuItem(view, name, QString::fromLatin1(kViewCaptions[i]));
        a->setCheckable(true);
        a->setChecked(i == dsp::ViewPressure);
        views->addAction(a);
        setCommand(name, [this, i] { mnViewItem_Click(i); });
        mnViewItem_[std::size_t(i)] = a;
    }
    view->addSeparator();
    addMenuItem(view, "mnViewWaterfall", "&Waterfall");
    view->addSeparator();
    addMenuItem(view, "mnViewZoomIn", "Zoom &In", false);
    addMenuItem(view, "mnViewZoomOut", "Zoom &Out", false);
    addMenuItem(view, "mnViewZoomFull", "Zoom &Full", false);
    setCommand("mnViewZoomFull", [this] { mnViewZoomFull_Click(); });
    view->addSeparator();
    addMenuItem(view, "mnViewAuto", "&Auto Scale")->setCheckable(true);
    QAction* smooth = addMenuItem(view, "mnViewSmooth", "Third Octave Smooth", false);
    smooth->setCheckable(true);
    setCommand("mnViewSmooth", [this] { mnViewSmooth_Click(); });
    view->addSeparator();
    addMenuItem(view, "mnViewInfo", "Info", false)->setShortcut(key(Qt::CTRL | Qt::Key_I));
    setCommand("mnViewInfo", [this] {
        guarded("mnViewInfo", [&] { (new frmEditInfo(waveKey_, mSelStart, mSelLength, this))->show(); });
    });

    QMenu* par = addSubmenu(nullptr, "mnPar", "&Parameters");
    for (const auto& [name, caption] : {std::pair{"mnParIso", "&ISO 3382"}, {"mnParRev", "&Reverberation"},
                                        {"mnParSpa", "&Spaciousness"}, {"mnParEne", "&Energy Ratios"},
                                        {"mnParLev", "&Levels"}, {"mnParSpe", "S&peech"}, {"mnParSta", "S&tage"}})
        addMenuItem(par, name, caption, false);
    par->addSeparator();
    addMenuItem(par, "mnParGraph", "&Graph/Statistics")->setShortcut(QKeySequence(Qt::Key_F2));

    QMenu* proc = addSubmenu(nullptr, "mnProc", "P&rocess");
    proc->menuAction()->setEnabled(false);
    addMenuItem(proc, "mnProcAdrienne", "&Adrienne...");
    addMenuItem(proc, "mnProcScale", "&Scale Model...");
    ConnectProcessMenu(*this);

    QMenu* setup = addSubmenu(nullptr, "mnSetup", "&Setup");
    addMenuItem(setup, "mnSetupOptions", "&Options");
    QMenu* calibrate = addSubmenu(setup, "mnSetupCalibration", "&Calibrate");
    addMenuItem(calibrate, "mnSetupCalCard", "Sound&Card");
    addMenuItem(calibrate, "mnSetupCalSys", "&System");
    addMenuItem(calibrate, "mnSetupCalProbe", "&Probe", false)->setVisible(false);

    QMenu* debug = addSubmenu(nullptr, "mnDebug", "&Debug");
    debug->menuAction()->setVisible(DebugMode);
    addMenuItem(debug, "mnDebugHelpTest", "&Help test");
    addMenuItem(debug, "mnDebugWritePRNs", "&Write PRNs");
    addMenuItem(debug, "mnDebugWriteSweeps", "Write &Sweeps");
    addMenuItem(debug, "mnDebugHadamard", "&Hadamard")->setVisible(false);
    addMenuItem(debug, "mnDebugInvert", "&InvertResponse");
    addMenuItem(debug, "mnDebugProcess", "&Process");
    connectDebugCommands();

    QMenu* help = addSubmenu(nullptr, "mnHelp", "&Help");
    addMenuItem(help, "mnHelpTopics", "&Vemra Help Topics")->setShortcut(key(Qt::SHIFT | Qt::Key_F1));
    help->addSeparator();
    QMenu* internet = addSubmenu(help, "mnHelpInternet", "&Internet");
    internet->menuAction()->setVisible(false);
    addMenuItem(internet, "mnHelpInternetHome", "Harlun &Homepage");
    addMenuItem(internet, "mnHelpInternetSupport", "Harlun &Support");
    addMenuItem(help, "mnHelpAbout", "&About...");
    connectHelpCommands();
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
            initialLayout_.append(kToolbarSeparator);
            continue;
        }
        const QString key = QString::fromLatin1(button.key);
        // The window owns the buttons: a layout that leaves one out only takes it off the toolbar.
        auto* a = new QAction(buttonIcon(button), QString::fromLatin1(button.toolTip), this);
        a->setObjectName(key);
        a->setToolTip(QString::fromLatin1(button.toolTip));
        a->setData(key);
        a->setProperty(kCommandProperty, commandOfButton(key));
        a->setProperty(kInitialProperty, true);
        a->setProperty(kDescriptionProperty,
                       QString::fromLatin1(button.description ? button.description : button.toolTip));
        buttons_.insert(key, a);
        buttonKeys_.append(key);
        initialLayout_.append(key);
        connect(a, &QAction::triggered, this, [this, key] { toolbarButtonClick(key); });
    }
    applyToolbarLayout(initialLayout_);
    for (const char* key : {"Pressure", "Reflect", "Decay", "Schroeder", "Octave", "Terts", "Fftlin", "Fftlog"}) {
        buttons_.value(key)->setCheckable(true);
        viewGroup->addAction(buttons_.value(key));
    }
    for (const char* key : {"Play", "Stop"}) {
        buttons_.value(key)->setCheckable(true);
        playGroup->addAction(buttons_.value(key));
    }
    buttons_.value("Autoscale")->setCheckable(true);
    // A toolbar the user emptied keeps the height of its buttons: the right-click that brings them back needs a
    // place to land.
    toolbar_->setMinimumHeight(toolbar_->sizeHint().height());

    toolbar_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(toolbar_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu menu(this);
        QAction* customise = menu.addAction(QStringLiteral("&Customize Toolbar..."));
        customise->setEnabled(customiseAllowed_);
        if (menu.exec(toolbar_->mapToGlobal(at)) == customise)
            CustomizeToolbar();
    });
}

void frmView::applyToolbarLayout(const QStringList& layout)
{
    toolbar_->clear();
    // The separators are made for each layout; the buttons stay.
    for (QAction* a : std::as_const(buttonOrder_))
        if (a->isSeparator())
            delete a;
    buttonOrder_.clear();
    for (const QString& key : layout) {
        QAction* a = nullptr;
        if (key == kToolbarSeparator) {
            a = new QAction(this);
            a->setSeparator(true);
        } else {
            a = buttons_.value(key);
        }
        if (!a)
            continue;
        toolbar_->addAction(a);
        buttonOrder_.append(a);
    }
}

QStringList frmView::toolbarLayout() const
{
    QStringList layout;
    for (const QAction* a : buttonOrder_)
        layout.append(a->isSeparator() ? kToolbarSeparator : a->data().toString());
    return layout;
}

void frmView::LoadToolbar()
{
    passOver([&] {
        if (ReadInteger(kToolbarSection, kToolbarFlagKey, INT16_MIN, INT16_MAX).value_or(0) == 0)
            storeToolbarLayout(toolbarLayout());
        // Customising is not allowed yet: the restore is not written back. A missing value keeps the initial
        // layout; an empty one is a toolbar the user emptied and stays empty.
        if (!HasSetting(kToolbarSection, kToolbarKey))
            return;
        if (const auto stored = ParseToolbarLayout(GetSetting(kToolbarSection, kToolbarKey), buttonKeys_))
            applyToolbarLayout(*stored);
    });
    customiseAllowed_ = true;
}

void frmView::setToolbarLayout(const QStringList& layout)
{
    applyToolbarLayout(layout);
    Toolbar1_Change();
}

void frmView::Toolbar1_Change()
{
    if (!customiseAllowed_)
        return;
    storeToolbarLayout(toolbarLayout());
}

frmCustomizeToolbar* frmView::CustomizeToolbar()
{
    if (!customiseAllowed_)
        return nullptr;
    QList<frmCustomizeToolbar::Button> buttons;
    for (const QString& key : std::as_const(buttonKeys_)) {
        const QAction* a = buttons_.value(key);
        buttons.append({key, a->property(kDescriptionProperty).toString(), a->icon()});
    }
    auto* dialog = new frmCustomizeToolbar(buttons, initialLayout_, toolbarLayout(),
                                           [this](const QStringList& layout) { setToolbarLayout(layout); }, this);
    dialog->open();
    return dialog;
}

// --- commands ---

QString frmView::commandOfButton(const QString& key)
{
    static const QHash<QString, QString> commands{
        {"New", "mnFileNew"},          {"Open", "mnFileOpen"},         {"Save", "Save"},
        {"Print", "Print"},            {"Close", "mnFileClose"},       {"Pressure", "mnViewItem(0)"},
        {"Reflect", "mnViewItem(1)"},  {"Decay", "mnViewItem(2)"},     {"Schroeder", "mnViewItem(3)"},
        {"Octave", "mnViewItem(4)"},   {"Terts", "mnViewItem(5)"},     {"Fftlin", "mnViewItem(6)"},
        {"Fftlog", "mnViewItem(7)"},   {"Waterfall", "mnViewWaterfall"}, {"Graph", "mnParGraph"},
        {"FilterDown", "FilterDown"},  {"Filter", "mnViewFilter"},     {"FilterUp", "FilterUp"},
        {"ZoomIn", "mnViewZoomIn"},    {"ZoomOut", "mnViewZoomOut"},   {"ZoomFull", "mnViewZoomFull"},
        {"Autoscale", "mnViewAuto"},   {"Measure", "mnFileMeasure"},   {"Play", "Play"},
        {"Stop", "Stop"},              {"Hlhome", "mnHelpInternetHome"}, {"Support", "mnHelpInternetSupport"},
        {"Iso3382", "mnParIso"},
    };
    return commands.value(key);
}

void frmView::setCommand(const QString& command, std::function<void()> handler)
{
    if (handler)
        commands_.insert(command, std::move(handler));
    else
        commands_.remove(command);
}

void frmView::runCommand(const QString& command)
{
    // A copy: the handler may replace itself, or close the window that holds it.
    const auto handler = commands_.value(command);
    if (handler)
        handler();
}

void frmView::setActionEnabled(QAction* action, bool enabled)
{
    if (!action)
        return;
    const QString command = action->property(kCommandProperty).toString();
    action->setEnabled(enabled && (command.isEmpty() || hasCommand(command)));
}

void frmView::applyInitialStates()
{
    for (QAction* a : std::as_const(menuItems_))
        if (a->property(kInitialProperty).isValid())
            setActionEnabled(a, a->property(kInitialProperty).toBool());
    for (QAction* a : std::as_const(buttons_))
        setActionEnabled(a, true);
}

void frmView::setButtonEnabled(const QString& key, bool enabled)
{
    setActionEnabled(buttons_.value(key), enabled);
}

void frmView::setButtonPressed(const QString& key, bool pressed)
{
    if (QAction* a = buttons_.value(key))
        a->setChecked(pressed);
}

void frmView::setMenuEnabled(const QString& name, bool enabled)
{
    setActionEnabled(menuItems_.value(name), enabled);
}

void frmView::toolbarButtonClick(const QString& key)
{
    guarded("Toolbar", [&] { runCommand(commandOfButton(key)); });
}

} // namespace vemra
