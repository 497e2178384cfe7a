// The calibration record: the index entry in "SoundSys", the record section with the gain curves, levels,
// polarity and rate, the correction files, the record's log, and the switch to the new calibration.
#include "calibration/frmCalCard.h"

#include "audio/AudioGlobals.h"
#include "audio/SoundSysNames.h"
#include "audio/clsMixer.h"
#include "audio/clsPlayer.h"
#include "audio/clsVolume.h"
#include "core/ErrorGuard.h"
#include "core/MessageTexts.h"
#include "core/Settings.h"
#include "core/Globals.h"
#include "core/clsOptions.h"
#include "library/Messages.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>

#include <cmath>

namespace vemra {

namespace {

// Numbered index entries looked at before the search gives up (a store cannot hold more sensibly).
constexpr int kMaxIndexEntries = 10000;

} // namespace

QString GainCurveText(std::int32_t controlId, const GainCurvePoints& points, std::size_t first, float reference)
{
    QString text = SignedBlank(controlId) + QLatin1Char(';');
    if (controlId == -1)
        return text;
    for (std::size_t i = first; i < points.size(); ++i)
        text += SignedBlank(points[i].Volume) + QLatin1Char('=') + TwoDecimals(points[i].Rms - reference)
                + QLatin1Char(';');
    return text;
}

bool frmCalCard::SaveCalibration()
{
    bool saved = false;
    pbProgress->setValue(0);
    pbProgress->setVisible(true);
    lblPrompt1->setText(MessageText(msg::SavingCalibration));
    QApplication::setOverrideCursor(Qt::BusyCursor);
    yieldOnce();
    // The record, the index entry and the options that switch to it are one save: one message if the file
    // cannot take them.
    const SettingsSaveEvent save;
    guarded("SaveCalibration", [&] {
        const QString recordDescription
            = Mixer->FingerPrint().trimmed() + QStringLiteral(" - ") + QString::number(Player->PlayFreq());
        const QString mixerEntry = lstMixer->currentItem() ? lstMixer->currentItem()->text() : QString();
        const QString listName = mixerEntry + QStringLiteral(" - ") + QString::number(Options->SampleFrequency());
        QString indexKey = listName;
        const bool named = Mixer->FingerPrint() != mixerEntry;
        if (!named) {
            int k = 0;
            for (; k < kMaxIndexEntries; ++k) {
                const QString value = GetSetting(kSoundSysSection, QString::number(k));
                if (value.isEmpty() || value == listName)
                    break;
            }
            indexKey = QString::number(k);
        }
        const bool hadEntry = HasSetting(kSoundSysSection, indexKey);
        const QString previousEntry = GetSetting(kSoundSysSection, indexKey);
        SaveSetting(kSoundSysSection, indexKey, named ? recordDescription : listName);
        // The correction files under the fingerprint the entry gives the mixer, before the record claims them; a
        // failure takes the entry back and leaves the earlier files and record as they were.
        const std::int16_t keptLength = Player->Length();
        bool filesMade = false;
        try {
            filesMade = saveCorrectionFiles();
        } catch (...) {
            Player->setLength(keptLength);
            hadEntry ? SaveSetting(kSoundSysSection, indexKey, previousEntry) : DeleteSetting(kSoundSysSection, indexKey);
            throw;
        }
        Player->setLength(keptLength);
        if (!filesMade) {
            hadEntry ? SaveSetting(kSoundSysSection, indexKey, previousEntry) : DeleteSetting(kSoundSysSection, indexKey);
            return;
        }
        const QString section = CalibrationSection(recordDescription);
        auto put = [&](const char* key, const QString& value) { SaveSetting(section, QLatin1String(key), value); };
        put("Mixer", Mixer->FingerPrint().trimmed());
        put("MixerID", QString::number(lstMixer->currentRow()));
        const bool automatic = chkAuto->isChecked();
        put("PSeq", QString::number(automatic ? -1 : lstAudioOut->currentRow()));
        put("RSeq", QString::number(automatic ? -1 : lstAudioIn->currentRow()));
        put("PlanB", QString::number(Mixer->PlanB()));
        auto playback = [](const clsVolume* control, const GainCurvePoints& curve, std::int16_t ref) {
            if (ref < 0 || std::size_t(ref) >= curve.size())
                return GainCurveText(control->ControlID(), {}, 0, 0);
            return GainCurveText(control->ControlID(), curve, std::size_t(ref), curve[std::size_t(ref)].Rms);
        };
        GainCurvePoints rs = mRsCurve;
        if (rs.size() == 1 && Rm->ControlID() == -1)
            rs.push_back(rs.front());
        put("Pm", playback(Pm, mPmCurve, mPmRef));
        put("PmChannels", QString::number(Pm->Channels()));
        put("Rm", GainCurveText(Rm->ControlID(), mRmCurve, 0, 0));
        put("RmChannels", QString::number(Rm->Channels()));
        put("Rs", GainCurveText(Rs->ControlID(), rs, 0, 0));
        put("RsChannels", QString::number(Rs->Channels()));
        put("Ps", playback(Ps, mPsCurve, mPsRef));
        put("PsChannels", QString::number(Ps->Channels()));
        put("ADCmax", SignedBlank(mADCmax));
        put("MLSDACmax", SignedBlank(mMLSDAC));
        put("SWPDACmax", SignedBlank(mSweepDAC));
        put("Sign", SignedBlank(mSign));
        put("Frequency", SignedBlank(Player->PlayFreq()));
        yieldOnce();
        const std::pair<const char*, const char*> logged[] = {
            {"Mixer = ", "MixerID"},   {"PSeq = ", "PSeq"},           {"RSeq = ", "RSeq"},
            {"Pm = ", "Pm"},           {"Rm = ", "Rm"},               {"Ps = ", "Ps"},
            {"Rs = ", "Rs"},           {"PmC = ", "PmChannels"},      {"RmC = ", "RmChannels"},
            {"PsC = ", "PsChannels"},  {"RsC = ", "RsChannels"},      {"ADC = ", "ADCmax"},
            {"MLS DAC = ", "MLSDACmax"}, {"SWP DAC = ", "SWPDACmax"}, {"Sign = ", "Sign"}};
        for (const auto& [label, key] : logged)
            CalLog(QLatin1String(label) + GetSetting(section, QLatin1String(key)));
        CalLog(QString());
        Options->setUseCal(true);
        Options->setCalibration(mixerEntry + QStringLiteral(" - ") + QString::number(Options->SampleFrequency()));
        mMixerID = Mixer->ID();
        FlushSettings();
        saved = true;
    });
    pbProgress->setVisible(false);
    QApplication::restoreOverrideCursor();
    return saved;
}

} // namespace vemra
