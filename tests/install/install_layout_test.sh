#!/bin/bash
# The installed tree and the Debian package:
#   install_layout_test.sh BUILD_DIR SOURCE_DIR VERSION
# 1. `cmake --install` into a fresh prefix lays out exactly the programs, the
#    daemon's link, its settings description, the manual pages, the desktop
#    entries and the package documents, nothing more; the link resolves to
#    the installed program, the data files are the ones in resources/, byte
#    for byte, and the manual pages and changelog are compressed with no
#    name or time in their headers.
# 2. Every desktop entry passes desktop-file-validate; the viewer's is
#    offered for pictures and .pan files; the .pan type compiles with
#    update-mime-database; the thumbnailer makes a PNG of the asked size; the
#    screen savers' entry runs as MATE's and Xfce's daemons run it: its Exec, split by the
#    entry's quoting rules, with XSCREENSAVER_WINDOW naming a window on a
#    private Xvfb; the saver draws the panorama into that window and ends on
#    SIGTERM with status 0.
# 3. A DESTDIR install under /usr gives the same tree there.
# 4. CPack makes a .deb named skyweave, maintained by Corvane with an
#    address, its dependencies computed from the binaries, holding the same
#    files under /usr, on which lintian reports no error and no warning.
set -euo pipefail
build=$(realpath "$1")
source_dir=$(realpath "$2")
version=$3
source "$source_dir/tests/app/hack/x_session.sh"

expected="bin/skyweave
bin/skyweave-pan
bin/skyweave-render
bin/skyweave-view
libexec/xscreensaver/skyweave
share/applications/screensavers/skyweave.desktop
share/applications/skyweave-options.desktop
share/applications/skyweave-view.desktop
share/doc/skyweave/changelog.gz
share/doc/skyweave/copyright
share/icons/hicolor/scalable/apps/skyweave.svg
share/man/man1/skyweave-pan.1.gz
share/man/man1/skyweave-render.1.gz
share/man/man1/skyweave-view.1.gz
share/man/man6/skyweave.6x.gz
share/mime/packages/skyweave.xml
share/thumbnailers/skyweave.thumbnailer
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
  for program in skyweave skyweave-pan skyweave-render skyweave-view; do
    [ -f "$root/bin/$program" ] && [ ! -L "$root/bin/$program" ] && [ -x "$root/bin/$program" ] ||
      fail "bin/$program is not an executable file"
  done
  local link=$root/libexec/xscreensaver/skyweave
  [ -L "$link" ] || fail "libexec/xscreensaver/skyweave is not a symbolic link"
  [ "$(readlink "$link")" = ../../bin/skyweave ] || fail "the link points to $(readlink "$link")"
  [ "$(realpath "$link")" = "$(realpath "$root/bin/skyweave")" ] || fail "the link does not resolve to bin/skyweave"

  local installed source
  while read -r installed source; do
    cmp -s "$root/$installed" "$source_dir/$source" || fail "installed $installed differs from $source"
  done <<EOT
share/xscreensaver/config/skyweave.xml resources/xscreensaver/skyweave.xml
share/applications/skyweave-options.desktop resources/desktop/skyweave-options.desktop
share/applications/screensavers/skyweave.desktop resources/desktop/skyweave-screensaver.desktop
share/doc/skyweave/copyright resources/debian/copyright
share/applications/skyweave-view.desktop resources/desktop/skyweave-view.desktop
share/icons/hicolor/scalable/apps/skyweave.svg resources/icons/skyweave.svg
share/mime/packages/skyweave.xml resources/mime/skyweave.xml
share/thumbnailers/skyweave.thumbnailer resources/thumbnailers/skyweave.thumbnailer
EOT
  while read -r installed source; do
    # gzip's header: magic, deflate, no flags (so no file name), time 0.
    [ "$(od -An -tx1 -N8 "$root/$installed" | tr -d ' ')" = 1f8b080000000000 ] ||
      fail "$installed: gzip header $(od -An -tx1 -N8 "$root/$installed")"
    cmp -s <(gzip -dc "$root/$installed") "$source_dir/$source" ||
      fail "installed $installed is not $source"
  done <<EOT
share/man/man6/skyweave.6x.gz resources/man/skyweave.6x
share/man/man1/skyweave-render.1.gz resources/man/skyweave-render.1
share/man/man1/skyweave-pan.1.gz resources/man/skyweave-pan.1
share/man/man1/skyweave-view.1.gz resources/man/skyweave-view.1
EOT
  gzip -dc "$root/share/doc/skyweave/changelog.gz" | head -n1 | grep -qx "skyweave ($version) unstable; urgency=medium" ||
    fail "changelog does not begin with version $version"
  local data
  for data in $(echo "$expected" | grep '^share/'); do
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

