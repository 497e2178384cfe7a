#include "viewer/frmFileInfo.h"

#include "calibration/SystemCalStore.h"
#include "core/ErrorGuard.h"
#include "core/Errors.h"
#include "core/Globals.h"
#include "core/HelpKey.h"
#include "core/NumberFormat.h"
#include "core/Settings.h"
#include "core/Twips.h"
#include "core/VemraError.h"
#include "document/Waves.h"
#include "document/clsWave.h"
#include "library/Codes.h"
#include "library/Messages.h"

#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>
#include <optional>

namespace vemra {
namespace {

constexpr int kHelpContext = 10;

const QString kUserInfo = QStringLiteral("UserInfo");
const QString kNotCalibrated = QStringLiteral("Not Calibrated");
const char* const kUserKeys[5] = {"Project", "Position", "Engineer", "Copyright", "Comments"};

QLabel* namedLabel(const QString& name, const QString& text, QWidget* parent)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    return l;
}

QLabel* caption(const QString& name, const QString& text, QWidget* parent)
{
    QLabel* l = namedLabel(name, text, parent);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return l;
}

// " 0;-0": the blank stands where a minus sign would be.
QString signedWhole(double value)
{
    const QString text = FormatNumber(value, QStringLiteral("0"));
    return text.startsWith(QLatin1Char('-')) ? text : QLatin1Char(' ') + text;
}

QString stimulusText(int code)
{
    switch (code) {
    case StimulusInternalMls: return QStringLiteral(" Internal MLS");
    case StimulusInternalSweep: return QStringLiteral(" Internal Sweep");
    case StimulusExternalMls: return QStringLiteral(" External MLS");
    case StimulusExternalSweep: return QStringLiteral(" External Sweep");
    case StimulusExternalNoise: return QStringLiteral(" External Noise");
    case StimulusExternalImpulse: return QStringLiteral(" External Impulse");
    default: return QStringLiteral(" Unknown");
    }
}

QString receiverText(int code)
{
    switch (code) {
    case ReceiverOmni: return QStringLiteral(" Omni-directional");
    case ReceiverOmniFig8Switched: return QStringLiteral(" Omni-bi-directional, switched");
    case ReceiverDualOmni: return QStringLiteral(" Dual omni-directional");
    case ReceiverOmniFig8: return QStringLiteral(" Omni-directional and bi-directional");
    case ReceiverHead: return QStringLiteral(" Measurement head");
    case ReceiverOmniOmniProbe: return QStringLiteral(" Omni-omni-directional, probe");
    case ReceiverReflectionIndex: return QStringLiteral(" Adrienne measurement");
    default: return QStringLiteral(" Unknown");
    }
}

QString gainText(float dB) { return FormatNumber(dB, QStringLiteral("0.0")); }

float gainValue(const QLineEdit* box)
{
    const std::optional<double> value = ParseNumber(box->text().trimmed());
    if (!value || std::fabs(*value) > 3.4e38)
        throw VemraError::typeMismatch();
    return float(*value);
}

// The recording's date as the page shows it. A response without a stored date shows its file's time of last
// writing; when that file has gone since it was opened, that is the user's fact, not the program's fault: the
// file's message says so, the date stays blank, and the rest of the recording still shows (a page left half
// filled would have OK store its empty texts over the document's).
QString recordingDate(const clsWave& wave)
{
    try {
        return QLatin1Char(' ') + wave.DateTime();
    } catch (const VemraError& error) {
        if (error.number() != VemraError::fileNotFound().number())
            throw;
    }
    HandleError(msg::CannotRead, wave.FileName());
    return QString();
}

clsWave& documentOf(const QString& key)
{
    clsWave* wave = WaveByKey(key);
    if (!wave)
        throw VemraError::objectNotSet();
    return *wave;
}

} // namespace

