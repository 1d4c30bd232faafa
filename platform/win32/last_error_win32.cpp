#include <windows.h>

#include "platform/last_error.h"

namespace orvane {

int GetLastErrorCode() {
    return static_cast<int>(::GetLastError());
}
void SetLastErrorCode(int code) {
    ::SetLastError(static_cast<DWORD>(code));
}

}  // namespace orvane
