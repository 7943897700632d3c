#!/bin/bash
# The installed tree and the Debian package:
#   install_layout_test.sh BUILD_DIR SOURCE_DIR
# 1. `cmake --install` into a fresh prefix lays out exactly the programs, the
#    daemon's link, its settings description, the manual page and the desktop
#    entry, nothing more; the link resolves to the installed program, and the
#    data files are the ones in resources/, byte for byte.
# 2. A DESTDIR install under /usr gives the same tree there.
# 3. CPack makes a .deb named skyweave, maintained by Corvane, depending on
#    the runtime libraries, holding the same files under /usr.
set -euo pipefail
build=$(realpath "$1")
source_dir=$(realpath "$2")
work=$(mktemp -d "${TMPDIR:-/tmp}/skyweave-install-test.XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

expected="bin/skyweave
bin/skyweave-pan
bin/skyweave-render
libexec/xscreensaver/skyweave
share/applications/skyweave-options.desktop
share/man/man6/skyweave.6
share/xscreensaver/config/skyweave.xml"

# check_tree ROOT: ROOT holds exactly the expected files and nothing else.
check_tree() {
  local root=$1
  local found
  found=$(cd "$root" && find . -mindepth 1 ! -type d | sed 's|^\./||' | LC_ALL=C sort)
  [ "$found" = "$expected" ] || fail "installed files differ from the expected layout:
$(diff <(echo "$expected") <(echo "$found") || true)"
  local empty
  empty=$(cd "$root" && find . -mindepth 1 -type d -empty)
  [ -z "$empty" ] || fail "empty folders installed: $empty"

  local program
  for program in skyweave skyweave-pan skyweave-render; do
    [ -f "$root/bin/$program" ] && [ ! -L "$root/bin/$program" ] && [ -x "$root/bin/$program" ] ||
      fail "bin/$program is not an executable file"
  done
  local link=$root/libexec/xscreensaver/skyweave
  [ -L "$link" ] || fail "libexec/xscreensaver/skyweave is not a symbolic link"
  [ "$(readlink "$link")" = ../../bin/skyweave ] || fail "the link points to $(readlink "$link")"
  [ "$(realpath "$link")" = "$(realpath "$root/bin/skyweave")" ] || fail "the link does not resolve to bin/skyweave"

  cmp -s "$root/share/xscreensaver/config/skyweave.xml" "$source_dir/resources/xscreensaver/skyweave.xml" ||
    fail "installed skyweave.xml differs"
  cmp -s "$root/share/man/man6/skyweave.6" "$source_dir/resources/man/skyweave.6" ||
    fail "installed skyweave.6 differs"
  cmp -s "$root/share/applications/skyweave-options.desktop" \
    "$source_dir/resources/desktop/skyweave-options.desktop" || fail "installed desktop entry differs"
  local data
  for data in share/xscreensaver/config/skyweave.xml share/man/man6/skyweave.6 \
    share/applications/skyweave-options.desktop; do
    [ "$(stat -c %a "$root/$data")" = 644 ] || fail "$data has mode $(stat -c %a "$root/$data")"
  done
}

cmake --install "$build" --prefix "$work/prefix" >"$work/install.log" 2>&1 ||
  fail "cmake --install failed: $(cat "$work/install.log")"
check_tree "$work/prefix"

# The installed program runs from its new home, also through the daemon's link.
"$work/prefix/libexec/xscreensaver/skyweave" --help | grep -q -- "--window-id ID" ||
  fail "the program does not run through its link"
"$work/prefix/bin/skyweave-pan" --help >/dev/null 2>&1 || fail "skyweave-pan --help failed"
"$work/prefix/bin/skyweave-render" --help >/dev/null 2>&1 || fail "skyweave-render --help failed"

# The desktop entry opens the options dialog.
desktop=$work/prefix/share/applications/skyweave-options.desktop
[ "$(head -n1 "$desktop")" = "[Desktop Entry]" ] || fail "desktop entry without its group"
grep -qx "Type=Application" "$desktop" || fail "desktop entry is not an application"
grep -qx "Exec=skyweave /c" "$desktop" || fail "desktop entry does not run skyweave /c"
grep -q "^Name=." "$desktop" || fail "desktop entry has no name"
! grep -vqE '^(\[Desktop Entry\]|[A-Za-z0-9-]+(\[[^]]+\])?=.*|#.*|)$' "$desktop" ||
  fail "desktop entry has malformed lines"

DESTDIR="$work/dest" cmake --install "$build" --prefix /usr >"$work/install.log" 2>&1 ||
  fail "DESTDIR install failed: $(cat "$work/install.log")"
[ "$(ls "$work/dest")" = usr ] || fail "DESTDIR install wrote outside /usr: $(ls "$work/dest")"
check_tree "$work/dest/usr"

# The package, from the same rules.
(cd "$work" && cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/package" >"$work/cpack.log" 2>&1) ||
  fail "cpack failed: $(cat "$work/cpack.log")"
deb=$(find "$work/package" -maxdepth 1 -name '*.deb')
[ "$(echo "$deb" | wc -l)" = 1 ] && [ -n "$deb" ] || fail "cpack made no single .deb: $deb"
[ "$(dpkg-deb -f "$deb" Package)" = skyweave ] || fail "package name $(dpkg-deb -f "$deb" Package)"
[ "$(dpkg-deb -f "$deb" Maintainer)" = Corvane ] || fail "maintainer $(dpkg-deb -f "$deb" Maintainer)"
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libsdl2-2.0-0 libsdl2-ttf-2.0-0 libgtk-3-0 libjpeg62-turbo libpng16-16 fonts-dejavu-core; do
  grep -qE "(^|, )$lib(,|$| )" <<<"$depends" || fail "the package does not depend on $lib: $depends"
done
description=$(dpkg-deb -f "$deb" Description)
grep -q "^panorama screen saver" <<<"$description" || fail "package summary: $description"
! grep -q ";" <<<"$description" || fail "list separators in the description: $description"
mkdir "$work/unpacked"
dpkg-deb -x "$deb" "$work/unpacked"
check_tree "$work/unpacked/usr"
echo "PASS"
