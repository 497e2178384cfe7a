#pragma once
// Message ids of the file messages, by meaning (the texts live in the message table of the core).
#include "library/api_common.h"

namespace vemra::files::msg {

inline constexpr VResult CannotCreateFile = 200;     // "Cannot create wave file"
inline constexpr VResult CannotCreateChunk = 201;    // "Cannot create wave chunk"
inline constexpr VResult CannotWrite = 203;          // "Cannot write to wave file"
inline constexpr VResult DiskFull = 206;             // "Disk full"
inline constexpr VResult CannotRead = 207;           // "Cannot read file"
inline constexpr VResult BadWave = 208;              // "Bad Wave format"
inline constexpr VResult BadRiff = 209;              // "Bad Riff format"
inline constexpr VResult UnsupportedWave = 210;      // "Unsupported wave format"
inline constexpr VResult BadFormat = 211;            // "Bad format in wave file"
inline constexpr VResult NoWaveData = 212;           // "No Wave data"
inline constexpr VResult BadDataChunk = 213;         // "Failure to read data chunk"
inline constexpr VResult BadTim = 214;               // "Bad TIM format (not a TIM file)"
inline constexpr VResult TimNotSyncCorrelation = 215; // "Bad TIM format (not sync. correlation)"
inline constexpr VResult TimSingleChannel = 216;     // "TIM format only allows a single channel"
inline constexpr VResult TimCannotSave = 217;        // "Saving TIM format files is not possible"
inline constexpr VResult BadTxt = 218;               // "Bad TXT format"
inline constexpr VResult BadChannelCount = 300;      // "Too many or too few channels"
inline constexpr VResult TooFewSamples = 301;        // "Too few samples in file"
inline constexpr VResult BadBitsPerSample = 303;     // "Invalid value for bits per sample"
inline constexpr VResult FileTooLong = 903;          // "File is too long"

} // namespace vemra::files::msg
