# The Win32 layer's own GoogleTest program under Wine.
# e2e-group: ports
scenario_10_win32_layer_tests() {
    e2e_wine "$E2E_BIN/orvane_win32_tests.exe" --gtest_brief=1 || e2e_fail "Win32-layer tests failed"
}
