# Shared by the install checks: a count of what passed, a stop at the first failure, the README's C example, the player.
zrc_checks_passed=0

pass() { zrc_checks_passed=$((zrc_checks_passed + 1)); echo "ok - $*"; }
fail() { echo "FAILED - $*" >&2; exit 1; }

# expect_output DESCRIPTION EXPECTED COMMAND...: the output holds EXPECTED.
expect_output() {
  local what=$1 expected=$2 out
  shift 2
  out=$("$@" 2>&1) || { echo "$out" >&2; fail "$what (exit status)"; }
  grep -qF -- "$expected" <<<"$out" || { echo "$out" >&2; fail "$what: no \"$expected\" in the output above"; }
  pass "$what"
}

# The README's first ```c block, written to the file given.
extract_c_example() {
  local readme=$1 out=$2
  awk '/^```c$/ { inside = 1; next } inside && /^```/ { exit } inside { print }' "$readme" >"$out"
  [ -s "$out" ] || fail "no \`\`\`c block in $readme"
}

# The samples are 61 pages of 123 ms and 30 pages of 292 ms.
check_c_example() {
  local program=$1 samples=$2
  shift 2
  expect_output "README example on greet-11k16.zrc" "61 pages, 7.503 s" "$@" "$program" "$samples/greet-11k16.zrc"
  expect_output "README example on greet-8k16.zrc" "30 pages, 8.760 s" "$@" "$program" "$samples/greet-8k16.zrc"
}

# ZrcPlayer without a screen, its one-instance lock in a folder of its own.
run_player_offscreen() {
  local runtime status=0
  runtime=$(mktemp -d)
  env -u ZRC_PLAYER_LIBRARY_DIR QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$runtime" "$@" || status=$?
  rm -rf "$runtime" && return $status
}

# The player's libraries, each loaded from below the given folder.
check_player_libraries() {
  local player=$1 root=$2 out library
  out=$(run_player_offscreen "$player" --libraries 2>&1) || { echo "$out" >&2; fail "$player --libraries"; }
  for library in PageCodec Corvid Orvel; do
    grep -qE "^$library: $root/" <<<"$out" || fail "$library not loaded from below $root"
  done
  pass "$player finds PageCodec, Corvid and Orvel below $root"
}

# The player opens the sample (7.503 s long) and converts it through Orvel
# to the bytes zrc decode writes.
check_player_converts() {
  local player=$1 recording=$2 zrc=$3 dir
  dir=$(mktemp -d)
  expect_output "$player opens $(basename "$recording")" "/ 00 : 00 : 07]" \
    run_player_offscreen "$player" --screenshot "$dir/window.png" "$recording"
  [ -s "$dir/window.png" ] || fail "$player saved no picture of its window"
  expect_output "$player converts $(basename "$recording")" "converted into $dir/player.wav" \
    run_player_offscreen "$player" --screenshot "$dir/converting.png" "$recording" --convert16 "$dir/player.wav"
  "$zrc" decode -o "$dir/zrc.wav" "$recording" >/dev/null || fail "$zrc decode $recording"
  cmp "$dir/player.wav" "$dir/zrc.wav" || fail "$player's WAV file differs from zrc decode's"
  pass "$player's WAV file is zrc decode's, byte for byte"
  rm -rf "$dir"
}
