// The system calibration window: its files, description and volume, the check of the files, the list of stored
// calibrations and their deletion.
#include "calibration/frmCalSystem.h"

#include "audio/SoundSysNames.h"
#include "core/ErrorGuard.h"
#include "core/Errors.h"
#include "core/Settings.h"
#include "core/UiServices.h"
#include "core/clsOptions.h"
#include "core/Globals.h"
#include "core/HelpKey.h"
#include "core/ProgressValue.h"
#include "core/SelectOnFocus.h"
#include "document/Waves.h"
#include "document/clsWave.h"
#include "library/Messages.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>


namespace vemra {

std::optional<double> RoomVolume(const QString& text)
{
    return ParseNumber(text, -clsOptions::kLargestFloat, clsOptions::kLargestFloat);
}

void frmCalSystem::ShowModal()
{
    frmCalSystem window(nullptr);
    window.exec();
}

frmCalSystem::frmCalSystem(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmCalSystem"));
    setWindowTitle(QStringLiteral("System Calibration"));
    setModal(true);
    buildLayout();
    InstallHelpKey(this, [] { return kHelpContext; });
    guarded("CalSystemLoad", [&] { Form_Load(); });
}

frmCalSystem::~frmCalSystem()
{
    if (!mUnloaded) {
        mUnloaded = true;
        passOver([&] { SaveSetting(kCalibrationSection, QStringLiteral("Volume"), txtVolume->text()); });
    }
}

void frmCalSystem::buildLayout()
{
    auto* grid = new QGridLayout(this);
    lstFiles = new QListWidget(this);
    lstFiles->setObjectName(QStringLiteral("lstFiles"));
    lstFiles->setSelectionMode(QAbstractItemView::ExtendedSelection);
    grid->addWidget(lstFiles, 0, 0, 1, 3);
    fraStatus = new QFrame(this);
    fraStatus->setObjectName(QStringLiteral("fraStatus"));
    fraStatus->setFrameShape(QFrame::StyledPanel);
    // It lies over the file list: its own background hides the list's names behind the status texts.
    fraStatus->setAutoFillBackground(true);
    auto* status = new QVBoxLayout(fraStatus);
    lblStatus = new QLabel(fraStatus);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblFilename = new QLabel(fraStatus);
    lblFilename->setObjectName(QStringLiteral("lblFilename"));
    lblFilename->setWordWrap(true);
    prgProgress = new QProgressBar(fraStatus);
    prgProgress->setObjectName(QStringLiteral("prgProgress"));
    status->addWidget(lblStatus);
    status->addWidget(lblFilename);
    status->addWidget(prgProgress);
    status->addStretch(1);
    grid->addWidget(fraStatus, 0, 0, 1, 3);
    fraStatus->setVisible(false);
    auto* fileButtons = new QVBoxLayout;
    cmdAdd = new QPushButton(QStringLiteral("&Add"), this);
    cmdRemove = new QPushButton(QStringLiteral("&Remove"), this);
    cmdAdd->setObjectName(QStringLiteral("cmdAdd"));
    cmdRemove->setObjectName(QStringLiteral("cmdRemove"));
    fileButtons->addWidget(cmdAdd);
    fileButtons->addWidget(cmdRemove);
    fileButtons->addStretch(1);
    grid->addLayout(fileButtons, 0, 3);
    lblDesc = new QLabel(QStringLiteral("Calibration description:"), this);
    cmbCali = new QComboBox(this);
    cmbCali->setObjectName(QStringLiteral("cmbCali"));
    cmbCali->setEditable(true);
    cmbCali->setInsertPolicy(QComboBox::NoInsert);
    cmdDelete = new QPushButton(QStringLiteral("Delete calibration"), this);
    cmdDelete->setObjectName(QStringLiteral("cmdDelete"));
    grid->addWidget(lblDesc, 1, 0);
    grid->addWidget(cmbCali, 1, 1, 1, 2);
    grid->addWidget(cmdDelete, 1, 3);
    lblVolume = new QLabel(QStringLiteral("Reverberation room volume [m3]:"), this);
    txtVolume = new QLineEdit(this);
    txtVolume->setObjectName(QStringLiteral("txtVolume"));
    grid->addWidget(lblVolume, 2, 0);
    grid->addWidget(txtVolume, 2, 1);
    auto* buttons = new QHBoxLayout;
    cmdOK = new QPushButton(QStringLiteral("&OK"), this);
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdHelp = new QPushButton(QStringLiteral("&Help"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdHelp->setObjectName(QStringLiteral("cmdHelp"));
    cmdOK->setDefault(true);
    buttons->addStretch(1);
    for (QPushButton* b : {cmdOK, cmdCancel, cmdHelp})
        buttons->addWidget(b);
    grid->addLayout(buttons, 3, 0, 1, 4);
    connect(cmdAdd, &QPushButton::clicked, this, &frmCalSystem::cmdAdd_Click);
    connect(cmdRemove, &QPushButton::clicked, this, &frmCalSystem::cmdRemove_Click);
    connect(cmdDelete, &QPushButton::clicked, this, &frmCalSystem::cmdDelete_Click);
    connect(cmdOK, &QPushButton::clicked, this, &frmCalSystem::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmCalSystem::cmdCancel_Click);
    connect(cmdHelp, &QPushButton::clicked, this, &frmCalSystem::cmdHelp_Click);
    connect(lstFiles, &QListWidget::itemSelectionChanged, this, &frmCalSystem::lstFiles_Click);
    connect(cmbCali, &QComboBox::activated, this, [this](int index) {
        mChosen = index;
        UpdateButtons();
    });
    connect(cmbCali, &QComboBox::editTextChanged, this, [this](const QString& text) {
        if (mChosen >= 0 && text != cmbCali->itemText(mChosen))
            mChosen = -1;
        UpdateButtons();
    });
    connect(txtVolume, &QLineEdit::textChanged, this, &frmCalSystem::UpdateButtons);
    SelectAllOnFocus(cmbCali);
    SelectAllOnFocus(txtVolume);
    resize(560, 340);
}

void frmCalSystem::Form_Load()
{
    Processing = false;
    txtVolume->setText(GetSetting(kCalibrationSection, QStringLiteral("Volume"), QStringLiteral("0.0")));
    fillCalibrations();
    cmdOK->setEnabled(false);
    cmdDelete->setEnabled(false);
    cmdRemove->setEnabled(false);
}

void frmCalSystem::fillCalibrations()
{
    const QSignalBlocker block(cmbCali);
    cmbCali->clear();
    // Every stored calibration, whatever its neighbours hold; the item's data is its number.
    for (const auto& [n, entry] : StoredSystemCalibrations())
        cmbCali->addItem(entry.description, n);
    cmbCali->setCurrentIndex(-1);
    cmbCali->setEditText(QString());
    mChosen = -1;
}

void frmCalSystem::UpdateButtons()
{
    cmdDelete->setEnabled(mChosen >= 0);
    const std::optional<double> volume = RoomVolume(txtVolume->text());
    if (!volume) {
        cmdOK->setEnabled(false);
        return;
    }
    cmdOK->setEnabled(lstFiles->count() > 0 && !cmbCali->currentText().trimmed().isEmpty() && float(*volume) > 0);
}

void frmCalSystem::lstFiles_Click()
{
    cmdRemove->setEnabled(lstFiles->count() > 0 && !lstFiles->selectedItems().isEmpty() && cmdAdd->isEnabled());
}

void frmCalSystem::cmdAdd_Click()
{
    guarded("AddFile", [&] {
        FileDialogRequest request;
        request.parent = this;
        request.caption = QStringLiteral("File Select");
        request.directory = Options ? Options->DataDir() : QString();
        request.filter = QStringLiteral("Wave files (*.wav)");
        request.defaultSuffix = QStringLiteral("wav");
        request.multiple = true;
        const FileDialogResult chosen = UiServices::get().openFileName(request);
        if (!chosen.cancelled()) {
            if (Options)
                Options->setDataDir(QFileInfo(chosen.fileName).absolutePath());
            lstFiles->addItems(chosen.fileNames.isEmpty() ? QStringList{chosen.fileName} : chosen.fileNames);
        }
    });
    UpdateButtons();
    lstFiles_Click();
}

void frmCalSystem::cmdRemove_Click()
{
    for (int i = lstFiles->count() - 1; i >= 0; --i)
        if (lstFiles->item(i)->isSelected())
            delete lstFiles->takeItem(i);
    cmdRemove->setEnabled(false);
    UpdateButtons();
}

void frmCalSystem::cmdDelete_Click()
{
    guarded("CalDelete", [&] {
        if (mChosen < 0)
            return;
        MessageRequest ask;
        ask.text = QStringLiteral("Are you sure you want to delete calibration\r") + cmbCali->currentText();
        ask.title = QStringLiteral("Vemra");
        ask.icon = MsgIcon::Question;
        ask.buttons = MsgButtons::YesNo;
        ask.parent = this;
        if (UiServices::get().messageBox(ask) != MsgResult::Yes)
            return;
        cmdDelete->setEnabled(false);
        {
            const SettingsSaveEvent save;
            DeleteSystemCalibration(cmbCali->itemData(mChosen).toInt());
            FlushSettings();
        }
        fillCalibrations();
    });
    UpdateButtons();
}

void frmCalSystem::setEditing(bool enabled)
{
    for (QWidget* w : std::initializer_list<QWidget*>{cmdAdd, cmdRemove, cmdDelete, cmdCancel, cmdOK, txtVolume,
                                                      cmbCali, lstFiles})
        w->setEnabled(enabled);
}

void frmCalSystem::SaveSystemCalibration()
{
    guarded("CalSysOK", [&] {
        const QString description = cmbCali->currentText().trimmed();
        // The stored calibration of that description, else a number no stored calibration holds.
        int n = SystemCalibrationSlots();
        for (int i = 0; i < cmbCali->count(); ++i)
            if (cmbCali->itemText(i) == description) {
                n = cmbCali->itemData(i).toInt();
                break;
            }
        // Written now: the user is told at once when the file cannot take it.
        const SettingsSaveEvent save;
        SaveSystemCalibrationEntry(n, description, SystemCalRecordText(CalStimulus, CalReceiver, CalResult), CalOrder);
        FlushSettings();
    });
}

void frmCalSystem::showStatus()
{
    // The loops do not return to the event loop between files; the status area over the list is what changes,
    // and it is painted at once, its own background and all, so the list never shows through it.
    fraStatus->repaint();
}

bool frmCalSystem::CheckCalFiles()
{
    return guarded("CheckCalFiles", false, [&] {
        lblStatus->setText(QStringLiteral("Checking files..."));
        prgProgress->setMinimum(0);
        prgProgress->setMaximum(lstFiles->count() < 2 ? 1 : lstFiles->count() - 1);
        mChannels = 0;
        for (int i = 0; i < lstFiles->count(); ++i) {
            const QString path = lstFiles->item(i)->text();
            lblFilename->setText(path);
            ShowProgress(prgProgress, i);
            showStatus();
            clsWave* wave = WaveByKey(NewWave(false));
            wave->setFileName(path);
            const bool valid = wave->Valid();
            const std::int16_t stimulus = wave->Stimulus(), receiver = wave->Receiver(), ch = wave->Channels();
            const int order = StimulusOrderOfLength(wave->SampleCount());
            wave->Die();
            // The document has said why, naming the file; nothing is computed from a file that did not load.
            if (!valid)
                return false;
            if (i == 0) {
                CalStimulus = stimulus;
                CalReceiver = receiver;
                CalOrder = order;
                mChannels = ch;
            } else if (stimulus != CalStimulus || receiver != CalReceiver || ch != mChannels) {
                HandleError(msg::CalibrationFilesDiffer);
                return false;
            }
            // Responses of several orders give a calibration for every order, as before orders were kept.
            if (order != CalOrder)
                CalOrder = 0;
        }
        return true;
    });
}

void frmCalSystem::cmdOK_Click()
{
    guarded("CalSysOK", [&] {
        if (!cmdAdd->isEnabled()) {
            unloadWindow();
            return;
        }
        setEditing(false);
        fraStatus->setVisible(true);
        prgProgress->setVisible(true);
        if (!CheckCalFiles()) {
            setEditing(true);
            fraStatus->setVisible(false);
            UpdateButtons();
            lstFiles_Click();
            // Back to the list to correct it; Enter is the OK button again.
            lstFiles->setFocus();
            return;
        }
        const bool ok = SystemCalibration();
        if (mUnloaded)
            return;
        if (!ok) {
            lblStatus->setText(QStringLiteral("Calibration failed."));
        } else {
            lblStatus->setText(QStringLiteral("Saving calibration results..."));
            SaveSystemCalibration();
            lblStatus->setText(QStringLiteral("Calibration completed succesfully."));
        }
        prgProgress->setVisible(false);
        lblFilename->setText(QString());
        cmdOK->setEnabled(true);
        // The run disabled every control under the focus but Help; Enter closes the window as OK does.
        cmdOK->setFocus();
    });
}

void frmCalSystem::cmdCancel_Click()
{
    if (!Processing)
        unloadWindow();
    else
        Processing = false;
}

void frmCalSystem::cmdHelp_Click() { ShowHelp(this, kHelpContext); }

bool frmCalSystem::runInProgress() const
{
    return !cmdAdd->isEnabled() && !(cmdOK->isEnabled() && !cmdCancel->isEnabled());
}

void frmCalSystem::reject()
{
    // Escape is the Cancel button.
    if (cmdCancel->isEnabled())
        cmdCancel_Click();
}

void frmCalSystem::closeEvent(QCloseEvent* event)
{
    if (!mClosingByProgram && runInProgress()) {
        event->ignore();
        return;
    }
    if (!mUnloaded) {
        mUnloaded = true;
        SaveSetting(kCalibrationSection, QStringLiteral("Volume"), txtVolume->text());
    }
    Processing = false;
    event->accept();
    QDialog::done(QDialog::Rejected);
}

void frmCalSystem::unloadWindow()
{
    if (mUnloaded)
        return;
    mClosingByProgram = true;
    close();
}

} // namespace vemra
