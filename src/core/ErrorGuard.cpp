#include "core/ErrorGuard.h"

namespace vemra {

VemraError toVemraError(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const VemraError& e) {
        return e;
    } catch (const std::bad_alloc&) {
        return VemraError(7, QStringLiteral("Out of memory"));
    } catch (const std::out_of_range& e) {
        return VemraError(9, QStringLiteral("Subscript out of range"));
    } catch (const std::exception& e) {
        return VemraError(5, QString::fromUtf8(e.what()));
    } catch (...) {
        return VemraError(5, QStringLiteral("Invalid procedure call or argument"));
    }
}

} // namespace vemra
