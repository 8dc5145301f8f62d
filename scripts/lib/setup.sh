# Set-up shared by scripts/test, scripts/run, scripts/screenshots and
# scripts/wine-run: packages, the two build trees and the Wine prefix.
# Sourced, never run.

MOLVANE_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
# MOLVANE_BUILD moves both trees elsewhere, so two checkouts' work can build side by side.
MOLVANE_BUILD=${MOLVANE_BUILD:-$MOLVANE_ROOT/build}
MOLVANE_NATIVE_BUILD=$MOLVANE_BUILD/native
MOLVANE_SANITIZE_BUILD=$MOLVANE_BUILD/sanitize
MOLVANE_WINDOWS_BUILD=$MOLVANE_BUILD/windows
MOLVANE_REFERENCE_BUILD=$MOLVANE_BUILD/windows-reference
MOLVANE_JOBS=${MOLVANE_JOBS:-$(nproc 2>/dev/null || echo 2)}

MOLVANE_NATIVE_PACKAGES=(cmake make g++ googletest libgtest-dev libbenchmark-dev zlib1g-dev libpng-dev)
# The windows tree is configured with its tests, whose GoogleTest is built
# from Debian's sources: every command that builds it needs them.
MOLVANE_WINDOWS_PACKAGES=(cmake make googletest g++-mingw-w64-i686 wine wine32:i386 fonts-wine xvfb xauth)
MOLVANE_SCREENSHOT_PACKAGES=(imagemagick)
MOLVANE_PACKAGE_PACKAGES=(zip unzip)
# The desktop tests: real X input, a window manager, the screen read back.
MOLVANE_DESKTOP_PACKAGES=(python3 xdotool openbox imagemagick x11-utils xclip)

molvane_say() { printf '%s\n' "$*" >&2; }
molvane_die() { molvane_say "error: $*"; exit 1; }

# Seconds since the epoch with milliseconds, for the timings we print.
molvane_now() { date +%s.%N; }
molvane_elapsed() { awk -v a="$1" -v b="$(molvane_now)" 'BEGIN { printf "%.1f", b - a }'; }

molvane_as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

molvane_installed() {
  dpkg -s "$1" 2>/dev/null | grep -q '^Status: install ok installed$'
}

# Installs whichever of the named Debian packages are missing; nothing when
# all are there, so a prepared machine never touches apt.
molvane_require_packages() {
  local missing=() package
  for package in "$@"; do
    molvane_installed "$package" || missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return 0

  molvane_say "Installing ${missing[*]} ..."
  local started
  started=$(molvane_now)
  if printf '%s\n' "${missing[@]}" | grep -q ':i386$' &&
     ! dpkg --print-foreign-architectures | grep -qx i386; then
    molvane_as_root dpkg --add-architecture i386
  fi
  local log=/tmp/molvane-apt.$$.log
  if ! { molvane_as_root apt-get update -q &&
         molvane_as_root env DEBIAN_FRONTEND=noninteractive \
           apt-get install -y -q --no-install-recommends "${missing[@]}"; } >"$log" 2>&1; then
    tail -n 40 "$log" >&2
    rm -f "$log"
    molvane_die "could not install ${missing[*]}"
  fi
  rm -f "$log"
  molvane_say "Installed in $(molvane_elapsed "$started") s."
}

# Configures (first time) and builds one tree, or only the named targets of
# it; the compiler's output is shown only when the build fails.
molvane_build() {
  local tree=$1 dir extra=() targets=()
  shift
  [ $# -gt 0 ] && targets=(--target "$@")
  case $tree in
    native) dir=$MOLVANE_NATIVE_BUILD ;;
    # The native tests again under AddressSanitizer and UBSan.
    sanitize)
      dir=$MOLVANE_SANITIZE_BUILD
      extra=(-DMOLVANE_SANITIZE=ON) ;;
    windows)
      dir=$MOLVANE_WINDOWS_BUILD
      extra=(-DCMAKE_TOOLCHAIN_FILE="$MOLVANE_ROOT/cmake/toolchain-i686-mingw.cmake") ;;
    # The DLL on its reference paths, for the golden table and the fill's bytes.
    windows-reference)
      dir=$MOLVANE_REFERENCE_BUILD
      extra=(-DCMAKE_TOOLCHAIN_FILE="$MOLVANE_ROOT/cmake/toolchain-i686-mingw.cmake"
             -DMOLVANE_REFERENCE_PATHS=ON -DMOLVANE_FAST_DLL="$MOLVANE_WINDOWS_BUILD/bin/Molvane.dll") ;;
    *) molvane_die "unknown build $tree" ;;
  esac
  mkdir -p "$dir"
  local log=$dir/build.log started
  started=$(molvane_now)
  # A first build takes minutes: say so, rather than staying silent.
  [ -f "$dir/CMakeCache.txt" ] || molvane_say "Building the $tree tree for the first time (several minutes; log: ${log#"$MOLVANE_ROOT"/}) ..."
  if ! { [ -f "$dir/CMakeCache.txt" ] ||
         cmake -S "$MOLVANE_ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=Release "${extra[@]}"; } >"$log" 2>&1 ||
     ! cmake --build "$dir" -j "$MOLVANE_JOBS" "${targets[@]}" >>"$log" 2>&1; then
    tail -n 150 "$log" >&2
    molvane_say "The $tree build failed (whole log: $log)."
    return 1
  fi
  molvane_say "Built $tree in $(molvane_elapsed "$started") s."
}

