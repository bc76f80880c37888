# Sourced by scripts/test and scripts/run: a Wine prefix, an X display and a persistent wine server.
# testenv_start <dir> sets WINEPREFIX, DISPLAY and friends; testenv_stop ends what it started.
# Each start gets a fresh copy of a template prefix (made once, about 20 s; copied in about 1 s),
# unless BRIMLET_KEEP_PREFIX is set (scripts/run keeps the user's settings between runs).
# The Wine is the one of this machine's target (scripts/platform.sh): BRIMLET_WINE runs a program.

. "$(dirname "${BASH_SOURCE[0]}")/platform.sh"

testenv_make_prefix() {
  rm -rf "$WINEPREFIX"
  mkdir -p "$(dirname "$WINEPREFIX")"
  "$BRIMLET_WINE" wineboot -i >>"$BRIMLET_WINE_LOG" 2>&1
  wineserver -w
  # Unmanaged, undecorated windows: a managed window stalls about 2 s on every hide under a
  # bare X server, and synthetic drags do not move it.
  "$BRIMLET_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >>"$BRIMLET_WINE_LOG" 2>&1
  "$BRIMLET_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f >>"$BRIMLET_WINE_LOG" 2>&1
  # COM7 and COM10 are configured ports, so the system lists them; the serial tests put ptys behind
  # them. The targets are relative to dosdevices, so every copy of the prefix points into itself.
  local n
  for n in 7 10; do
    "$BRIMLET_WINE" reg add 'HKLM\Software\Wine\Ports' /v "COM$n" /t REG_SZ /d "../drive_c/brimlet-serial/port$n/dev" /f \
      >>"$BRIMLET_WINE_LOG" 2>&1
  done
  # A crashing program gets winedbg's backtrace on stderr and ends, instead of a crash dialog
  # that nobody closes under Xvfb (a test would then hang until its timeout, with no trace).
  "$BRIMLET_WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >>"$BRIMLET_WINE_LOG" 2>&1
  local fonts="$WINEPREFIX/drive_c/windows/Fonts"
  mkdir -p "$fonts"
  cp -n /usr/share/wine/fonts/* "$fonts/" 2>/dev/null || true
  wineserver -w
  touch "$WINEPREFIX/.brimlet-ready"
}

testenv_start() {
  local dir=$1
  mkdir -p "$dir"
  brimlet_use_wine "$(brimlet_target)"
  export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  export WINEPREFIX="$dir/prefix"
  export BRIMLET_WINE_LOG="$dir/wine.log"
  export BRIMLET_TESTENV="$dir"
  : >"$BRIMLET_WINE_LOG"
  if [ -z "${DISPLAY:-}" ] || [ -n "${BRIMLET_OWN_DISPLAY:-}" ]; then
    local fifo="$dir/display" n
    rm -f "$fifo"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >>"$BRIMLET_WINE_LOG" 2>&1 &
    BRIMLET_XVFB_PID=$!
    for _ in $(seq 100); do [ -s "$fifo" ] && break; sleep 0.1; done
    n=$(head -n1 "$fifo" 2>/dev/null)
    [ -n "$n" ] || { echo "testenv: Xvfb did not start (see $BRIMLET_WINE_LOG)" >&2; return 1; }
    export DISPLAY=":$n"
  fi
  # A server started without a display would make every later window fail: start ours now.
  wineserver -k >>"$BRIMLET_WINE_LOG" 2>&1 || true
  if [ -n "${BRIMLET_KEEP_PREFIX:-}" ]; then
    [ -f "$WINEPREFIX/.brimlet-ready" ] || testenv_make_prefix
  else
    # The template is kept beside the dependency builds, so fresh checkouts (CI) reuse it too;
    # the lock keeps two test runs from making it at once.
    local cache=${BRIMLET_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/brimlet}
    local template
    # Bump the revision whenever testenv_make_prefix changes, so old templates are not reused.
    template="$cache/wine-template-r5-$WINEARCH-$("$BRIMLET_WINE" --version | tr -c 'A-Za-z0-9.~\n' _ | head -n1)"
    mkdir -p "$cache"
    (
      flock 9
      if [ ! -f "$template/.brimlet-ready" ]; then
        WINEPREFIX=$template testenv_make_prefix
      fi
    ) 9>"$template.lock"
    rm -rf "$WINEPREFIX"
    cp -a "$template" "$WINEPREFIX"
  fi
  wineserver -p >>"$BRIMLET_WINE_LOG" 2>&1
  # The first Wine process starts the prefix's services (services.exe, winedevice, rpcss...), which
  # stay with the persistent server and keep the standard handles they inherited: start them here,
  # so they hold the log and not the pipes of a test runner that would then wait for them forever.
  "$BRIMLET_WINE" cmd.exe /c exit >>"$BRIMLET_WINE_LOG" 2>&1
  mkdir -p "$dir/peers"
}

testenv_stop() {
  local f
  # Serial peers (socat) that a crashed test left behind, by the PIDs they recorded.
  for f in "${BRIMLET_TESTENV:-/nonexistent}"/prefix/drive_c/brimlet-serial/*/pid; do
    [ -f "$f" ] && kill "$(cat "$f")" 2>/dev/null
  done
  wineserver -k >>"${BRIMLET_WINE_LOG:-/dev/null}" 2>&1 || true
  if [ -n "${BRIMLET_XVFB_PID:-}" ]; then
    kill "$BRIMLET_XVFB_PID" 2>/dev/null || true
    wait "$BRIMLET_XVFB_PID" 2>/dev/null || true
  fi
}
