#include "audio/clsMixer.h"

#include "audio/AudioGlobals.h"
#include "audio/SoundSysNames.h"
#include "audio/clsPlayer.h"
#include "audio/clsRecorder.h"
#include "audio/clsVolume.h"
#include "audio/frmMeasure.h"
#include "core/ErrorGuard.h"
#include "core/Errors.h"
#include "core/Globals.h"
#include "core/Settings.h"
#include "core/Wait.h"
#include "core/clsOptions.h"

#include <cstring>

namespace vemra {

QString MixerNameOf(const MixerControlRecord& record)
{
    const std::size_t length = strnlen(record.MixerName, sizeof record.MixerName);
    return TrimNul(QString::fromLatin1(record.MixerName, qsizetype(length)));
}

QString DeviceFingerPrint(const MixerControlRecord& record)
{
    QString text;
    for (int n : {record.Device1, record.Device2, record.Device3})
        text += SignedBlank(n);
    return text.trimmed();
}

clsMixer::clsMixer(QObject* parent) : QObject(parent)
{
    Mixer = this;
    MixerInit();
}

clsMixer::~clsMixer()
{
    if (open_)
        setClosed(true);
    if (savedAtStartup_)
        RestoreSettings();
    recorder_.reset();
    Recorder = nullptr;
    player_.reset();
    Player = nullptr;
    for (auto* control : {&pm_, &rm_, &ps_, &rs_})
        control->reset();
    setVolumeGlobals();
    if (Mixer == this)
        Mixer = nullptr;
}

void clsMixer::setVolumeGlobals()
{
    Pm = pm_.get();
    Rm = rm_.get();
    Ps = ps_.get();
    Rs = rs_.get();
}

void clsMixer::MixerInit()
{
    guarded("MixerInit", [&] {
        open_ = false;
        record_.MixerID = 0;
        std::memset(record_.MixerName, 0, sizeof record_.MixerName);
        record_.PlanB = 0;

        recorder_ = std::make_unique<clsRecorder>();
        Recorder = recorder_.get();
        player_ = std::make_unique<clsPlayer>();
        Player = player_.get();
        connect(recorder_.get(), &clsRecorder::RecorderBusy, this, &clsMixer::mRecorder_RecorderBusy);
        connect(player_.get(), &clsPlayer::PlayerBusy, this, &clsMixer::mPlayer_PlayerBusy);
        // After the player's own handler, which takes the new rate first.
        if (Options)
            connect(Options, &clsOptions::SettingChanged, this, [this] {
                if (player_ && player_->PlayFreq() != fullDuplexRate_)
                    checkFullDuplex();
            });

        pm_ = std::make_unique<clsVolume>();
        rm_ = std::make_unique<clsVolume>();
        ps_ = std::make_unique<clsVolume>();
        rs_ = std::make_unique<clsVolume>();
        setVolumeGlobals();

        SelectWaveDevices("", 0, 0);
        checkFullDuplex();
        LoadCalibration();
        if (Options && Options->UseCal()) {
            // Exit restores exactly what was saved here, whatever the options say by then.
            savedAtStartup_ = saveSettings();
            InitVolumes();
        }
    });
}

void clsMixer::checkFullDuplex()
{
    fullDuplexRate_ = player_ ? player_->PlayFreq() : 0;
    fullDuplex_ = CheckFullduplex(fullDuplexRate_) != 0;
}

void clsMixer::InitVolumes()
{
    Pm->setVolume(Pm->VolStepVolume(0));
    Ps->setVolume(Ps->VolStepVolume(0));
    Rm->setVolume(Rm->VolStepVolume(Rm->Steps()));
    Rs->setVolume(Rs->VolStepVolume(Rs->Steps()));
    for (clsVolume* control : {Pm, Ps, Rm, Rs})
        control->setMute(true);
}

void clsMixer::CalibrateSoundCard()
{
    if (CalibrateSoundCardHook)
        CalibrateSoundCardHook();
    LoadCalibration();
}

void clsMixer::SaveSettings()
{
    saveSettings();
}

bool clsMixer::saveSettings()
{
    if (const std::int16_t rc = SetMixerControls(record_, -1)) {
        HandleError(rc);
        return false;
    }
    return true;
}

void clsMixer::SetControls()
{
    if (const std::int16_t rc = SetMixerControls(record_, 0))
        HandleError(rc);
}

void clsMixer::RestoreSettings()
{
    if (const std::int16_t rc = RestoreMixerControls(record_))
        HandleError(rc);
}

void clsMixer::GetIDs(std::int16_t PSeq, std::int16_t RSeq)
{
    guarded("GetIDs", [&] {
        record_.RmControlID = record_.PmControlID = record_.RsControlID = record_.PsControlID = -1;
        std::fill(std::begin(record_.moreControlIDs), std::end(record_.moreControlIDs), -1);
        auto line = [&](std::int16_t argument, const char* key) -> std::int32_t {
            if (argument == -1)
                return section_.isEmpty() ? -1
                                          : std::int32_t(ReadInteger(section_, QLatin1String(key), -1, INT16_MAX).value_or(-1));
            if (argument == -2)
                return -1;
            return argument;
        };
        record_.PSeq = line(PSeq, "PSeq");
        record_.RSeq = line(RSeq, "RSeq");
        if (!section_.isEmpty())
            record_.PlanB = std::int16_t(ReadInteger(section_, QStringLiteral("PlanB"), INT16_MIN, INT16_MAX).value_or(0));
        GetMixerControlIDs(record_);
        for (clsVolume* control : {Pm, Rm, Ps, Rs})
            control->setMixerID(record_.MixerID);
        Pm->setControlID(record_.PmControlID);
        Rm->setControlID(record_.RmControlID);
        Ps->setControlID(record_.PsControlID);
        Rs->setControlID(record_.RsControlID);
        Pm->setChannels(record_.PmChannels);
        Rm->setChannels(record_.RmChannels);
        Ps->setChannels(record_.PsChannels);
        Rs->setChannels(record_.RsChannels);
    });
}

QString clsMixer::FingerPrint() const
{
    return guarded("clsMixer::FingerPrint", QString(), [&] {
        MixerControlRecord local;
        local.MixerID = record_.MixerID;
        GetMixerControlIDs(local);
        const QString name = MixerNameOf(local);
        for (const QString& key : SettingKeys(kSoundSysSection))
            if (key.startsWith(name))
                return DeviceFingerPrint(local);
        return name;
    });
}

std::int16_t clsMixer::FindMixerID(const QString& text) const
{
    return guarded("clsMixer::FindMixerID", std::int16_t(0), [&] {
        for (int index = 0; index < kMaxMixers; ++index) {
            MixerControlRecord local;
            local.MixerID = std::int16_t(index);
            if (GetMixerControlIDs(local) != 0)
                break;
            if (text == MixerNameOf(local) || text == DeviceFingerPrint(local))
                return std::int16_t(index);
        }
        return std::int16_t(0);
    });
}

bool clsMixer::CheckMixer() const
{
    return GetSetting(section_, QStringLiteral("Mixer"), QString()).trimmed() == FingerPrint().trimmed();
}

void clsMixer::selectDevicesOnce()
{
    const QString name = MixerNameOf(record_);
    std::memset(record_.MixerName, 0, sizeof record_.MixerName);
    const QByteArray bytes = name.toLatin1().left(qsizetype(sizeof record_.MixerName) - 1);
    std::memcpy(record_.MixerName, bytes.constData(), std::size_t(bytes.size()));
    std::int16_t rc = SelectWaveDevices(bytes.toStdString(), record_.Device1, record_.Device2);
    if (rc != 0)
        rc = SelectWaveDevices("", record_.Device1, record_.Device2);
    if (rc != 0)
        HandleError(rc);
}

void clsMixer::SelectDevices()
{
    selectDevicesOnce();
}

void clsMixer::setClosed(bool closed)
{
    if (closed == !open_)
        return;
    if (!closed) {
        // There is no handle to hold: the mixer opens when it exists.
        MixerControlRecord local;
        local.MixerID = record_.MixerID;
        if (GetMixerControlIDs(local) == 0)
            open_ = true;
    } else {
        open_ = false;
    }
}

void clsMixer::mPlayer_PlayerBusy(bool busy)
{
    pBusy_ = busy;
    emit MixerBusy(pBusy_, rBusy_);
}

void clsMixer::mRecorder_RecorderBusy(bool busy)
{
    rBusy_ = busy;
    emit MixerBusy(pBusy_, rBusy_);
}

void CreateMixer()
{
    if (!Mixer)
        new clsMixer;
}

void ReleaseMixer()
{
    // The measurement window works on the mixer's objects: it goes first, with its own closing steps.
    frmMeasure::Unload();
    delete Mixer;
    Mixer = nullptr;
}

} // namespace vemra
