# The Wine benchmarks' common start: a work folder and Wine prefix of their
# own, the end-to-end harness's helpers, clean-up on exit, and UDP port 123
# free. Sourced with ROOT set; E2E_BIN and E2E_DIST may name another
# Windows build's test programs and shipped files:
#   bench_env NAME WHY-PORT-123-MUST-BE-FREE
bench_env() {
    export E2E_WORK
    E2E_WORK=$(mktemp -d "/tmp/orvane-$1.XXXXXX")
    export WINEPREFIX=$E2E_WORK/prefix
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml="
    export E2E_BIN=${E2E_BIN:-$ROOT/build/windows/test-bin}
    export E2E_DIST=${E2E_DIST:-$ROOT/dist}
    # shellcheck source=tests/e2e/lib.sh
    source "$ROOT/tests/e2e/lib.sh"
    # shellcheck source=tests/e2e/product.sh
    source "$ROOT/tests/e2e/product.sh"
    trap e2e_cleanup EXIT
    if e2e_port_bound udp 123 || e2e_port_bound udp 123 any; then
        echo "UDP port 123 is taken: $2" >&2
        exit 1
    fi
}
