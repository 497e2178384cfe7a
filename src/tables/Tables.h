#pragma once
// How the document window opens the parameter tables: a new modeless window for every request, given the
// document's Key. (The modulation table is opened by the speech table only.) Calling thread: the user-interface
// thread.
#include <QString>

namespace vemra {

class frmTable;

enum class ParameterTable { Iso, Reverberation, Spaciousness, EnergyRatios, Levels, Speech, Stage };

// Shows a new table of that kind on document `key` and returns it (it deletes itself when it closes); nullptr
// when the document is gone (reported by the table's loading).
frmTable* ShowParameterTable(ParameterTable table, const QString& key);

} // namespace vemra
