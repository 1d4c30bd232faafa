#include "ui/win32/ui_state.h"

namespace orvane {

UiState& Ui() {
    static UiState* state = new UiState;  // never destroyed: threads may outlive main
    return *state;
}

}  // namespace orvane
