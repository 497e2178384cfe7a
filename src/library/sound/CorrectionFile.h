#pragma once
// Sound-card correction of a stimulus: the pre-filtered stimulus file ("<stem>_mls.pcm", "<stem>_swp.pcm") that
// the player finds in the calibration folder, and how it is made from an inverse-filter response file
// ("<stem>.mls_flt.wav", "<stem>.swp_flt.wav").
//
// Pre-filtered stimulus file, all numbers little-endian:
//   offset  0  8 bytes  magic "VMRASTIM"
//   offset  8  u32      format version, 1
//   offset 12  u32      kind: 1 MLS, 2 sweep
//   offset 16  u32      sequence order n
//   offset 20  u32      sample rate in Hz
//   offset 24  u32      frames: 2^n - 1 (MLS) or 2^n (sweep)
//   offset 28  u32      FNV-1a 32-bit hash of the sample bytes that follow
//   offset 32  frames x f32: one period of the corrected stimulus, peak 1 (the level is applied at playback)
// A file that cannot be read as this (missing, wrong magic or version, wrong length, a hash mismatch, a sample that
// is not finite or above 1 in magnitude: damaged) is refused with msg::CannotRead; one that reads well but was made
// for another kind, order or rate with msg::CalibrationFilesDiffer.
//
// Inverse-filter file: a response wave file whose first channel is the filter's impulse response; it is folded
// onto the stimulus period, convolved circularly with the plain stimulus, scaled to a peak of 1 and saved as the
// pre-filtered stimulus file of the same stem, which later starts read directly.
#include "library/api_common.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vemra::sound {

enum class StimulusKind : std::uint32_t { Mls = 1, Sweep = 2 };

struct CorrectedStimulus {
    StimulusKind kind = StimulusKind::Mls;
    int order = 0;
    std::int32_t rate_Hz = 0;
    std::vector<float> period;
};

// 0, msg::CannotRead (missing or damaged) or msg::CalibrationFilesDiffer (not matching kind, order, rate).
VResult readCorrectedStimulus(const std::string& path, StimulusKind kind, int order, std::int32_t rate_Hz,
                              CorrectedStimulus& out);
// Written atomically (files::writeFileAtomically): 0, or msg::CalibrationFilesDiffer when it cannot be written.
VResult writeCorrectedStimulus(const std::string& path, const CorrectedStimulus& stimulus);

// The pre-filtered stimulus file of an inverse-filter file's stem ("<stem>_mls.pcm" for "<stem>.mls_flt.wav"); empty
// when filterFile does not end as the kind's inverse-filter file or has no stem.
std::string preFilteredFileOf(const std::string& filterFile, StimulusKind kind);

// The period with the correction of file applied: file ends in "_mls.pcm"/"_swp.pcm" (read) or in
// ".mls_flt.wav"/".swp_flt.wav" (filter applied to plain, then the pre-filtered file is written beside it).
// plain: the uncorrected period (peak 1). 0, msg::CannotRead (file missing or damaged; a filter file as the response
// reader refuses it, among them one whose data are shorter than its header says) or msg::CalibrationFilesDiffer
// (another ending, kind, order or rate, or a filter without energy).
// A pre-filtered file that cannot be written does not fail the call (the next start only filters again); written,
// when given, receives the result of that write (writeCorrectedStimulus), and is left as it was when nothing was
// written.
VResult correctedPeriod(const std::string& file, StimulusKind kind, int order, std::int32_t rate_Hz,
                        std::span<const double> plain, std::vector<double>& out, VResult* written = nullptr);

} // namespace vemra::sound
