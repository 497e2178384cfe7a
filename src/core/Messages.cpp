#include "core/Messages.h"

#include "core/VemraError.h"

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
    {100, "Not enough memory"},
    {150, "Less than 1 wave device available"},
    {151, "No usable wave device"},
    {152, "Unsupported sample frequency"},
    {153, "Cannot open output device"},
    {154, "Cannot open input device"},
    {155, "Cannot start wave input"},
    {156, "Cannot add inputbuffer"},
    {157, "Cannot prepare inputbuffer"},
    {158, "Cannot get recording"},
    {159, "Cannot play wavefile"},
    {160, "Cannot detect a calibration signal"},
    {161, "Sounddevice timeout"},
    {162, "Timeout closing sounddevice"},
    {163, "Cannot start recording (thread)"},
    {200, "Cannot create wave file"},
    {201, "Cannot create wave chunk"},
    {202, "Cannot create format chunk"},
    {203, "Cannot write to wave file"},
    {204, "Cannot ascend out of chunk"},
    {205, "Cannot create data chunk"},
    {206, "Disk full"},
    {207, "Cannot read file"},
    {208, "Bad Wave format"},
    {209, "Bad Riff format"},
    {210, "Unsupported wave format"},
    {211, "Bad format in wave file"},
    {212, "No Wave data"},
    {213, "Failure to read data chunk"},
    {214, "Bad TIM format (not a TIM file)"},
    {215, "Bad TIM format (not sync. correlation)"},
    {216, "TIM format only allows a single channel"},
    {217, "Saving TIM format files is not possible"},
    {218, "Bad TXT format"},
    {300, "Too many or too few channels"},
    {301, "Too few samples in file"},
    {302, "Invalid stimulus (SW error)"},
    {303, "Invalid value for bits per sample"},
    {304, "The sample rates of the selected files are not all equal"},
    {305, "The lengths of the selected files are not all equal"},
    {306, "The impuls response could not be found"},
    {307, "Invalid file format (the receiver used to measure this file is not valid for this operation)"},
    {400, "Error creating registry key"},
    {401, "Error opening registry key"},
    {402, "Conflicting values for decimal symbol in regional settings"},
    {403, "Invalid format on clipboard"},
    {404, "Cannot open clipboard"},
    {900, "Busy playing"},
    {902, "Only 16 bit data allowed"},
    {903, "File is too long"},
    {904, "File is too short"},
    {906, "Re-calibrate your soundcard"},
    {907, "Calibration files do not match"},
    {908, "Unable to extract useful data from calibration file"},
    {909, "Invalid reverberation time in calibration file"},
    {911, "Unable to start your default browser and to connect to the Internet"},
    {912, "Unable to start your default browser and to connect to the Internet"},
    {913, "Warning: Invalid reverberation time in calibration file at 63 Hz"},
    {914, "Warning: Unable to extract useful data from calibration file at 63 Hz"},
    {915, "Close measurement window first"},
    {916, "Not enough signal for soundcard calibration. Abort calibration procedure? "},
    {1000, "Close all windows and exit?"},
    {1001, "Switch to 8 and press OK, or press 'Cancel' to abort"},
    {1003, "The following error has occurred in procedure"},
    {1004, "Please report this problem and the circumstances"},
    {1005, "leading to it to your local ZX representative."},
    {1006, "When you change the sampling frequency, you will have to recalibrate your soundcard, and redo your "
           "system calibrations!"},
    {1007, "Vemra is already running!"},
    {1008, "Enter plan ID:"},
    {1010, "Connect line-in to line-out and press 'Continue' to start the calibration procedure."},
    {1011, "Automatic calibration procedure in progress..."},
    {1012, "Calibration procedure completed. Press OK to save the results."},
    {1013, "Note that calibrating your soundcard will invalidate previous system calibrations. The calibration "
           "procedure will take approximately 30 minutes to complete"},
    {1014, "Step 1 of 11: Finding gain settings for minimum THD+N"},
    {1015, "Step 2 of 11: Setup for gain calibrations"},
    {1016, "Step 3 of 11: Calibrate secondary playback gain control"},
    {1017, "Step 4 of 11: Calibrate master playback gain control"},
    {1018, "Step 5 of 11: Calibrate master recording gain control"},
    {1019, "Step 6 of 11: Calibrate secondary recording gain control"},
    {1020, "Step 7 of 11: Check distortion with MLS signal"},
    {1021, "Step 8 of 11: Measure soundcard MLS response"},
    {1022, "Step 9 of 11: Measure soundcard sweep response"},
    {1023, "Step 10 of 11: Adjust volume for filtered MLS signal"},
    {1024, "Step 11 of 11: Adjust volume for filtered sweep signal"},
    {1030, "Automatic calibration failed."},
    {1032, "Saving calibration results"},
    {2000, "Invalid receiver type"},
};

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
    throw VemraError(326, QStringLiteral("Resource with identifier '%1' not found").arg(id));
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