# Every desktop entry is valid; the options entry opens the dialog.
entries=$work/prefix/share/applications
for entry in "$entries/skyweave-options.desktop" "$entries/screensavers/skyweave.desktop" \
  "$entries/skyweave-view.desktop"; do
  out=$(desktop-file-validate "$entry" 2>&1) || fail "desktop-file-validate: $out"
  ! grep -E ': (error|warning):' <<<"$out" || fail "desktop-file-validate: $out"
done
grep -qx "Exec=skyweave /c" "$entries/skyweave-options.desktop" ||
  fail "the options entry does not run skyweave /c"
screensaver=$entries/screensavers/skyweave.desktop
grep -qx "Categories=Screensaver;" "$screensaver" || fail "the screen savers' entry is not in Screensaver"
grep -qE "^OnlyShowIn=(.*;)?MATE;" "$screensaver" && grep -qE "^OnlyShowIn=(.*;)?XFCE;" "$screensaver" ||
  fail "the screen savers' entry is not shown in MATE and Xfce"

# The viewer is offered for pictures and .pan files but claims none of them
# as their default, and every entry shows the icon installed beside it.
grep -qx "Exec=skyweave-view %f" "$entries/skyweave-view.desktop" || fail "the viewer's Exec"
mime_types=$(sed -n 's/^MimeType=//p' "$entries/skyweave-view.desktop")
for type in application/x-velmora-pan image/jpeg image/png image/webp image/heic image/avif image/bmp; do
  grep -qE "(^|;)$type;" <<<"$mime_types" || fail "the viewer does not open $type: $mime_types"
done
[ ! -e "$work/prefix/share/applications/mimeapps.list" ] || fail "a default handler list was installed"
for entry in "$entries/skyweave-options.desktop" "$entries/screensavers/skyweave.desktop" \
  "$entries/skyweave-view.desktop"; do
  grep -qx "Icon=skyweave" "$entry" || fail "$entry does not show the skyweave icon"
done
xmllint --noout "$work/prefix/share/icons/hicolor/scalable/apps/skyweave.svg" || fail "the icon is not XML"

# The .pan type, compiled by update-mime-database from a copy: the glob, the
# magic at offset 0 and the comment reach its databases, and a .pan file
# with another name is still told by its first bytes.
cp -r "$work/prefix/share/mime" "$work/mime"
out=$(update-mime-database -V "$work/mime" 2>&1) || fail "update-mime-database: $out"
! grep -qiE 'warning|error|invalid' <<<"$out" || fail "update-mime-database: $out"
grep -qx '50:application/x-velmora-pan:\*.pan' "$work/mime/globs2" || fail "globs2: $(cat "$work/mime/globs2")"
grep -qx 'application/x-velmora-pan:skyweave' "$work/mime/icons" || fail "icons: $(cat "$work/mime/icons")"
grep -q '<comment>Velmora panorama</comment>' "$work/mime/application/x-velmora-pan.xml" ||
  fail "no comment for the .pan type"
grep -qa 'CVVL' "$work/mime/magic" || fail "the magic file has no CVVL"

# The thumbnailer, run as a file manager runs it: a PNG no wider than asked,
# of a .pan file made by the installed packer.
thumbnailer=$work/prefix/share/thumbnailers/skyweave.thumbnailer
grep -qx 'MimeType=application/x-velmora-pan;' "$thumbnailer" || fail "thumbnailer MimeType"
"$work/prefix/bin/skyweave-pan" pack -o "$work/court.pan" --image "$source_dir/samples/courtyard.jpg" \
  >/dev/null || fail "skyweave-pan could not pack the sample"
