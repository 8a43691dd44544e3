#include "link/plexa.h"

namespace vantel::link {

bool FindCall(std::string_view name, CallId& id) {
    for (std::size_t i = 0; i < kCallCount; ++i) {
        if (kCallNames[i] == name) {
            id = static_cast<CallId>(i);
            return true;
        }
    }
    return false;
}

}  // namespace vantel::link
