#pragma once
// Every message id of the program, by meaning. A library call returns 0 or one of these; the windows show them
// with HandleError. The texts live in the core's message table (core/MessageTexts.cpp), which is keyed by these names,
// so an id and its text cannot drift apart. Header only, no Qt: the file, sound and signal layers include it too.
#include <cstdint>

namespace vemra::msg {

using Id = std::int16_t;

// Memory.
inline constexpr Id NotEnoughMemory = 100;          // "Not enough memory"

// Sound devices.
inline constexpr Id TooFewWaveDevices = 150;        // "Less than 1 wave device available"
inline constexpr Id NoUsableWaveDevice = 151;       // "No usable wave device"
inline constexpr Id UnsupportedSampleRate = 152;    // "Unsupported sample frequency"
inline constexpr Id CannotOpenOutput = 153;         // "Cannot open output device"
inline constexpr Id CannotOpenInput = 154;          // "Cannot open input device"
inline constexpr Id CannotStartInput = 155;         // "Cannot start wave input"
inline constexpr Id CannotAddInputBuffer = 156;     // "Cannot add inputbuffer"
inline constexpr Id CannotPrepareInputBuffer = 157; // "Cannot prepare inputbuffer"
inline constexpr Id CannotGetRecording = 158;       // "Cannot get recording"
inline constexpr Id CannotPlayWave = 159;           // "Cannot play wavefile"
inline constexpr Id NoCalibrationSignal = 160;      // "Cannot detect a calibration signal"
inline constexpr Id SoundDeviceTimeout = 161;       // "Sounddevice timeout"
inline constexpr Id CloseDeviceTimeout = 162;       // "Timeout closing sounddevice"
inline constexpr Id CannotStartRecording = 163;     // "Cannot start recording (thread)"
inline constexpr Id SilentInput = 164;              // "No signal at the input": a capture of zeros only
inline constexpr Id NoSignalReturned = 165;         // "No signal came back from the output": a response of noise only

// Files.
inline constexpr Id CannotCreateFile = 200;         // "Cannot create wave file"
inline constexpr Id CannotCreateChunk = 201;        // "Cannot create wave chunk"
inline constexpr Id CannotCreateFormatChunk = 202;  // "Cannot create format chunk"
inline constexpr Id CannotWrite = 203;              // "Cannot write to wave file"
inline constexpr Id CannotAscendChunk = 204;        // "Cannot ascend out of chunk"
inline constexpr Id CannotCreateDataChunk = 205;    // "Cannot create data chunk"
inline constexpr Id DiskFull = 206;                 // "Disk full"
inline constexpr Id CannotRead = 207;               // "Cannot read file"
inline constexpr Id BadWave = 208;                  // "Bad Wave format"
inline constexpr Id BadRiff = 209;                  // "Bad Riff format"
inline constexpr Id UnsupportedWave = 210;          // "Unsupported wave format"
inline constexpr Id BadFormat = 211;                // "Bad format in wave file"
inline constexpr Id NoWaveData = 212;               // "No Wave data"
inline constexpr Id BadDataChunk = 213;             // "Failure to read data chunk"
inline constexpr Id BadTim = 214;                   // "Bad TIM format (not a TIM file)"
inline constexpr Id TimNotSyncCorrelation = 215;    // "Bad TIM format (not sync. correlation)"
inline constexpr Id TimSingleChannel = 216;         // "TIM format only allows a single channel"
inline constexpr Id TimCannotSave = 217;            // "Saving TIM format files is not possible"
inline constexpr Id BadTxt = 218;                   // "Bad TXT format"
inline constexpr Id PathTooLong = 219;              // "The path of the file is too long"

// Processing.
inline constexpr Id BadChannelCount = 300;          // "Too many or too few channels"
inline constexpr Id TooFewSamples = 301;            // "Too few samples in file"
inline constexpr Id BadArgument = 302;              // "Invalid stimulus (SW error)": a caller's mistake
inline constexpr Id BadBitsPerSample = 303;         // "Invalid value for bits per sample"
inline constexpr Id RatesDiffer = 304;              // "The sample rates of the selected files are not all equal"
inline constexpr Id LengthsDiffer = 305;            // "The lengths of the selected files are not all equal"
inline constexpr Id NoImpulse = 306;                // "The impuls response could not be found"
inline constexpr Id WrongReceiver = 307;            // "Invalid file format (the receiver ... not valid ...)"

// Settings and clipboard.
inline constexpr Id CannotCreateSettingsKey = 400;  // "Error creating registry key"
inline constexpr Id CannotOpenSettingsKey = 401;    // "Error opening registry key"
inline constexpr Id DecimalSymbolConflict = 402;    // "Conflicting values for decimal symbol in regional settings"
inline constexpr Id ClipboardFormat = 403;          // "Invalid format on clipboard"
inline constexpr Id ClipboardUnavailable = 404;     // "Cannot open clipboard"
inline constexpr Id SettingsNotSaved = 405;         // "Cannot write settings file" (the file named below it)

// Operations.
inline constexpr Id BusyPlaying = 900;              // "Busy playing"
inline constexpr Id Only16Bit = 902;                // "Only 16 bit data allowed"
inline constexpr Id FileTooLong = 903;              // "File is too long"
inline constexpr Id FileTooShort = 904;             // "File is too short"
inline constexpr Id Recalibrate = 906;              // "Re-calibrate your soundcard"
inline constexpr Id CalibrationFilesDiffer = 907;   // "Calibration files do not match"
inline constexpr Id CalibrationNoData = 908;        // "Unable to extract useful data from calibration file"
inline constexpr Id CalibrationBadRevTime = 909;    // "Invalid reverberation time in calibration file"
inline constexpr Id NoBrowserHome = 911;            // "Unable to start your default browser ..." (home page)
inline constexpr Id NoBrowserSupport = 912;         // the same text, for the support page
inline constexpr Id CalibrationBadRevTime63 = 913;  // "Warning: Invalid reverberation time ... at 63 Hz"
inline constexpr Id CalibrationNoData63 = 914;      // "Warning: Unable to extract useful data ... at 63 Hz"
inline constexpr Id CloseMeasurementFirst = 915;    // "Close measurement window first"
inline constexpr Id CalibrationTooLittleSignal = 916; // "Not enough signal for soundcard calibration. Abort ...?"
inline constexpr Id NoPrinter = 917;                // "There is no printer. ...": none chosen and none installed

// Prompts and the steps of the sound-card calibration.
inline constexpr Id ConfirmExit = 1000;             // "Close all windows and exit?"
inline constexpr Id SwitchTo8 = 1001;               // "Switch to 8 and press OK, or press 'Cancel' to abort"
inline constexpr Id ErrorInProcedure = 1003;        // "The following error has occurred in procedure"
inline constexpr Id PleaseReport = 1004;            // "Please report this problem and the circumstances"
inline constexpr Id LeadingToIt = 1005;             // "leading to it to your local ZX representative."
inline constexpr Id RateChangeRecalibrate = 1006;   // "When you change the sampling frequency, ... recalibrate ..."
inline constexpr Id AlreadyRunning = 1007;          // "Vemra is already running!"
inline constexpr Id EnterPlanId = 1008;             // "Enter plan ID:"
inline constexpr Id ConnectLineInOut = 1010;        // "Connect line-in to line-out and press 'Continue' ..."
inline constexpr Id CalibrationInProgress = 1011;   // "Automatic calibration procedure in progress..."
inline constexpr Id CalibrationCompleted = 1012;    // "Calibration procedure completed. Press OK to save ..."
inline constexpr Id CalibrationInvalidates = 1013;  // "Note that calibrating your soundcard will invalidate ..."
inline constexpr Id CalStep1 = 1014;                // "Step 1 of 11: ..." (steps 1..11 are CalStep1 + 0..10)
inline constexpr Id CalStep11 = 1024;               // "Step 11 of 11: ..."
inline constexpr Id CalibrationFailed = 1030;       // "Automatic calibration failed."
inline constexpr Id SavingCalibration = 1032;       // "Saving calibration results"

// Receiver.
inline constexpr Id InvalidReceiver = 2000;         // "Invalid receiver type"

// The step message of calibration step n (1..11).
constexpr Id CalStep(int n) { return Id(CalStep1 + n - 1); }

} // namespace vemra::msg
