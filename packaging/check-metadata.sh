#!/bin/bash
# The desktop file, the AppStream metadata and the manual page through the validators that
# desktops, software centres and man itself use. An error or a warning fails; appstreamcli's
# infos and pedantic notes, and desktop-file-validate's hints, are shown but pass.
# Usage: check-metadata.sh DESKTOP-FILE METAINFO-FILE MANUAL-PAGE
set -u
desktop=$1 metainfo=$2 manpage=$3
failed=0

# Runs a validator; fails when it exits non-zero or prints a line matching the pattern.
validate() {
  local pattern=$1 output status
  shift
  output=$("$@" 2>&1)
  status=$?
  echo "== $*: exit $status"
  [ -z "$output" ] || printf '%s\n' "$output"
  if [ $status -ne 0 ] || grep -Eq "$pattern" <<<"$output"; then
    echo "FAILED: $*"
    failed=1
  fi
}

validate '(error|warning):' desktop-file-validate "$desktop"
validate '^[EW]:' appstreamcli validate --no-net --pedantic "$metainfo"
# man's own warnings (unknown macros, lines it cannot fill, broken escapes) on standard
# error; the page itself is not needed.
man_warnings() {
  LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$1" >/dev/null
}
validate '.' man_warnings "$manpage"

exit $failed
