#pragma once
// The program's version record.
namespace vemra {

inline constexpr int VersionMajor = 1;
inline constexpr int VersionMinor = 0;
inline constexpr int VersionRevision = 0;

} // namespace vemra
