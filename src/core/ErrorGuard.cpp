#include "core/ErrorGuard.h"

namespace vemra {

VemraError toVemraError(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const VemraError& e) {
        return e;
    } catch (const std::bad_alloc&) {
        return VemraError::outOfMemory();
    } catch (const std::out_of_range& e) {
        return VemraError::range();
    } catch (const std::exception& e) {
        return VemraError::invalidCall(QString::fromUtf8(e.what()));
    } catch (...) {
        return VemraError::invalidCall();
    }
}

} // namespace vemra
