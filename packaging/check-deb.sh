#!/bin/bash
# The built package as apt and a desktop will see it: exactly the expected files, owners and
# modes; icons of the sizes their folders promise; dependencies that cover every library
# the program links and what it runs; installed metadata that hangs together; and lintian
# with neither errors nor warnings (its infos are shown and pass).
# Usage: check-deb.sh PACKAGE.deb CONTENTS-LIST VERSION
# A package that was never built is a skip (exit 77), or a failure when
# TARVEX_PACKAGE_REQUIRED is set, as `make test` does after building it.
set -u
deb=$1 expected=$2 version=$3

if [ ! -f "$deb" ]; then
  echo "no package at $deb: 'make package' builds it"
  [ -n "${TARVEX_PACKAGE_REQUIRED:-}" ] && exit 1
  exit 77
fi

failed=0
fail() {
  echo "FAILED: $*"
  failed=1
}
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root" || exit 1

echo "== contents against $expected"
diff -u <(grep -v '^#' "$expected" | sort) \
        <(dpkg-deb --contents "$deb" | awk '{print $1, $2, $6}' | sort) \
  || fail "the package's files differ from the list"

echo "== icon sizes"
for dir in "$root"/usr/share/icons/hicolor/*x*/apps; do
  size=${dir%/apps}
  size=${size##*/}
  for png in "$dir"/*; do
    kind=$(file -b "$png")
    grep -q "^PNG image data, ${size/x/ x }," <<<"$kind" || fail "${png#"$root"}: $kind"
  done
done

echo "== control"
dpkg-deb -f "$deb"
[ "$(dpkg-deb -f "$deb" Package)" = tarvex ] || fail "package name"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "version is not $version"
[ "$(dpkg-deb -f "$deb" Architecture)" = "$(dpkg --print-architecture)" ] || fail "architecture"

# The dependencies as groups of alternatives, each without its version.
mapfile -t groups < <(dpkg-deb -f "$deb" Depends | tr ',' '\n' \
                      | sed -E 's/ *\([^)]*\)//g; s/^ +//; s/ +$//')
# The same with versions: the calculated ones always carry one.
mapfile -t versioned < <(dpkg-deb -f "$deb" Depends | tr ',' '\n' | sed -E 's/^ +//; s/ +$//')

# What the program runs or needs at run time without linking it.
for needed in ffmpeg mencoder "fonts-wqy-microhei | fonts-noto-cjk" qt6-qpa-plugins qt6-translations-l10n; do
  printf '%s\n' "${groups[@]}" | grep -qxF "$needed" || fail "Depends lacks '$needed'"
done

dpkg-deb -f "$deb" Recommends | tr ',' '\n' | sed -E 's/^ +//; s/ +$//' | grep -qx qt6-wayland \
  || fail "Recommends lacks qt6-wayland"

# Every library the program and its helper link must be covered by a calculated dependency on
# a package that holds it, so a fresh system gets all of them.
for lib in $(objdump -p "$root/usr/bin/tarvex" "$root/usr/libexec/tarvex/tarvex-probe" \
             | awk '$1 == "NEEDED" { print $2 }' | sort -u); do
  covered=0
  for owner in $(dpkg -S "*/$lib" 2>/dev/null | sed 's/: .*//' | tr ',' '\n' | sed 's/:.*//; s/ //g' | sort -u); do
    for dependency in "${versioned[@]}"; do
      [[ $dependency == "$owner (>= "*")" ]] && covered=1
    done
  done
  [ $covered = 1 ] || fail "no versioned dependency provides $lib"
done

# FFmpeg's libraries are the helper's alone: the program reads media files through it.
objdump -p "$root/usr/bin/tarvex" | awk '$1 == "NEEDED" { print $2 }' | grep -E '^libav(format|codec|util)' \
  && fail "the program links FFmpeg's libraries"

echo "== installed metadata"
tree=$(appstreamcli validate-tree --no-net --pedantic "$root" 2>&1)
status=$?
printf '%s\n' "$tree"
[ $status = 0 ] && ! grep -q '^ *[EW]:' <<<"$tree" || fail "appstreamcli validate-tree"
man_warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z \
               "$root/usr/share/man/man1/tarvex.1.gz" 2>&1 >/dev/null)
[ -z "$man_warnings" ] || fail "manual page: $man_warnings"

echo "== lintian"
lintian -I -E --pedantic --tag-display-limit 0 --fail-on error,warning "$deb" || fail "lintian"

exit $failed