thumb_line=$(sed -n 's/^Exec=//p' "$thumbnailer")
thumb_line=${thumb_line//%s/128}
thumb_line=${thumb_line//%i/\"$work/court.pan\"}
thumb_line=${thumb_line//%o/\"$work/court-thumb.png\"}
eval "thumb_command=($thumb_line)"
PATH="$work/prefix/bin:$PATH" "${thumb_command[@]}" || fail "the thumbnailer failed: $thumb_line"
[ "$(identify -format '%m %wx%h' "$work/court-thumb.png")" = "PNG 128x72" ] ||
  fail "thumbnail: $(identify "$work/court-thumb.png")"

# The screen savers' entry run as their daemons run it: the Exec line with
# its field codes dropped, split by its quoting rules (those of the shell for
# what the entry may hold), in an environment whose PATH holds the prefix
# and whose XSCREENSAVER_WINDOW names the daemon's window.
exec_line=$(sed -n 's/^Exec=//p' "$screensaver")
[ "$(echo "$exec_line" | wc -l)" = 1 ] && [ -n "$exec_line" ] || fail "no single Exec line"
exec_line=$(sed -E 's/%[a-zA-Z]//g' <<<"$exec_line")
eval "command=($exec_line)"
x_session_start 400 300
xmessage -geometry 400x300+0+0 -title skyweave-daemon-window " " 2>/dev/null &
x_session_pids+=($!)
wait_until 20 xdotool search --onlyvisible --name '^skyweave-daemon-window$' >/dev/null ||
  fail "the stand-in daemon window did not appear"
daemon_window=$(xdotool search --onlyvisible --name '^skyweave-daemon-window$' | head -n1)
mkdir -p "$work/config/Corvane" "$work/run" "$work/tmp"
chmod 700 "$work/run"
printf '[Settings]\nFilePath=%s\nSize=100\nMoving=0\nHeadingRandom=0\nPitchRandom=0\nRollRandom=0\n' \
  "$source_dir/samples/courtyard.jpg" >"$work/config/Corvane/skyweave.conf"
PATH="$work/prefix/bin:$PATH" XSCREENSAVER_WINDOW=$(printf '0x%x' "$daemon_window") \
  XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run" TMPDIR="$work/tmp" \
  "${command[@]}" 2>"$work/exec.err" &
saver=$!
children() { xwininfo -children -id "$daemon_window" | grep -c '^ *0x' || true; }
own_children=$(children)
has_child() { [ "$(children)" -gt "$own_children" ] || ! kill -0 "$saver" 2>/dev/null; }
wait_until 20 has_child || fail "\"$exec_line\" drew no window into the daemon's window"
kill -0 "$saver" 2>/dev/null || fail "\"$exec_line\" ended by itself: $(cat "$work/exec.err")"
# The panorama fills the window: far more colours than a message or black.
colours() { import -silent -window "$daemon_window" "$work/shot.png" 2>/dev/null &&
  [ "$(convert "$work/shot.png" -format %k info:)" -gt 1000 ]; }
wait_until 20 colours || fail "no panorama in the daemon's window: $(cat "$work/exec.err")"
kill -TERM "$saver"
timeout 10 tail --pid="$saver" -f /dev/null || fail "the saver outlived SIGTERM by 10 s"
wait "$saver" && rc=0 || rc=$?
[ "$rc" = 0 ] || fail "status $rc after SIGTERM: $(cat "$work/exec.err")"
wait_until 5 test "$(children)" -le "$own_children" || fail "the saver's window outlived it"

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
[ "$(dpkg-deb -f "$deb" Maintainer)" = "Corvane <skyweave@corvane.example>" ] ||
  fail "maintainer $(dpkg-deb -f "$deb" Maintainer)"
[ "$(dpkg-deb -f "$deb" Section)" = x11 ] || fail "section $(dpkg-deb -f "$deb" Section)"
depends=$(dpkg-deb -f "$deb" Depends)
# Computed from the binaries, so with versions; the font is named by hand.
for lib in libc6 "libstdc\\+\\+6" libsdl2-2.0-0 libsdl2-ttf-2.0-0 libgtk-3-0 libjpeg62-turbo libpng16-16; do
  grep -qE "(^|, )$lib \(>= [^)]+\)(,|$)" <<<"$depends" || fail "no computed dependency on $lib: $depends"
done
grep -qE "(^|, )fonts-dejavu-core(,|$)" <<<"$depends" || fail "no dependency on fonts-dejavu-core: $depends"
description=$(dpkg-deb -f "$deb" Description)
grep -q "^panorama screen saver" <<<"$description" || fail "package summary: $description"
! grep -q ";" <<<"$description" || fail "list separators in the description: $description"
mkdir "$work/unpacked"
dpkg-deb -x "$deb" "$work/unpacked"
check_tree "$work/unpacked/usr"
# Debian's own checker: no error, no warning (information and pedantic
# remarks are shown, not counted).
lintian --fail-on error,warning "$deb" >"$work/lintian.log" 2>&1 ||
  fail "lintian: $(grep -v 'running with root privileges' "$work/lintian.log")"
echo "PASS"
