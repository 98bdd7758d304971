#!/usr/bin/env bash
# Install and package checks: usage: package-check.sh [BUILD_DIR]
#
# - cmake --install into a scratch prefix puts the programs, the desktop
#   entry, the hicolor icons, the AppStream metadata, both manual pages and
#   the HTML edition in place; desktop-file-validate, appstreamcli validate --no-net and man accept
#   them; the installed zelvorant --help exits 0.
# - cpack -G DEB builds zelvorant_*.deb; dpkg-deb shows the expected files and
#   run-time dependencies (SDL2, libpng).
# - With ZEL_CLEAN_ROOT=DIR (a Debian 12 root made by, for example,
#   `debootstrap --variant=minbase bookworm DIR`, with network access) and root
#   rights, the package is installed there with apt-get and run inside it.
set -uo pipefail
build=$(realpath "${1:-build}")
failures=0
fail() { echo "package-check: FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "package-check: ok: $*"; }

cmake --build "$build" >/dev/null || { echo "package-check: build failed"; exit 1; }
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null || fail "cmake --install"

id=org.zelvorant.Zelvorant
expected=(bin/zelvorant bin/zelvorant-tool share/applications/$id.desktop share/metainfo/$id.metainfo.xml
          share/man/man6/zelvorant.6.gz share/man/man1/zelvorant-tool.1.gz
          share/doc/zelvorant/text/index.html share/doc/zelvorant/text/style.css share/doc/zelvorant/text/p20.html)
for s in 16 22 24 32 48 64 128 256; do expected+=("share/icons/hicolor/${s}x${s}/apps/$id.png"); done
missing=0
for f in "${expected[@]}"; do
  [ -s "$prefix/$f" ] || { fail "install: $f missing"; missing=1; }
done
[ "$missing" = 0 ] && pass "install: ${#expected[@]} files in place"
for s in 16 48 256; do
  got=$(identify -format '%wx%h' "$prefix/share/icons/hicolor/${s}x${s}/apps/$id.png" 2>/dev/null)
  [ "$got" = "${s}x${s}" ] || fail "icon ${s}x${s} is '$got'"
done

if out=$(desktop-file-validate "$prefix/share/applications/$id.desktop" 2>&1) && [ -z "$out" ]; then
  pass "desktop-file-validate"
else
  fail "desktop-file-validate: $out"
fi
if out=$(appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" 2>&1); then
  pass "appstreamcli validate --no-net"
else
  fail "appstreamcli validate: $out"
fi
for page in man6/zelvorant.6.gz man1/zelvorant-tool.1.gz; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$prefix/share/man/$page" 2>&1 >/dev/null)
  text=$(LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$prefix/share/man/$page" 2>/dev/null)
  if [ -z "$warnings" ] && grep -q -- "--window\|render-xm" <<<"$text"; then
    pass "man $page"
  else
    fail "man $page: $warnings"
  fi
done
if "$prefix/bin/zelvorant" --help | grep -q '^Usage: zelvorant'; then
  pass "installed zelvorant --help"
else
  fail "installed zelvorant --help"
fi

# ---- the Debian package ------------------------------------------------------
rm -f "$build"/zelvorant_*.deb
log=$(cd "$build" && cpack -G DEB 2>&1) || { fail "cpack -G DEB"; echo "$log"; }
deb=$(ls "$build"/zelvorant_*.deb 2>/dev/null | head -n 1)
if [ -n "$deb" ]; then
  depends=$(dpkg-deb -f "$deb" Depends)
  if grep -q 'libsdl2-2.0-0' <<<"$depends" && grep -q 'libpng16-16' <<<"$depends"; then
    pass "$(basename "$deb") depends on: $depends"
  else
    fail "package dependencies: '$depends'"
  fi
  listing=$(dpkg-deb -c "$deb" | awk '{print $6}')
  missing=0
  for f in "${expected[@]}"; do
    grep -qx "./usr/$f" <<<"$listing" || { fail "package: /usr/$f missing"; missing=1; }
  done
  [ "$missing" = 0 ] && pass "package lists ${#expected[@]} files under /usr"
  root=${ZEL_CLEAN_ROOT:-}
  if [ -n "$root" ]; then
    cp "$deb" "$root/tmp/"
    name=$(basename "$deb")
    if chroot "$root" sh -c "apt-get install -y -qq /tmp/$name >/dev/null 2>&1 && zelvorant --help >/dev/null &&
                              zelvorant-tool pages >/dev/null && { env -u DISPLAY -u WAYLAND_DISPLAY zelvorant 2>/dev/null; [ \$? = 255 ]; }"; then
      pass "apt-get install ./$name in $root; zelvorant --help, zelvorant-tool pages and the no-display exit work"
    else
      fail "installing $name in $root"
    fi
    chroot "$root" sh -c "apt-get purge -y -qq zelvorant >/dev/null 2>&1; rm -f /tmp/$name"
  fi
fi

[ "$failures" -eq 0 ] && echo "package-check: all passed" || echo "package-check: $failures failed"
[ "$failures" -eq 0 ]
