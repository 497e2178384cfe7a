#pragma once
// Where the stored sound-card calibrations live, and the names built from a card's identity. Calibration
// descriptions and fingerprints come from the user and the sound system: every name built from them is made safe
// first, so a description never splits a settings section and a fingerprint never leaves the correction folder.
// Shared by the mixer, the player, the options dialog and the calibration windows, with the number forms the
// stored calibrations are written in.
#include <QString>
#include <cstdint>

namespace vemra {

// A whole number with a blank before zero and positive numbers, '-' before negative ones (" 16", "-1").
QString SignedBlank(std::int64_t value);
// Two decimals with '.', whatever the locale; a value that rounds to zero is "0.00", never "-0.00".
QString TwoDecimals(double value);

// The settings section that lists the stored calibrations (key: a number or the description itself).
inline const QString kSoundSysSection = QStringLiteral("SoundSys");

// The settings section of one calibration: "SoundSys\<description>" with '\' and '/' replaced by '_'.
QString CalibrationSection(const QString& description);
// A text that can stand in a file name: path separators, control characters and characters that shells and
// other systems refuse become '_'; surrounding blanks are trimmed.
QString FileNameSafe(const QString& text);
// The folder of the sound-card correction files: "Calibration" in the writable data folder.
QString CalibrationFolder();
// The common start of a correction file's name: folder, fingerprint, one blank, the rate in whole Hz.
QString CorrectionPrefix(const QString& fingerPrint, std::int32_t rate_Hz);
// Adds the order in signed-blank form and the ending.
QString CorrectionFileName(const QString& fingerPrint, std::int32_t rate_Hz, int order, const QString& ending);

} // namespace vemra
