// The native build's stand-in for GetLastError/SetLastError.
#include "platform/last_error.h"

namespace orvane {

namespace {
thread_local int last_error_code = 0;
}

int GetLastErrorCode() {
    return last_error_code;
}
void SetLastErrorCode(int code) {
    last_error_code = code;
}

}  // namespace orvane
