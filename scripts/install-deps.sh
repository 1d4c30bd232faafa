#!/usr/bin/env bash
# Installs what building and testing use, from Debian's packages; installs
# nothing when everything is there already. Then makes sure the system
# services of chrony and xinetd are stopped and disabled (see below).
set -eu

packages=(
    # Native build, unit tests (GoogleTest) and benchmarks (Google Benchmark).
    cmake make g++ libgtest-dev libbenchmark-dev
    # The fuzz target: clang with libFuzzer and the sanitizer runtimes.
    clang libclang-rt-dev
    # Windows programs: the posix-threads mingw-w64 compilers, windres, windmc.
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
    # End-to-end tests: Wine on a private Xvfb display, screenshots
    # (import, convert), ss and pgrep.
    wine wine64 xvfb imagemagick iproute2 procps
    # Time servers for the end-to-end tests only: chronyd (SNTP) and
    # xinetd's TIME services, run by the tests on loopback.
    chrony xinetd
)

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "installing: ${missing[*]}"
    echo "(chrony and xinetd are for the tests' own time servers; their system services get stopped and disabled)"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# chrony and xinetd start system services on installation where an init
# system lets them. A system chronyd would hold port 123 against the
# tests' own and, without -x, could set this machine's clock, so both
# services are stopped and kept from starting again. Only these two
# packages' own services are touched, and only through their own service
# definitions (the init scripts act on their pid files alone), never by
# process name: the tests' chronyd and xinetd keep running.
stop_system_service() {
    local name=$1
    if [ -d /run/systemd/system ] && command -v systemctl >/dev/null 2>&1; then
        $SUDO systemctl disable --now "$name.service" >/dev/null 2>&1 || true
        if systemctl is-active --quiet "$name.service"; then
            echo "install-deps.sh: could not stop the system service $name" >&2
            return 1
        fi
        return 0
    fi
    # No systemd (a container often has no init system at all): no start
    # at boot, and a stop that does nothing when it does not run.
    [ -x "/etc/init.d/$name" ] || return 0
    if command -v update-rc.d >/dev/null 2>&1; then
        $SUDO update-rc.d "$name" disable >/dev/null 2>&1 || true
    fi
    if command -v service >/dev/null 2>&1; then
        $SUDO service "$name" stop >/dev/null 2>&1 || true
    else
        $SUDO "/etc/init.d/$name" stop >/dev/null 2>&1 || true
    fi
}

stop_system_service chrony
stop_system_service xinetd
