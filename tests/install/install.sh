#!/usr/bin/env bash
# Checks what `cmake --install` and `cpack -G DEB` put in place, from the
# finished build folder, into temporary folders only.
#
# install.sh MODE CMAKE CPACK BUILD PREFIX BINDIR DATADIR MANDIR DOCDIR VERSION SMOKE
#   MODE   tree | desktop | metainfo | manpage | deb
#   SMOKE  the smoke test script, run on the executable unpacked from the .deb
# Exits 77 (skipped) with the reason when a tool it needs is missing.
set -euo pipefail
mode=$1 cmake=$2 cpack=$3 build=$4 prefix=$5 bindir=$6 datadir=$7 mandir=$8 docdir=$9
version=${10} smoke=${11}

id=org.pictovane.Pictovane
icon_sizes=(16 22 24 32 48 64 128 256 512)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

skip() { echo "SKIP: $*"; exit 77; }
fail() { echo "FAIL: $*"; exit 1; }
need() { for t in "$@"; do command -v "$t" >/dev/null || skip "$t is missing (scripts/setup installs it)"; done; }

# Every file an installation holds, below PREFIX ($1), one a line, sorted.
expected_files() {
  local root=$1
  {
    echo "$root/$bindir/pictovane"
    echo "$root/$datadir/applications/$id.desktop"
    echo "$root/$datadir/metainfo/$id.metainfo.xml"
    for s in "${icon_sizes[@]}"; do echo "$root/$datadir/icons/hicolor/${s}x${s}/apps/$id.png"; done
    echo "$root/$datadir/icons/hicolor/scalable/apps/$id.svg"
    echo "$root/$mandir/man1/pictovane.1.gz"
    echo "$root/$docdir/copyright"
    echo "$root/$docdir/changelog.gz"
  } | LC_ALL=C sort
}

# png_size FILE: WIDTHxHEIGHT from the PNG header.
png_size() {
  od -An -tu1 -j16 -N8 "$1" | awk '{ printf "%dx%d\n", (($1*256+$2)*256+$3)*256+$4, (($5*256+$6)*256+$7)*256+$8 }'
}

# Installs into a fresh DESTDIR; sets root to the installed prefix.
install_tree() {
  DESTDIR="$work/dest" "$cmake" --install "$build" >"$work/install.log" 2>&1 ||
    { cat "$work/install.log"; fail "cmake --install failed"; }
  root="$work/dest$prefix"
}

# check_tree ROOT: exactly the expected files, each of the right kind.
check_tree() {
  local root=$1 missing extra s f
  expected_files "$root" >"$work/expected"
  find "$root" \( -type f -o -type l \) | LC_ALL=C sort >"$work/actual"
  missing=$(LC_ALL=C comm -23 "$work/expected" "$work/actual")
  extra=$(LC_ALL=C comm -13 "$work/expected" "$work/actual")
  [ -z "$missing" ] || fail "not installed:"$'\n'"$missing"
  [ -z "$extra" ] || fail "installed but not expected:"$'\n'"$extra"
  [ -x "$root/$bindir/pictovane" ] || fail "$bindir/pictovane is not executable"
  for s in "${icon_sizes[@]}"; do
    f="$root/$datadir/icons/hicolor/${s}x${s}/apps/$id.png"
    [ "$(png_size "$f")" = "${s}x${s}" ] || fail "$f is $(png_size "$f"), not ${s}x${s}"
  done
  grep -q '<svg' "$root/$datadir/icons/hicolor/scalable/apps/$id.svg" || fail "the scalable icon is no SVG"
  gzip -t "$root/$mandir/man1/pictovane.1.gz" || fail "the manual page is no gzip file"
  gzip -dc "$root/$docdir/changelog.gz" | head -n1 | grep -qF "pictovane ($version) " ||
    fail "the newest change log entry is not for version $version"
  echo "ok: $(wc -l <"$work/expected") files in place"
}

case $mode in
tree)
  install_tree
  check_tree "$root"
  ;;

