#include "host/core.h"

namespace core {

AnyBadAccess::AnyBadAccess() : std::logic_error("ValAny Bad Access") {}
AnyBadAccess::~AnyBadAccess() = default;

}  // namespace core
