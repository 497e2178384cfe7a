#pragma once
// Where the stored sound-card calibrations live, and the names built from a card's identity. Calibration
// descriptions and fingerprints come from the user and the sound system: every name built from them is made safe
// first, so a description never splits a settings section and a fingerprint never leaves the correction folder.
// Shared by the mixer, the player, the options dialog and the calibration wizard.
#include <QString>
#include <cstdint>

namespace vemra {

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
// Adds the order, written with a leading blank when it is not negative (" 16", "-1"), and the ending.
QString CorrectionFileName(const QString& fingerPrint, std::int32_t rate_Hz, int order, const QString& ending);

} // namespace vemra
