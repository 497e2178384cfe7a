#pragma once
// The message table: every numbered text the program shows, by id. Ids are grouped by hundreds (100 memory,
// 150-163 sound devices, 200-218 files, 300-307 processing, 400-405 settings and clipboard, 900-916 operations,
// 1000-1032 prompts and calibration steps, 2000 receiver). Texts are kept exactly as the user sees them, trailing
// blanks included. Not every id in a group has a text (901, 905, 910, 1002, 1009, 1025-1029, 1031 have none).
#include <QString>
#include <vector>

namespace vemra {

// True when the table holds a text for that id.
bool HasMessage(int id);
// The text of message `id`; throws VemraError 326 when the table holds none.
QString MessageText(int id);
// Every id of the table, ascending.
const std::vector<int>& MessageIds();

} // namespace vemra