desktop)
  need desktop-file-validate
  install_tree
  entry="$root/$datadir/applications/$id.desktop"
  out=$(desktop-file-validate "$entry" 2>&1) || fail "desktop-file-validate: $out"
  [ -z "$out" ] || fail "desktop-file-validate has remarks: $out"
  # The menu, "Open with" and the icon only work when these line up with
  # the installed files.
  # StartupWMClass is the class part of the window's WM_CLASS, which Qt
  # takes from the application name: an X11 taskbar ties the two by it.
  for line in "Exec=pictovane %f" "Icon=$id" "MimeType=image/jpeg;image/bmp;image/png;image/webp;image/heic;image/heif;image/avif;image/gif;image/tiff;" "Name=Pictovane" \
    "StartupWMClass=Pictovane"; do
    grep -qxF "$line" "$entry" || fail "$id.desktop lacks '$line'"
  done
  grep -qE '^Comment=.+' "$entry" || fail "$id.desktop has no Comment"
  grep -qE '^Categories=.+;$' "$entry" || fail "$id.desktop has no Categories"
  [ -x "$root/$bindir/pictovane" ] || fail "Exec names no installed program"
  echo "ok: $id.desktop is valid and names the installed program and icon"
  ;;

metainfo)
  need appstreamcli
  install_tree
  info="$root/$datadir/metainfo/$id.metainfo.xml"
  out=$(appstreamcli validate --no-net "$info" 2>&1) || fail "appstreamcli validate: $out"
  grep -qF "<id>$id</id>" "$info" || fail "the component id is not $id"
  grep -qF "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$info" ||
    fail "the metainfo does not launch $id.desktop"
  [ -f "$root/$datadir/applications/$id.desktop" ] || fail "the launchable is not installed"
  newest=$(grep -o '<release version="[^"]*"' "$info" | head -n1 | cut -d'"' -f2)
  [ "$newest" = "$version" ] || fail "the newest release is '$newest', the project is $version"
  echo "ok: the metainfo is valid and its newest release is $version"
  ;;

manpage)
  need groff man
  install_tree
  page="$root/$mandir/man1/pictovane.1.gz"
  warnings=$(gzip -dc "$page" | groff -man -Tutf8 -ww -z 2>&1)
  [ -z "$warnings" ] || fail "groff warns: $warnings"
  text=$(MANWIDTH=80 man -l "$page" 2>&1)
  for section in NAME SYNOPSIS DESCRIPTION OPTIONS "EXIT STATUS" FILES ENVIRONMENT "SEE ALSO"; do
    grep -qx "$section" <<<"$text" || fail "the manual page has no $section section"
  done
  for form in "pictovane [PICTURE]" "pictovane --upload PICTURE" "pictovane --history" "pictovane --help" "pictovane --version"; do
    grep -qxF "       $form" <<<"$text" || fail "the synopsis lacks '$form'"
  done
  grep -qF "Pictovane $version" <<<"$text" || fail "the manual page is not for version $version"
  echo "ok: the manual page renders without warnings"
  ;;

deb)
  need dpkg-deb dpkg-shlibdeps
  "$cpack" --config "$build/CPackConfig.cmake" -G DEB -B "$work/pkg" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; fail "cpack -G DEB failed"; }
  debs=("$work"/pkg/*.deb)
  if [ ${#debs[@]} != 1 ] || [ ! -f "${debs[0]}" ]; then fail "cpack made no single .deb: ${debs[*]}"; fi
  deb=${debs[0]}
  [ "$(dpkg-deb -f "$deb" Package)" = pictovane ] || fail "the package is not called pictovane"
  [ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "the package version is not $version"
  [ "$(dpkg-deb -f "$deb" Section)" = graphics ] || fail "the package is not in section graphics"
  depends=$(dpkg-deb -f "$deb" Depends)
  echo "Depends: $depends"
  # The converter is a program, invisible to dpkg-shlibdeps; the libraries
  # must come from it.
  for dep in imagemagick qt6-wayland ca-certificates libqt6core6 libqt6gui6 libqt6widgets6 libqt6network6 libcurl4 libqrencode4 libvips42; do
    grep -qE "(^|, )$dep( |,|$)" <<<"$depends" || fail "Depends lacks $dep"
  done
  dpkg-deb -x "$deb" "$work/root"
  check_tree "$work/root/usr"
  need xvfb-run xdotool
  bash "$smoke" "$work/root/usr/$bindir/pictovane"
  ;;

*)
  fail "unknown mode $mode"
  ;;
esac
