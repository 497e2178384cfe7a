#pragma once
// Response files: GetWaveHeader, OpenWave, CloseWave, SaveWaveAs, GetTempName.
// The header's FileName names the file. A response's samples stay in the library from OpenWave until
// CloseWave; the header's first reserved pair holds the library's handle to them (callers pass it through).
#include "library/api_common.h"

#include <string>

namespace vemra {

// Reads the header of the file named in header.FileName: sample fields, measurement information, the five texts
// and the gains. A WAV without our chunk gets the defaults (IRStart -1, 20 degrees C, factors 1). Files that
// are not 16-bit are described (bits per sample tells) and cannot be opened. 0 or a file message
// (msg::CannotRead..msg::BadTxt, msg::BadChannelCount, msg::TooFewSamples); on failure the header is unchanged.
VResult GetWaveHeader(WaveHeader& header);

// Loads the samples of the file named in the header (releasing what the header held) and refreshes its sample
// fields; the information, texts and gains keep the values the header holds. 0 or a file message (msg::BadBitsPerSample
// for a file that is not 16-bit, msg::FileTooLong for one beyond 4194304 frames).
VResult OpenWave(WaveHeader& header);

// Releases the samples the header holds (nothing when it holds none). Always 0.
VResult CloseWave(WaveHeader& header);

// Writes the open response with the header's information to fileName: WAV with our chunk, or by the
// extension ".tim" (one channel, set-up template needed: msg::TimSingleChannel, msg::TimCannotSave) or ".txt". The
// target is replaced atomically; the header is not changed. 0, msg::NoWaveData when the header holds no samples, or a
// file message.
VResult SaveWaveAs(WaveHeader& header, const std::string& fileName);

// A new temporary file name (the file exists, empty, in the temp folder, named "*.tmp"). The library remembers
// the names it issued: DeleteTempFile deletes those and no other file. 0, or msg::CannotCreateFile when no file can be
// created (buffer then empty).
VResult GetTempName(std::string& buffer);
bool IsTempName(const std::string& path);
// True when the file was deleted; false for a name GetTempName did not issue, or when deleting failed.
bool DeleteTempFile(const std::string& path);

// The writable data folder (Qt's AppDataLocation): the program sets it at start-up; the TIM set-up template
// "timsetup.dat" lives there. TimTemplateAvailable tells whether saving as ".tim" is possible.
void SetDataFolder(const std::string& folder);
std::string DataFolder();
bool TimTemplateAvailable();

} // namespace vemra
