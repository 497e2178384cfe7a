#pragma once
// The stored system calibrations (settings section "Calibration"): the one reader and writer of their index, shared
// by the system calibration window and the file-information dialog.
//
// Calibration n lives in the keys "<n>CalDesc" (its description), "<n>CalData" (the record text: stimulus code;
// receiver code; seven channel-1 gains; seven channel-2 differences, each followed by ';') and, for calibrations
// made from responses of one stimulus order, "<n>CalOrder". "Count" says how many numbers are in use.
//
// What is stored is never lost through a garbled entry: the numbers in use are those below Count and those that hold
// a key, whatever Count says (a garbled, missing or too small Count hides nothing, and a new calibration never
// takes the number of a stored one); a calibration whose record does not read is left out of the lists that need
// its codes, the others stay.
// Calling thread: the user-interface thread.
#include <QString>

#include <array>
#include <cstdint>
#include <map>
#include <optional>

namespace vemra {

// The settings section of the system calibrations.
inline const QString kCalibrationSection = QStringLiteral("Calibration");
// The highest calibration number the store uses, plus one.
inline constexpr int kMaxSystemCalibrations = 1000;

struct StoredSystemCal {
    QString description;
    QString data;  // the record text as stored ("" when missing)
    int order = 0; // the stimulus order of its responses; 0 when the calibration holds for every order
};

// The record's two codes (characters 1 and 3 of its text), or nothing when they are not digits.
struct SystemCalCodes {
    std::int16_t stimulus = 0;
    std::int16_t receiver = 0;
};
std::optional<SystemCalCodes> SystemCalRecordCodes(const QString& data);
// The record's fourteen numbers: row 0 (channel 1) then row 1 (channel 2), bands 63 Hz .. 4 kHz; nothing when one
// of them is missing or is no float.
std::optional<std::array<float, 14>> SystemCalRecordGains(const QString& data);

// Every stored calibration by number (numbers may have gaps where an entry was garbled or lost).
std::map<int, StoredSystemCal> StoredSystemCalibrations();
// How many numbers are in use: a new calibration takes this one.
int SystemCalibrationSlots();
// Writes calibration n (n <= SystemCalibrationSlots()) and, for a new number, Count = n + 1. Order 0 stores none.
// Throws VemraError 9 for n outside 0 .. kMaxSystemCalibrations - 1 (all numbers in use), writing nothing.
void SaveSystemCalibrationEntry(int n, const QString& description, const QString& data, int order);
// Deletes stored calibration d and moves the later ones down (nothing for d outside the numbers in use).
void DeleteSystemCalibration(int d);

// The calibrations that apply to a response of this stimulus, receiver and order: those made at its order, or,
// when there are none (or the order is unknown, 0), those made for every order, as calibrations were kept before
// they knew their order. Number -> description.
std::map<int, QString> SystemCalibrationsFor(std::int16_t stimulus, std::int16_t receiver, int order);

// The stimulus order of a response of this many frames: n for 2^n (a sweep) or 2^n - 1 (an MLS) frames, else 0.
int StimulusOrderOfLength(std::int64_t frames);

} // namespace vemra
