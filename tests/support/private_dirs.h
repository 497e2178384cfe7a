#pragma once
// Points HOME, XDG_CONFIG_HOME, XDG_DATA_HOME, XDG_RUNTIME_DIR and TMPDIR at a fresh folder of this test process,
// so tests never touch a user's settings or files and can run side by side. Removed at exit.
#include <string>

namespace vemra::test {
void usePrivateDirs();
std::string privateRoot(); // the folder made by usePrivateDirs ("" before)
}