# A Linux path as Wine's programs see it: the file system is drive Z:.
molvane_windows_path() {
  local path
  path=$(readlink -m "$1")
  printf 'Z:%s' "${path//\//\\}"
}

# The environment every Windows program of the project runs in: quiet Wine, no
# .NET or browser engine to offer, no debugger, and a prefix of its own inside
# the build tree.
# MOLVANE_BARE_PREFIX=1 picks a second prefix without the fonts linked in, as
# most users' prefixes are; MOLVANE_WINEPREFIX names any other (the viewer's,
# the desktop tests' managed one).
molvane_wine_env() {
  if [ -n "${MOLVANE_WINEPREFIX:-}" ]; then
    export WINEPREFIX=$MOLVANE_WINEPREFIX
  elif [ "${MOLVANE_BARE_PREFIX:-0}" = 1 ]; then
    export WINEPREFIX=$MOLVANE_WINDOWS_BUILD/wineprefix-bare
  else
    export WINEPREFIX=$MOLVANE_WINDOWS_BUILD/wineprefix
  fi
  export WINEARCH=win32
  export WINEDEBUG=-all
  # A program that crashes ends there, instead of waiting in Wine's debugger.
  export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
}

# Creates the prefix once. Without a window manager (Xvfb) Wine waits two
# seconds whenever a managed window is hidden; Managed=N avoids it, unless
# MOLVANE_WINE_MANAGED=1 asks for windows a desktop manages (taskbar, Alt+Tab,
# stacking among other applications). A lock keeps parallel test runs from
# building the prefix twice.
molvane_wine_prefix() {
  molvane_wine_env
  local ready=$WINEPREFIX/.molvane-ready
  [ -f "$ready" ] && { molvane_wine_fonts; return 0; }
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    [ -f "$ready" ] && exit 0
    local started
    started=$(molvane_now)
    rm -rf "$WINEPREFIX"
    local steps="wineboot -i && wine reg add 'HKCU\\Software\\Wine\\X11 Driver' /v Managed /d N /f; rc=\$?; wineserver -w; exit \$rc"
    if [ "${MOLVANE_WINE_MANAGED:-0}" = 1 ]; then steps="wineboot -i; rc=\$?; wineserver -w; exit \$rc"; fi
    if [ -n "${DISPLAY:-}" ]; then
      sh -c "$steps"
    else
      xvfb-run -a sh -c "$steps"
    fi >"$WINEPREFIX.log" 2>&1 || { cat "$WINEPREFIX.log" >&2; exit 1; }
    touch "$ready"
    molvane_say "Created the Wine prefix in $(molvane_elapsed "$started") s."
  ) 9>"$WINEPREFIX.lock" || molvane_die "could not create the Wine prefix $WINEPREFIX"
  molvane_wine_fonts
}

# Debian's Wine does not find the fonts of its fonts-wine package: without
# them every dialog is drawn in a much wider fallback font. They are linked
# into the prefix's font folder.
molvane_wine_fonts() {
  [ "${MOLVANE_BARE_PREFIX:-0}" = 1 ] && return 0
  local fonts=$WINEPREFIX/drive_c/windows/Fonts
  [ -d /usr/share/wine/fonts ] && [ -d "$fonts" ] || return 0
  local f
  for f in /usr/share/wine/fonts/*; do
    [ -e "$fonts/${f##*/}" ] || ln -s "$f" "$fonts/"
  done
}

# Runs a command line under a fresh X display. The Wine server is started
# first and kept for two seconds after its last client: a server (or Wine
# service) started by a test would inherit the test's output pipe, and ctest
# would wait for it to go away. At the end we wait for the server to end
# before the display does, so the next run meets no stale server.
molvane_under_display() {
  molvane_wine_env
  xvfb-run -a sh -c 'wineserver -p2 && wine cmd /c exit >/dev/null 2>&1 </dev/null; '"$1"' ; rc=$? ; wineserver -w ; exit $rc'
}

# A Windows program's text as a Linux terminal shows it: Windows-1252 to
# UTF-8, CRLF to LF, Z:\ paths as Linux paths. Line by line, as the lines
# come: iconv alone would hold everything back until the program ends.
molvane_linux_text() {
  local LC_ALL=C line
  while IFS= read -r line || [ -n "$line" ]; do
    printf '%s\n' "${line%$'\r'}" | iconv -c -f CP1252 -t UTF-8 || true
  done | sed -u -E ':a; s|(Z:[^ ]*)\\|\1/|; ta; s|Z:/|/|g'
}

# Runs a command whose output, both streams, is a Windows program's, each
# stream through molvane_linux_text; returns the command's own status.
molvane_linux_output() {
  local errors status pid
  exec {errors}> >(molvane_linux_text >&2)
  pid=$!
  "$@" 2>&"$errors" | molvane_linux_text
  status=${PIPESTATUS[0]}
  exec {errors}>&-
  wait "$pid"
  return "$status"
}
