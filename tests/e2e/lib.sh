# Helpers shared by the end-to-end scenarios (run.sh) and the demo tour
# (scripts/run-demo.sh): Xvfb, the automation program, the utility's process
# and screenshots. Source after scripts/wine-env.sh; set TAZU_BUILD_WIN first.

E2E_AUTO_EXE=$TAZU_BUILD_WIN/tests/e2e/tazuauto.exe
E2E_XVFB_PID=
E2E_LOG=${E2E_LOG:-/dev/null}

# Starts Xvfb on the first free display from <first> on; exports DISPLAY.
e2e_start_xvfb() {  # <first display number>
    local n=$1
    while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    E2E_XVFB_PID=$!
    local i
    for i in $(seq 100); do
        [ -e "/tmp/.X11-unix/X$n" ] && break
        sleep 0.05
    done
    export DISPLAY=":$n"
}

e2e_stop_xvfb() {
    [ -n "$E2E_XVFB_PID" ] && kill "$E2E_XVFB_PID" 2>/dev/null
    E2E_XVFB_PID=
}

# The automation program; see tazuauto.cpp for the commands.
auto() { wine "$E2E_AUTO_EXE" "$@" </dev/null 2>>"$E2E_LOG"; }

# The folder that drive Q: shows, so the utility starts from the disc root.
e2e_q_folder() { readlink "$WINEPREFIX/dosdevices/q:"; }

# Starts Q:\TazuStart.exe in the background; sets UTIL_PID.
start_utility() {
    (cd "$(e2e_q_folder)" && exec wine 'Q:\TazuStart.exe') </dev/null >>"$E2E_LOG" 2>&1 &
    UTIL_PID=$!
}

# Waits for the process <pid> to end; sets EXIT_CODE (the program's exit
# code, as wine returns it). Status 1 when it still runs after <seconds>.
wait_process() {  # <pid> <seconds>
    local pid=$1 deadline=$((SECONDS + $2))
    while kill -0 "$pid" 2>/dev/null; do
        ((SECONDS >= deadline)) && return 1
        sleep 0.1
    done
    wait "$pid"
    EXIT_CODE=$?
    return 0
}

# Ends a process that we started, if it still runs.
stop_process() {  # <pid>
    [ -n "$1" ] || return 0
    if kill -0 "$1" 2>/dev/null; then
        kill "$1" 2>/dev/null
        wait_process "$1" 5 || kill -9 "$1" 2>/dev/null
    fi
    wait "$1" 2>/dev/null
    return 0
}

# Screenshot of the whole screen as PNG.
screenshot() {  # <file.png>
    mkdir -p "$(dirname "$1")"
    # import, not xwd -root: under Xvfb xwd leaves message boxes black.
    import -display "$DISPLAY" -window root "png:$1" 2>/dev/null
}

# The value of a [Setting] key of the disc's Setup.inf, as UTF-8.
setup_inf_value() {  # <disc folder> <key>
    iconv -f CP932 -t UTF-8 "$1/Setup.inf" | tr -d '\r' | sed -n "s/^$2=//p" | head -1
}
