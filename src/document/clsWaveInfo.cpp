// Whether the recording information of the document has been confirmed by the user.
#include "document/clsWave.h"

namespace vemra {

bool clsWave::ValidInfo() const { return validInfo_; }

void clsWave::setValidInfo(bool value) { validInfo_ = value; }

} // namespace vemra
