#!/usr/bin/env bash
# The desktop entry is valid, starts the player on one file and names the
# file type the shared-mime-info file defines.
# check_desktop_entry.sh DESKTOP_FILE MIME_XML
set -euo pipefail
desktop=$1 mime=$2
source "$(dirname "$0")/lib.sh"

command -v desktop-file-validate >/dev/null || fail "desktop-file-validate is missing (package desktop-file-utils)"
desktop-file-validate "$desktop" || fail "desktop-file-validate $(basename "$desktop")"

key() { sed -n "s/^$1=//p" "$desktop"; }
[ "$(key Exec)" = "ZrcPlayer %f" ] || fail "Exec is '$(key Exec)', not ZrcPlayer on one file"
[ "$(key Icon)" = "zrcplayer" ] || fail "Icon is '$(key Icon)', not the installed zrcplayer icon"
pass "the entry starts ZrcPlayer on the file opened, with the zrcplayer icon"

types=$(sed -n 's/.*<mime-type type="\([^"]*\)".*/\1/p' "$mime")
[ -n "$types" ] || fail "no mime-type in $(basename "$mime")"
for type in $types; do
  [[ ";$(key MimeType)" == *";$type;"* ]] || fail "MimeType does not name $type"
done
pass "MimeType names $types"
echo "desktop: $zrc_checks_passed passed, 0 failed"
