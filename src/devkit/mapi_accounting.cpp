#include "devkit/mapi_accounting.h"

#include "platform/mapi/accounting.h"

namespace mapi_accounting {

std::int64_t OutstandingBuffers() {
    return Current().buffers.load();
}

std::int64_t OutstandingReferences() {
    return Current().references.load();
}

std::int64_t ActiveLogons() {
    return Current().logons.load();
}

} // namespace mapi_accounting
