#!/usr/bin/env bash
# The desktop entry is valid, starts the player on one file and names the
# file type the shared-mime-info file defines.
# check_desktop_entry.sh DESKTOP_FILE MIME_XML
set -euo pipefail
desktop=$1 mime=$2
source "$(dirname "$0")/lib.sh"

desktop-file-validate "$desktop" || fail "desktop-file-validate $(basename "$desktop") (package desktop-file-utils)"

key() { sed -n "s/^$1=//p" "$desktop"; }
[ "$(key Exec)" = "ZrcPlayer %f" ] && [ "$(key Icon)" = zrcplayer ] || fail "Exec '$(key Exec)', Icon '$(key Icon)'"
pass "the entry starts ZrcPlayer on the file opened, with the zrcplayer icon"

types=$(sed -n 's/.*<mime-type type="\([^"]*\)".*/\1/p' "$mime")
[ -n "$types" ] || fail "no mime-type in $(basename "$mime")"
for type in $types; do
  [[ ";$(key MimeType)" == *";$type;"* ]] || fail "MimeType does not name $type"
done
pass "MimeType names $types"
echo "desktop: $zrc_checks_passed passed, 0 failed"
