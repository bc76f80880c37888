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

# Copies the template prefix to <dest>. The system folders (some 600 MB of Wine's own libraries, which nothing
# writes to) are hard links into the template; everything else is a copy of its own.
testenv_copy_prefix() {  # template dest
  local src=$1 dest=$2 d
  rm -rf "$dest"
  mkdir -p "$dest"
  tar -C "$src" --exclude=./drive_c/windows/system32 --exclude=./drive_c/windows/syswow64 -cf - . | tar -C "$dest" -xf -
  for d in system32 syswow64; do
    if [ -d "$src/drive_c/windows/$d" ]; then cp -al "$src/drive_c/windows/$d" "$dest/drive_c/windows/$d"; fi
  done
}

# Prints the template prefix of this Wine, made first when there is none. It is kept beside the dependency builds,
# so fresh checkouts (CI) reuse it too; the lock keeps two test runs from making it at once.
testenv_template() {
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
  echo "$template"
}

# Starts an X display of its own for the desk in <dir> (its number goes to <dir>/display) and exports DISPLAY.
testenv_start_display() {  # dir
  local fifo="$1/display" n
  rm -f "$fifo"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >>"$BRIMLET_WINE_LOG" 2>&1 &
  echo $! >"$1/xvfb.pid"
  for _ in $(seq 100); do [ -s "$fifo" ] && break; sleep 0.1; done
  n=$(head -n1 "$fifo" 2>/dev/null)
  [ -n "$n" ] || { echo "testenv: Xvfb did not start (see $BRIMLET_WINE_LOG)" >&2; return 1; }
  export DISPLAY=":$n"
}

# The persistent wine server of WINEPREFIX, and the prefix's services.
testenv_start_server() {
  wineserver -p >>"$BRIMLET_WINE_LOG" 2>&1
  # The first Wine process starts the prefix's services (services.exe, winedevice, rpcss...), which
  # stay with the persistent server and keep the standard handles they inherited: start them here,
  # so they hold the log and not the pipes of a test runner that would then wait for them forever.
  "$BRIMLET_WINE" cmd.exe /c exit >>"$BRIMLET_WINE_LOG" 2>&1
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
  rm -f "$dir/xvfb.pid"
  if [ -z "${DISPLAY:-}" ] || [ -n "${BRIMLET_OWN_DISPLAY:-}" ]; then
    testenv_start_display "$dir"
  fi
  # A server started without a display would make every later window fail: start ours now.
  wineserver -k >>"$BRIMLET_WINE_LOG" 2>&1 || true
  if [ -n "${BRIMLET_KEEP_PREFIX:-}" ]; then
    [ -f "$WINEPREFIX/.brimlet-ready" ] || testenv_make_prefix
  else
    local template
    template=$(testenv_template)
    testenv_copy_prefix "$template" "$WINEPREFIX"
  fi
  testenv_start_server
  mkdir -p "$dir/peers"
}

# Desks 1 .. count-1 beside the one testenv_start made (desk 0): each a display, a prefix and a wine server of
# its own in $BRIMLET_TESTENV/desk<k>, so tests that take the mouse, the keyboard or the focus run side by side,
# one on each desk. scripts/wine-run moves a test to the desk CTest gave it.
testenv_add_desks() {  # count
  local count=$1 k template pids=() failed=0
  template=$(testenv_template)
  for ((k = 1; k < count; k++)); do
    (
      set -e
      d="$BRIMLET_TESTENV/desk$k"
      rm -rf "$d"
      mkdir -p "$d/peers"
      export WINEPREFIX="$d/prefix" BRIMLET_WINE_LOG="$d/wine.log"
      : >"$BRIMLET_WINE_LOG"
      testenv_start_display "$d"
      testenv_copy_prefix "$template" "$WINEPREFIX"
      testenv_start_server
    ) &
    pids+=($!)
  done
  for k in "${pids[@]}"; do wait "$k" || failed=1; done
  [ $failed -eq 0 ] || { echo "testenv: a desk did not start (see $BRIMLET_TESTENV/desk*/wine.log)" >&2; return 1; }
}

testenv_stop() {
  local f d
  [ -n "${BRIMLET_TESTENV:-}" ] || return 0
  for d in "$BRIMLET_TESTENV" "$BRIMLET_TESTENV"/desk*; do
    [ -d "$d/prefix" ] || continue
    # Serial peers (socat) that a crashed test left behind, by the PIDs they recorded.
    for f in "$d"/prefix/drive_c/brimlet-serial/*/pid; do
      [ -f "$f" ] && kill "$(cat "$f")" 2>/dev/null
    done
    WINEPREFIX="$d/prefix" wineserver -k >>"${BRIMLET_WINE_LOG:-/dev/null}" 2>&1 || true
    if [ -f "$d/xvfb.pid" ]; then
      kill "$(cat "$d/xvfb.pid")" 2>/dev/null || true
      rm -f "$d/xvfb.pid"
    fi
  done
  wait 2>/dev/null || true
}
