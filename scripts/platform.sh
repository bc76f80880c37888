# Sourced by the scripts: which Windows target this machine builds for testing, and which Wine runs it.
#
# Brimlet is a 32-bit Windows program, and 32-bit Wine runs it as a 32-bit Linux process. Some
# machines cannot execute 32-bit code at all (their kernel or hypervisor leaves the i386 mode out:
# every i386 binary fails with "Exec format error"); there the tests build and run the same sources
# as a 64-bit Windows program under 64-bit Wine, so they still exercise the real Win32 platform.
# BRIMLET_TARGET=i686 or x86_64 chooses by hand.

brimlet_can_run_i386() {
  [ -x /lib/ld-linux.so.2 ] && /lib/ld-linux.so.2 --version >/dev/null 2>&1
}

# Prints i686 or x86_64.
brimlet_target() {
  if [ -n "${BRIMLET_TARGET:-}" ]; then
    echo "$BRIMLET_TARGET"
  elif brimlet_can_run_i386; then
    echo i686
  else
    echo x86_64
  fi
}

# The CMake preset for the target: debug and release build i686, debug-x64 and release-x64 x86_64.
brimlet_preset_for_target() {  # preset target
  local preset=${1%-x64}
  if [ "$2" = x86_64 ]; then echo "$preset-x64"; else echo "$preset"; fi
}

# Exports what the Wine of the target needs: BRIMLET_WINE (the loader to call), WINEARCH, WINELOADER.
brimlet_use_wine() {  # target
  if [ "$1" = x86_64 ]; then
    export BRIMLET_WINE=/usr/lib/wine/wine64 WINEARCH=win64 WINELOADER=/usr/lib/wine/wine64
  else
    export BRIMLET_WINE=/usr/lib/wine/wine WINEARCH=win32
    unset WINELOADER
  fi
}
