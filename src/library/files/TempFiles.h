#pragma once
// Where the program may write, and the only files it may delete.
// - Temporary names are issued in the temp folder ($TMPDIR, else /tmp, as Qt's TempLocation) and created empty
//   at once, so no other process can take the name. The registry remembers every issued name: removeTempFile
//   deletes a file only when its name was issued in this run, so a user's own "*.tmp" is never touched. (The atomic
//   save removes only what killed saves left under its own name pattern: writeFileAtomically in FileIo.h.)
// - The writable data folder holds the TIM set-up template "timsetup.dat"; by default it is Qt's AppDataLocation
//   for organisation and application "Vemra" ($XDG_DATA_HOME or ~/.local/share, then Vemra/Vemra); the program
//   may set it at start-up.
// Thread-safe.
#include <string>

namespace vemra::files {

std::string tempFolder();
// A new, empty file in the temp folder whose name ends in ".tmp"; "" when none can be created.
std::string issueTempName();
bool isIssuedTempName(const std::string& path);
// Deletes the file when its name was issued (and forgets the name); false otherwise or when it fails.
bool removeTempFile(const std::string& path);

std::string dataFolder();
void setDataFolder(const std::string& folder);
// The TIM set-up template in the data folder.
std::string timTemplatePath();

} // namespace vemra::files
