#include "core/MessageTexts.h"

#include "core/VemraError.h"
#include "library/Messages.h"

#include <algorithm>
#include <utility>

namespace vemra {
namespace {

struct Message {
    int id;
    const char* text;
};

// Ascending by id (MessageIds and the binary search rely on it).
constexpr Message kMessages[] = {
    {msg::NotEnoughMemory, "Not enough memory"},
    {msg::TooFewWaveDevices, "Less than 1 wave device available"},
    {msg::NoUsableWaveDevice, "No usable wave device"},
    {msg::UnsupportedSampleRate, "Unsupported sample frequency"},
    {msg::CannotOpenOutput, "Cannot open output device"},
    {msg::CannotOpenInput, "Cannot open input device"},
    {msg::CannotStartInput, "Cannot start wave input"},
    {msg::CannotAddInputBuffer, "Cannot add inputbuffer"},
    {msg::CannotPrepareInputBuffer, "Cannot prepare inputbuffer"},
    {msg::CannotGetRecording, "Cannot get recording"},
    {msg::CannotPlayWave, "Cannot play wavefile"},
    {msg::NoCalibrationSignal, "Cannot detect a calibration signal"},
    {msg::SoundDeviceTimeout, "Sounddevice timeout"},
    {msg::CloseDeviceTimeout, "Timeout closing sounddevice"},
    {msg::CannotStartRecording, "Cannot start recording (thread)"},
    {msg::SilentInput, "No signal at the input"},
    {msg::NoSignalReturned, "No signal came back from the output: check the output volume, the mute switches and the cables"},
    {msg::CannotCreateFile, "Cannot create wave file"},
    {msg::CannotCreateChunk, "Cannot create wave chunk"},
    {msg::CannotCreateFormatChunk, "Cannot create format chunk"},
    {msg::CannotWrite, "Cannot write to wave file"},
    {msg::CannotAscendChunk, "Cannot ascend out of chunk"},
    {msg::CannotCreateDataChunk, "Cannot create data chunk"},
    {msg::DiskFull, "Disk full"},
    {msg::CannotRead, "Cannot read file"},
    {msg::BadWave, "Bad Wave format"},
    {msg::BadRiff, "Bad Riff format"},
    {msg::UnsupportedWave, "Unsupported wave format"},
    {msg::BadFormat, "Bad format in wave file"},
    {msg::NoWaveData, "No Wave data"},
    {msg::BadDataChunk, "Failure to read data chunk"},
    {msg::BadTim, "Bad TIM format (not a TIM file)"},
    {msg::TimNotSyncCorrelation, "Bad TIM format (not sync. correlation)"},
    {msg::TimSingleChannel, "TIM format only allows a single channel"},
    {msg::TimCannotSave, "Saving TIM format files is not possible"},
    {msg::BadTxt, "Bad TXT format"},
    {msg::PathTooLong, "The path of the file is too long"},
    {msg::BadChannelCount, "Too many or too few channels"},
    {msg::TooFewSamples, "Too few samples in file"},
    {msg::BadArgument, "Invalid stimulus (SW error)"},
    {msg::BadBitsPerSample, "Invalid value for bits per sample"},
    {msg::RatesDiffer, "The sample rates of the selected files are not all equal"},
    {msg::LengthsDiffer, "The lengths of the selected files are not all equal"},
    {msg::NoImpulse, "The impuls response could not be found"},
    {msg::WrongReceiver, "Invalid file format (the receiver used to measure this file is not valid for this operation)"},
    {msg::CannotCreateSettingsKey, "Error creating registry key"},
    {msg::CannotOpenSettingsKey, "Error opening registry key"},
    {msg::DecimalSymbolConflict, "Conflicting values for decimal symbol in regional settings"},
    {msg::ClipboardFormat, "Invalid format on clipboard"},
    {msg::ClipboardUnavailable, "Cannot open clipboard"},
    {msg::SettingsNotSaved, "Cannot write settings file"},
    {msg::BusyPlaying, "Busy playing"},
    {msg::Only16Bit, "Only 16 bit data allowed"},
    {msg::FileTooLong, "File is too long"},
    {msg::FileTooShort, "File is too short"},
    {msg::Recalibrate, "Re-calibrate your soundcard"},
    {msg::CalibrationFilesDiffer, "Calibration files do not match"},
    {msg::CalibrationNoData, "Unable to extract useful data from calibration file"},
    {msg::CalibrationBadRevTime, "Invalid reverberation time in calibration file"},
    {msg::NoBrowserHome, "Unable to start your default browser and to connect to the Internet"},
    {msg::NoBrowserSupport, "Unable to start your default browser and to connect to the Internet"},
    {msg::CalibrationBadRevTime63, "Warning: Invalid reverberation time in calibration file at 63 Hz"},
    {msg::CalibrationNoData63, "Warning: Unable to extract useful data from calibration file at 63 Hz"},
    {msg::CloseMeasurementFirst, "Close measurement window first"},
    {msg::CalibrationTooLittleSignal, "Not enough signal for soundcard calibration. Abort calibration procedure? "},
    {msg::NoPrinter, "There is no printer. Press OK to choose a printer, or a PDF file to print to."},
    {msg::ConfirmExit, "Close all windows and exit?"},
    {msg::SwitchTo8, "Switch to 8 and press OK, or press 'Cancel' to abort"},
    {msg::ErrorInProcedure, "The following error has occurred in procedure"},
    {msg::PleaseReport, "Please report this problem and the circumstances"},
    {msg::LeadingToIt, "leading to it to your local ZX representative."},
    {msg::RateChangeRecalibrate, "When you change the sampling frequency, you will have to recalibrate your soundcard, and redo your "
           "system calibrations!"},
    {msg::AlreadyRunning, "Vemra is already running!"},
    {msg::EnterPlanId, "Enter plan ID:"},
    {msg::ConnectLineInOut, "Connect line-in to line-out and press 'Continue' to start the calibration procedure."},
    {msg::CalibrationInProgress, "Automatic calibration procedure in progress..."},
    {msg::CalibrationCompleted, "Calibration procedure completed. Press OK to save the results."},
    {msg::CalibrationInvalidates, "Note that calibrating your soundcard will invalidate previous system calibrations. The calibration "
           "procedure will take approximately 30 minutes to complete"},
    {msg::CalStep1, "Step 1 of 11: Finding gain settings for minimum THD+N"},
    {msg::CalStep(2), "Step 2 of 11: Setup for gain calibrations"},
    {msg::CalStep(3), "Step 3 of 11: Calibrate secondary playback gain control"},
    {msg::CalStep(4), "Step 4 of 11: Calibrate master playback gain control"},
    {msg::CalStep(5), "Step 5 of 11: Calibrate master recording gain control"},
    {msg::CalStep(6), "Step 6 of 11: Calibrate secondary recording gain control"},
    {msg::CalStep(7), "Step 7 of 11: Check distortion with MLS signal"},
    {msg::CalStep(8), "Step 8 of 11: Measure soundcard MLS response"},
    {msg::CalStep(9), "Step 9 of 11: Measure soundcard sweep response"},
    {msg::CalStep(10), "Step 10 of 11: Adjust volume for filtered MLS signal"},
    {msg::CalStep11, "Step 11 of 11: Adjust volume for filtered sweep signal"},
    {msg::CalibrationFailed, "Automatic calibration failed."},
    {msg::SavingCalibration, "Saving calibration results"},
    {msg::InvalidReceiver, "Invalid receiver type"},
};

constexpr bool ascending()
{
    for (std::size_t i = 1; i < std::size(kMessages); ++i)
        if (kMessages[i - 1].id >= kMessages[i].id)
            return false;
    return true;
}
static_assert(ascending(), "the message table must be ascending by id");

const Message* find(int id)
{
    const auto* end = std::end(kMessages);
    const auto* it = std::lower_bound(std::begin(kMessages), end, id,
                                      [](const Message& m, int value) { return m.id < value; });
    return (it != end && it->id == id) ? it : nullptr;
}

} // namespace

bool HasMessage(int id) { return find(id) != nullptr; }

QString MessageText(int id)
{
    if (const Message* m = find(id))
        return QString::fromUtf8(m->text);
    // The number a missing string resource has always had, so reports stay recognisable.
    throw VemraError::resourceNotFound(id);
}

const std::vector<int>& MessageIds()
{
    static const std::vector<int> ids = [] {
        std::vector<int> v;
        for (const Message& m : kMessages)
            v.push_back(m.id);
        return v;
    }();
    return ids;
}

} // namespace vemra
