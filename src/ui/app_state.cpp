#include "app_state.h"

namespace velmora {

AppState& appState() {
    static AppState state;
    return state;
}

void resetAppState() {
    appState() = AppState{};
}

}  // namespace velmora