frmFileInfo::frmFileInfo(const QString& key, QWidget* parent) : QDialog(parent), Key(key)
{
    setObjectName(QStringLiteral("frmFileInfo"));
    setWindowTitle(QStringLiteral("File Properties"));
    InstallHelpKey(this, kHelpContext);
    setModal(true);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    TabStrip1_ = new QTabBar(this);
    TabStrip1_->setObjectName(QStringLiteral("TabStrip1"));
    TabStrip1_->addTab(QStringLiteral("&User"));
    TabStrip1_->setTabData(0, QStringLiteral("TabUser"));
    TabStrip1_->addTab(QStringLiteral("&Vemra"));
    TabStrip1_->setTabData(1, QStringLiteral("TabVemra"));
    for (int i = 0; i < 2; ++i) {
        fraTabs_[std::size_t(i)] = new QFrame(this);
        fraTabs_[std::size_t(i)]->setObjectName(QStringLiteral("fraTabs(%1)").arg(i));
        fraTabs_[std::size_t(i)]->setFrameShape(QFrame::StyledPanel);
    }
    buildUserPage(fraTabs_[0]);
    buildDataPage(fraTabs_[1]);

    auto* cmdOK = new QPushButton(QStringLiteral("&OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    auto* cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setAutoDefault(false);
    auto* cmdHelp = new QPushButton(QStringLiteral("&Help"), this);
    cmdHelp->setObjectName(QStringLiteral("cmdHelp"));
    cmdHelp->setAutoDefault(false);
    connect(cmdOK, &QPushButton::clicked, this, &frmFileInfo::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmFileInfo::cmdCancel_Click);
    connect(cmdHelp, &QPushButton::clicked, this, &frmFileInfo::cmdHelp_Click);
    connect(TabStrip1_, &QTabBar::currentChanged, this, [this](int index) { TabStrip1_Click(index + 1); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    buttons->addWidget(cmdHelp);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(TabStrip1_);
    layout->addWidget(fraTabs_[0]);
    layout->addWidget(fraTabs_[1]);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    Form_Load();
    // Both pages take the room of the larger one, so the dialog keeps its size when the page changes.
    const QSize room = fraTabs_[0]->sizeHint().expandedTo(fraTabs_[1]->sizeHint());
    fraTabs_[0]->setFixedSize(room);
    fraTabs_[1]->setFixedSize(room);
}

void frmFileInfo::buildUserPage(QFrame* page)
{
    auto* grid = new QGridLayout(page);
    const int captions[5] = {0, 13, 14, 15, 17};
    const char* const texts[5] = {"Project: ", "Position: ", "Engineer: ", "Copyright: ", "Comments: "};
    for (int i = 0; i < 5; ++i) {
        QLabel* l = caption(QStringLiteral("lblInfo(%1)").arg(captions[i]), QString::fromLatin1(texts[i]), page);
        QWidget* box;
        if (i < 4) {
            txtUser_[std::size_t(i)] = new QLineEdit(page);
            txtUser_[std::size_t(i)]->setFixedWidth(TwipsToPixelsX(page, 3000));
            box = txtUser_[std::size_t(i)];
        } else {
            txtComments_ = new QPlainTextEdit(page);
            txtComments_->setFixedSize(TwipsToPixelsX(page, 4860), TwipsToPixelsY(page, 1125));
            txtComments_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
            txtComments_->setTabChangesFocus(true);
            box = txtComments_;
        }
        box->setObjectName(QStringLiteral("txtUser(%1)").arg(i));
        box->installEventFilter(this);
        grid->addWidget(l, i, 0, i == 4 ? Qt::AlignTop | Qt::AlignRight : Qt::AlignRight);
        grid->addWidget(box, i, 1, 1, 3, Qt::AlignLeft);
    }
    cmbCali_ = new QComboBox(page);
    cmbCali_->setObjectName(QStringLiteral("cmbCali"));
    cmbCali_->setFixedWidth(TwipsToPixelsX(page, 4860));
    grid->addWidget(caption(QStringLiteral("lblGain(105)"), QStringLiteral("Calibration: "), page), 5, 0);
    grid->addWidget(cmbCali_, 5, 1, 1, 3, Qt::AlignLeft);

    QLabel* head = namedLabel(QStringLiteral("lblGain(3)"), QStringLiteral("Gain [dB]"), page);
    QFont bold = head->font();
    bold.setBold(true);
    head->setFont(bold);
    grid->addWidget(head, 6, 0, Qt::AlignRight);
    grid->addWidget(namedLabel(QStringLiteral("lblGain(100)"), QStringLiteral("External"), page), 6, 1);
    grid->addWidget(namedLabel(QStringLiteral("lblGain(101)"), QStringLiteral("Internal"), page), 6, 2);
    const char* const rows[3] = {"Output: ", "Ch 1 In: ", "Ch 2 In: "};
    for (int i = 0; i < 3; ++i) {
        grid->addWidget(caption(QStringLiteral("lblGain(%1)").arg(102 + i), QString::fromLatin1(rows[i]), page),
                        7 + i, 0);
        txtGain_[std::size_t(i)] = new QLineEdit(page);
        txtGain_[std::size_t(i)]->setObjectName(QStringLiteral("txtGain(%1)").arg(i));
        txtGain_[std::size_t(i)]->installEventFilter(this);
        grid->addWidget(txtGain_[std::size_t(i)], 7 + i, 1);
        grid->addWidget(namedLabel(QStringLiteral("lblGain(%1)").arg(i), QString(), page), 7 + i, 2);
    }
    grid->setColumnStretch(3, 1);
    grid->setRowStretch(10, 1);
}

void frmFileInfo::buildDataPage(QFrame* page)
{
    auto* grid = new QGridLayout(page);
    struct Row {
        int caption;
        const char* text;
        const char* value;
        const char* second;
    };
    const Row rows[] = {
        {16, "Date / Time: ", "lblVemra(12)", nullptr}, {7, "Vemra version: ", "lblVemra(0)", nullptr},
        {8, "Average count: ", "lblVemra(1)", nullptr},  {9, "Stimulus: ", "lblVemra(2)", nullptr},
        {10, "Receiver: ", "lblVemra(3)", nullptr},      {12, "Temperature: ", "lblVemra(5)", nullptr},
        {11, "Probe seperation: ", "lblVemra(4)", nullptr}, {1, "Channels: ", "lblData(1)", nullptr},
        {2, "Samples per second: ", "lblData(2)", nullptr}, {3, "Samples: ", "lblData(3)", nullptr},
        {4, "Length: ", "lblData(4)", nullptr},          {5, "MaxValue: ", "lblData(5)", "lblData(7)"},
        {6, "MinValue: ", "lblData(6)", "lblData(8)"},
    };
    int r = 0;
    for (const Row& row : rows) {
        grid->addWidget(caption(QStringLiteral("lblInfo(%1)").arg(row.caption), QString::fromLatin1(row.text), page),
                        r, 0);
        // Texts may run across the second channel's column; the two channels' numbers stand side by side.
        grid->addWidget(namedLabel(QString::fromLatin1(row.value), QString(), page), r, 1, 1, row.second ? 1 : 3);
        if (row.second)
            grid->addWidget(namedLabel(QString::fromLatin1(row.second), QString(), page), r, 2);
        ++r;
    }
    page->findChild<QLabel*>(QStringLiteral("lblInfo(11)"))->hide();
    page->findChild<QLabel*>(QStringLiteral("lblVemra(4)"))->hide();
    grid->setColumnMinimumWidth(1, TwipsToPixelsX(page, 900));
    grid->setColumnStretch(3, 1);
    grid->setRowStretch(r, 1);
}

void frmFileInfo::Form_Load()
{
    fraTabs_[0]->hide();
    fraTabs_[1]->hide();
    currentFrame_ = 0;
    fraTabs_[0]->show();

    guarded("InfoFormLoad", [&] {
        const clsWave& wave = documentOf(Key);
        setWindowTitle(QStringLiteral("File Properties - ") + wave.FileName());
        auto set = [this](const char* name, const QString& text) {
            findChild<QLabel*>(QString::fromLatin1(name))->setText(text);
        };

        // Data page.
        set("lblData(1)", QLatin1Char(' ') + FormatNumber(wave.Channels(), QStringLiteral("0")));
        set("lblData(2)", QLatin1Char(' ') + FormatNumber(wave.SampleFrequency(), QStringLiteral("0")));
        set("lblData(3)", QLatin1Char(' ') + FormatNumber(wave.SampleCount(), QStringLiteral("0")));
        if (wave.SampleFrequency() == 0)
            throw VemraError::divisionByZero();
        set("lblData(4)", QLatin1Char(' ') +
                              FormatNumber(double(wave.SampleCount()) / wave.SampleFrequency(),
                                           QStringLiteral("0.000")) +
                              QLatin1Char('s'));
        set("lblData(5)", QLatin1Char(' ') + FormatNumber(wave.MaxDataValue(0), QStringLiteral("0")));
        set("lblData(6)", signedWhole(wave.MinDataValue(0)));
        if (wave.Channels() == 2) {
            set("lblData(7)", QLatin1Char(' ') + FormatNumber(wave.MaxDataValue(1), QStringLiteral("0")));
            set("lblData(8)", signedWhole(wave.MinDataValue(1)));
        } else {
            findChild<QLabel*>(QStringLiteral("lblData(7)"))->hide();
            findChild<QLabel*>(QStringLiteral("lblData(8)"))->hide();
        }
        set("lblVemra(0)", QLatin1Char(' ') + wave.VemraVersion());
        set("lblVemra(1)", signedWhole(wave.AvgCount()));
        set("lblVemra(2)", stimulusText(wave.Stimulus()));
        set("lblVemra(3)", receiverText(wave.Receiver()));
        if (wave.Receiver() == ReceiverOmniOmniProbe || wave.Receiver() == ReceiverReflectionIndex) {
            auto* probeCaption = findChild<QLabel*>(QStringLiteral("lblInfo(11)"));
            probeCaption->show();
            findChild<QLabel*>(QStringLiteral("lblVemra(4)"))->show();
            if (wave.Receiver() == ReceiverOmniOmniProbe) {
                set("lblVemra(4)", QLatin1Char(' ') + FormatNumber(wave.ProbeDist(), QStringLiteral("0.0")) +
                                       QStringLiteral(" mm"));
            } else {
                // A reflection-index result keeps its distance in metres.
                probeCaption->setText(QStringLiteral("Probe distance: "));
                set("lblVemra(4)", QLatin1Char(' ') +
                                       FormatNumber(double(wave.ProbeDist()) * 1000.0, QStringLiteral("0")) +
                                       QStringLiteral(" mm"));
            }
        }
        set("lblVemra(5)", QLatin1Char(' ') + FormatNumber(wave.Temperature(), QStringLiteral("0.0")) +
                               QStringLiteral(" \u00B0C"));
        set("lblVemra(12)", recordingDate(wave));

        // User page texts: the remembered defaults until a new recording's information has been confirmed.
        const bool defaults = wave.NewRecording() && !wave.ValidInfo();
        const QString texts[5] = {wave.Project(), wave.Position(), wave.Engineer(), wave.Copyright(),
                                  wave.Comments()};
        for (int i = 0; i < 5; ++i) {
            const QString text =
                QLatin1Char(' ') + (defaults ? GetSetting(kUserInfo, QString::fromLatin1(kUserKeys[i])) : texts[i]);
            if (i < 4)
                txtUser_[std::size_t(i)]->setText(text);
            else
                txtComments_->setPlainText(text);
        }

        // Gain rows the stimulus and receiver have no use for.
        if (!isInternalStimulus(wave.Stimulus())) {
            for (const char* name : {"lblGain(102)", "txtGain(0)", "lblGain(0)"})
                findChild<QWidget*>(QString::fromLatin1(name))->hide();
        }
        if (wave.Stimulus() != StimulusExternalNoise
            && (wave.Receiver() == ReceiverOmni || wave.Receiver() == ReceiverOmniFig8Switched)) {
            for (const char* name : {"lblGain(104)", "txtGain(2)", "lblGain(2)"})
                findChild<QWidget*>(QString::fromLatin1(name))->hide();
        }

        fillCalibrationList(wave);

        if (wave.NewRecording() && !wave.Calibrated() && !wave.ValidInfo()) {
            txtGain_[0]->setText(gainText(LastGainExtOut));
            txtGain_[1]->setText(gainText(LastGainExtCha0));
            txtGain_[2]->setText(gainText(LastGainExtCha1));
            const int found = cmbCali_->findText(LastCalID, Qt::MatchExactly | Qt::MatchCaseSensitive);
            cmbCali_->setCurrentIndex(found >= 0 ? found : cmbCali_->count() - 1);
        } else {
            txtGain_[0]->setText(gainText(wave.GainExtOut()));
            txtGain_[1]->setText(gainText(wave.GainExtCha(0)));
            txtGain_[2]->setText(gainText(wave.GainExtCha(1)));
            int found = cmbCali_->findText(wave.CalID(), Qt::MatchExactly | Qt::MatchCaseSensitive);
            if (found < 0) {
                cmbCali_->addItem(wave.CalID(), -1);
                found = cmbCali_->count() - 1;
            }
            cmbCali_->setCurrentIndex(found);
        }
        findChild<QLabel*>(QStringLiteral("lblGain(0)"))->setText(gainText(wave.GainIntOut()));
        findChild<QLabel*>(QStringLiteral("lblGain(1)"))->setText(gainText(wave.GainIntCha(0)));
        findChild<QLabel*>(QStringLiteral("lblGain(2)"))->setText(gainText(wave.GainIntCha(1)));
    });
}

void frmFileInfo::fillCalibrationList(const clsWave& wave)
{
    cmbCali_->clear();
    const int order = StimulusOrderOfLength(wave.SampleCount());
    for (const auto& [n, description] : SystemCalibrationsFor(wave.Stimulus(), wave.Receiver(), order))
        cmbCali_->addItem(description, n);
    cmbCali_->addItem(kNotCalibrated, -1);
}

void frmFileInfo::writeCalibrationGains(clsWave& wave)
{
    const int entry = cmbCali_->currentIndex() >= 0 ? cmbCali_->currentData().toInt() : -1;
    const QString data = GetSetting(kCalibrationSection, QString::number(entry) + QStringLiteral("CalData"));
    if (data.isEmpty()) {
        if (!wave.Calibrated()) {
            for (int b = 2; b <= 8; ++b) {
                wave.setGainCalCh1(b, 0);
                wave.setGainCalCh2(b, 0);
            }
        }
        return;
    }
    // All fourteen numbers are read before any is stored, so a garbled entry cannot leave a half-changed
    // calibration behind.
    const std::optional<std::array<float, 14>> read = SystemCalRecordGains(data);
    if (!read)
        throw VemraError::typeMismatch();
    const std::array<float, 14>& gains = *read;
    for (int b = 2; b <= 8; ++b) {
        wave.setGainCalCh1(b, gains[b - 2]);
        wave.setGainCalCh2(b, gains[b + 5]);
    }
}

void frmFileInfo::cmdOK_Click()
{
    guarded("Info_cmdOK", [&] {
        clsWave& wave = documentOf(Key);
        const QChar nul(0);
        wave.setProject(txtUser_[0]->text() + nul);
        wave.setPosition(txtUser_[1]->text() + nul);
        wave.setEngineer(txtUser_[2]->text() + nul);
        wave.setCopyright(txtUser_[3]->text() + nul);
        wave.setComments(txtComments_->toPlainText() + nul);
        if (wave.NewRecording()) {
            const QString texts[5] = {wave.Project(), wave.Position(), wave.Engineer(), wave.Copyright(),
                                      wave.Comments()};
            for (int i = 0; i < 5; ++i)
                SaveSetting(kUserInfo, QString::fromLatin1(kUserKeys[i]), texts[i]);
        }
        wave.setGainExtOut(gainValue(txtGain_[0]));
        wave.setGainExtCha(0, gainValue(txtGain_[1]));
        wave.setGainExtCha(1, gainValue(txtGain_[2]));
        wave.setCalID(cmbCali_->currentText().trimmed() + nul);
        writeCalibrationGains(wave);
        if (wave.NewRecording()) {
            LastGainExtOut = wave.GainExtOut();
            LastGainExtCha0 = wave.GainExtCha(0);
            LastGainExtCha1 = wave.GainExtCha(1);
            LastCalID = wave.CalID();
        }
        wave.ResetFlags();
        wave.setValidInfo(true);
    });
    ResultOK = true;
    accept();
}

void frmFileInfo::cmdCancel_Click()
{
    ResultOK = false;
    reject();
}

void frmFileInfo::cmdHelp_Click() { ShowHelp(this, kHelpContext); }

void frmFileInfo::TabStrip1_Click(int tab)
{
    const int frame = tab - 1;
    if (frame == currentFrame_ || frame < 0 || frame > 1)
        return;
    fraTabs_[std::size_t(frame)]->show();
    fraTabs_[std::size_t(currentFrame_)]->hide();
    currentFrame_ = frame;
    if (TabStrip1_->currentIndex() != frame)
        TabStrip1_->setCurrentIndex(frame);
}

bool frmFileInfo::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn) {
        // After the click that gave the focus has placed the cursor.
        if (auto* box = qobject_cast<QLineEdit*>(watched))
            QTimer::singleShot(0, box, [box] { box->selectAll(); });
        else if (auto* comments = qobject_cast<QPlainTextEdit*>(watched))
            QTimer::singleShot(0, comments, [comments] { comments->selectAll(); });
    } else if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            for (int i = 0; i < 4; ++i) {
                if (watched == txtUser_[std::size_t(i)]) {
                    // Enter in a one-line text box moves on to the next box rather than closing the dialog.
                    if (i < 3)
                        txtUser_[std::size_t(i + 1)]->setFocus();
                    else
                        txtComments_->setFocus();
                    return true;
                }
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool ShowFileInfo(const QString& key, QWidget* owner)
{
    frmFileInfo dialog(key, owner);
    dialog.exec();
    return dialog.ResultOK;
}

} // namespace vemra
