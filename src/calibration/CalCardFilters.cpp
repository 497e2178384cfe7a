// Steps 8 and 9: the card's own loop-back response, recorded once at the shortest order, and its inverse filter for
// every order; the correction files made from them when the calibration is saved; the temporary files' removal.
#include "calibration/frmCalCard.h"
#include "core/NativePath.h"

#include "audio/AudioGlobals.h"
#include "audio/SoundSysNames.h"
#include "audio/clsMixer.h"
#include "audio/clsPlayer.h"
#include "audio/clsRecorder.h"
#include "audio/clsVolume.h"
#include "core/ErrorGuard.h"
#include "core/Errors.h"
#include "core/Globals.h"
#include "core/UiServices.h"
#include "core/VemraError.h"
#include "core/clsOptions.h"
#include "library/Codes.h"
#include "library/Messages.h"
#include "library/api_calibration.h"
#include "library/api_files.h"
#include "library/api_filters.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cmath>
#include <functional>
#include <filesystem>

namespace vemra {

bool frmCalCard::MeasureMLSResponse() { return measureResponse(true); }
bool frmCalCard::MeasureSweepResponse() { return measureResponse(false); }

bool frmCalCard::measureResponse(bool mls)
{
    bool result = true;
    CalLog(QString());
    const std::int16_t keptLength = Player->Length();
    const std::int16_t keptLevel = mls ? Player->MLSDACVolume() : Player->SWPDACVolume();
    const std::int16_t keptAverages = Recorder->PreAvgCnt();
    const float keptDelay = Options->AudioDelay();
    Options->setAudioDelay(0);
    const std::int16_t code = mls ? StimulusInternalMls : StimulusInternalSweep;
    QString processed;
    guarded(
        mls ? "MeasureMLSResponse" : "MeasureSweepResponse",
        [&] {
            if (Pm->ControlID() != -1)
                Pm->setVolume(CurvePosition(mPmCurve, mPmRef));
            Rm->setVolume(mRmGain);
            if (Ps->ControlID() != -1)
                Ps->setVolume(CurvePosition(mPsCurve, mPsRef));
            Rs->setVolume(mRsGain);
            const std::int32_t level = mls ? mMLSDAC : mSweepDAC;
            if (level < 0 || level > 32767)
                throw VemraError(6, QStringLiteral("Overflow"));
            if (mls)
                Player->setMLSDACVolume(std::int16_t(level));
            else
                Player->setSWPDACVolume(std::int16_t(level));
            Player->setChannels(2);
            Player->setLength(Player->MinLength());
            Player->setStimulus(code);
            Player->setFilter(0);
            Player->Play(false, QString());
            Wait(1.0);
            Recorder->setPreAvgCnt(1);
            std::int16_t last = Recorder->Record(code);
            if (last != 0) {
                Player->Silence();
                result = false;
                HandleError(last);
            } else {
                Wait(float(std::ldexp(1.0, Player->MinLength()) / Player->PlayFreq() + 2.1));
                last = Recorder->Process(processed, code, Recorder->Channels() == 2 ? 2 : 1);
                Player->Silence();
                if (last != 0) {
                    result = false;
                    HandleError(last);
                }
            }
            const int minOrder = Player->MinLength(), maxOrder = Player->MaxLength();
            setBarMax(std::ldexp(1.0, maxOrder - minOrder));
            if (last != 0)
                return;
            auto& table = mls ? mMLSFilterFile : mSweepFilterFile;
            if (!mFilterFolder)
                mFilterFolder = std::make_unique<QTemporaryDir>();
            for (int n = minOrder; n <= maxOrder && !mAbort; ++n) {
                yieldOnce();
                if (n < 0 || n >= kFilterOrders)
                    throw VemraError(9, QStringLiteral("Subscript out of range"));
                // Named by order and kind: the player takes it as the correction of that stimulus.
                const QString t = mFilterFolder->filePath(QString::number(n)
                                                          + (mls ? QStringLiteral(".mls_flt.wav") : QStringLiteral(".swp_flt.wav")));
                QFile::remove(t);
                table[std::size_t(n)].clear();
                if (!mFilterFolder->isValid() || !QFile::copy(processed, t)) {
                    result = false;
                    HandleError(msg::CannotCreateFile, t);
                    break;
                }
                VResult rc = ZeroPad(t.toStdString(), mls ? (1 << n) - 1 : 1 << n);
                if (rc == 0)
                    rc = CreateInversFilter(t.toStdString());
                if (rc != 0) {
                    QFile::remove(t);
                    result = false;
                    HandleError(rc);
                    break;
                }
                table[std::size_t(n)] = t;
                setBarValue(std::ldexp(1.0, n - Player->MinLength()));
            }
        },
        std::function<void()>([&] {
            Player->Silence();
            result = false;
        }));
    if (!processed.isEmpty())
        DeleteTempFile(processed.toStdString());
    Player->setLength(keptLength);
    if (mls)
        Player->setMLSDACVolume(keptLevel);
    else
        Player->setSWPDACVolume(keptLevel);
    Recorder->setPreAvgCnt(keptAverages);
    Options->setAudioDelay(keptDelay);
    CalLog(QString(mls ? "MLS response " : "Sweep response ") + (result ? QStringLiteral("OK") : QStringLiteral("Failed")));
    return result;
}

namespace {

// How the files are put in place; tests make it fail at a file of their choice.
files::StagingFolder::RenameStep& renameStep()
{
    static files::StagingFolder::RenameStep step;
    return step;
}

// The box of a correction file that could not be put in place: its message, and what became of the card's earlier
// files.
void tellNotReplaced(const QString& target, bool restored)
{
    MessageRequest box = ErrorBox(msg::CannotCreateFile, target);
    box.text += QStringLiteral("\n\n")
                + (restored ? QStringLiteral("No new correction file was put in place: the card's earlier correction "
                                             "files are kept as they were.")
                            : QStringLiteral("The card's earlier correction files could not all be put back: calibrate "
                                             "the card again before measuring with its correction."));
    UiServices::get().messageBox(box);
}

} // namespace

void frmCalCard::setRenameStep(files::StagingFolder::RenameStep step) { renameStep() = std::move(step); }

bool frmCalCard::saveCorrectionFiles()
{
    // Made in a staging folder of the calibration folder, held while this save runs (the folders of saves that
    // were killed go here), and put in place only once every file has been made, all or none: the player never
    // finds a set of this calibration's files beside the earlier one's, nor one missing.
    files::StagingFolder staging(NativePath(CalibrationFolder()));
    if (!staging.ok())
        throw VemraError(75, QStringLiteral("Path/File access error: ") + CalibrationFolder());
    auto stagedPath = [&](const QString& name) { return PathFromNative(staging.filePath(NativePath(name))); };
    const QString fingerPrint = Mixer->FingerPrint();
    const std::int32_t rate = Player->PlayFreq();
    const int minOrder = Player->MinLength(), maxOrder = Player->MaxLength();
    setBarMax(std::ldexp(1.0, maxOrder - minOrder));
    std::vector<files::StagingFolder::Move> made;
    for (int n = minOrder; n <= maxOrder; ++n) {
        if (n < 0 || n >= kFilterOrders)
            throw VemraError(9, QStringLiteral("Subscript out of range"));
        for (bool mls : {true, false}) {
            const QString filter = (mls ? mMLSFilterFile : mSweepFilterFile)[std::size_t(n)];
            const QString filterEnding = mls ? QStringLiteral(".mls_flt.wav") : QStringLiteral(".swp_flt.wav");
            const QString pcmEnding = mls ? QStringLiteral("_mls.pcm") : QStringLiteral("_swp.pcm");
            const QString finalFilter = CorrectionFileName(fingerPrint, rate, n, filterEnding);
            const QString stem = QFileInfo(finalFilter).fileName().chopped(filterEnding.size());
            const QString stagedFilter = stagedPath(stem + filterEnding);
            if (filter.isEmpty() || !QFile::copy(filter, stagedFilter)) {
                HandleError(msg::CannotCreateFile, finalFilter);
                return false;
            }
            CalLog(QStringLiteral("Response = ") + finalFilter);
            const VResult rc = MakeCorrectionFile(NativePath(stagedFilter), mls ? StimulusInternalMls
                                                                                  : StimulusInternalSweep,
                                                  std::int16_t(n), rate);
            if (rc != 0) {
                // Named, so the user knows which of the run's filters was refused.
                HandleError(rc, filter);
                return false;
            }
            made.push_back({NativePath(stagedPath(stem + pcmEnding)),
                            NativePath(CorrectionFileName(fingerPrint, rate, n, pcmEnding))});
            if (DebugMode)
                made.push_back({NativePath(stagedFilter), NativePath(finalFilter)});
            setBarValue(std::ldexp(1.0, n - minOrder) / (mls ? std::sqrt(2.0) : 1.0));
            yieldOnce();
        }
    }
    const files::StagingFolder::Outcome put = staging.replaceTargets(made, renameStep());
    if (!put.replaced) {
        tellNotReplaced(PathFromNative(made[put.failed].target), put.restored);
        return false;
    }
    // Outside debug mode no inverse-filter file of an earlier calibration stays beside the new stimuli.
    if (!DebugMode)
        for (int n = minOrder; n <= maxOrder; ++n)
            for (const char* ending : {".mls_flt.wav", ".swp_flt.wav"})
                QFile::remove(CorrectionFileName(fingerPrint, rate, n, QLatin1String(ending)));
    return true;
}

void frmCalCard::DeleteTempFiles()
{
    for (auto* table : {&mMLSFilterFile, &mSweepFilterFile})
        for (QString& name : *table)
            name.clear();
    // The folder goes with every filter and every pre-filtered stimulus the run's plays left beside them.
    passOver([&] { mFilterFolder.reset(); });
}

} // namespace vemra
