#!/usr/bin/env bash
# A manual page names exactly the options --help lists (of every subcommand too); groff formats it without warnings.
# check_man_page.sh PAGE PROGRAM
set -euo pipefail
page=$1 program=$2
source "$(dirname "$0")/lib.sh"

name=$(basename "$program")
help=$("$program" --help)
# CLI11 lists the subcommands under "Subcommands:", one a line.
subcommands=$(awk '/^Subcommands:/ { inside = 1; next } inside && NF { print $1 }' <<<"$help")
for sub in $subcommands; do
  help+=$'\n'$("$program" "$sub" --help)
  # troff writes the minus as \-.
  grep -qE "^\.SS $name $sub( |$)" "$page" || fail "$name $sub has no section in $(basename "$page")"
done

options() { grep -oE -- '--[a-z][a-z0-9-]*' | sort -u; }
text=$(sed 's/\\-/-/g; s/\\f[BIRP]//g' "$page")
missing=$(comm -23 <(options <<<"$help") <(options <<<"$text"))
[ -z "$missing" ] || fail "$(basename "$page") does not describe: $missing"
pass "$(basename "$page") describes every option of $name${subcommands:+ and its subcommands}"
unknown=$(comm -13 <(options <<<"$help") <(options <<<"$text"))
[ -z "$unknown" ] || fail "$(basename "$page") names options $name does not have: $unknown"
pass "$(basename "$page") names no option $name lacks"

warnings=$(groff -man -Tutf8 -ww -z "$page" 2>&1)
[ -z "$warnings" ] || { echo "$warnings" >&2; fail "groff warns about $(basename "$page")"; }
pass "$(basename "$page") formats without warnings"
echo "man: $zrc_checks_passed passed, 0 failed"
