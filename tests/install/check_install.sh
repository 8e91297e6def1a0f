#!/usr/bin/env bash
# `cmake --install` into a temporary prefix, then everything as a user of
# that prefix meets it: the programs find their libraries there and nowhere
# else, the README's C example builds against the installed library through
# pkg-config and through the CMake package, and the desktop files, icon and
# manual pages are in place and valid.
#
# check_install.sh BUILD_DIR SOURCE_DIR BINDIR LIBDIR PRIVATE_LIBDIR INCLUDEDIR DATADIR MANDIR DOCDIR SOVERSION
set -euo pipefail
build=$1 source=$2 bindir=$3 libdir=$4 privatelibdir=$5 includedir=$6 datadir=$7 mandir=$8 docdir=$9
soversion=${10}
source "$source/tests/install/lib.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
runtime=$work/runtime

cmake --install "$build" --prefix "$prefix" >"$work/install.log" || { cat "$work/install.log"; fail "cmake --install"; }
pass "cmake --install into $prefix"

# --- What lies where ------------------------------------------------------
for file in "$bindir/ZrcPlayer" "$bindir/zrc" \
  "$libdir/libPageCodec.so.$soversion" "$libdir/libPageCodec.so" \
  "$privatelibdir/libCorvid.so" "$privatelibdir/libOrvel.so" \
  "$includedir/pagecodec.h" "$libdir/pkgconfig/pagecodec.pc" \
  "$libdir/cmake/PageCodec/PageCodecConfig.cmake" "$libdir/cmake/PageCodec/PageCodecConfigVersion.cmake" \
  "$datadir/applications/zrcplayer.desktop" "$datadir/mime/packages/zrcplayer.xml" \
  "$datadir/icons/hicolor/scalable/apps/zrcplayer.svg" "$datadir/icons/hicolor/48x48/apps/zrcplayer.png" \
  "$mandir/man1/zrc.1.gz" "$mandir/man1/ZrcPlayer.1.gz" \
  "$docdir/examples/greet-11k16.zrc" "$docdir/examples/greet-8k16.zrc"; do
  [ -e "$prefix/$file" ] || fail "missing: $file"
done
pass "programs, libraries, header, package files, desktop files, icon, manual pages and samples installed"
[ ! -e "$prefix/$libdir/libCorvid.so" ] && [ ! -e "$prefix/$libdir/libOrvel.so" ] ||
  fail "Corvid or Orvel in the system's library folder"
pass "Corvid and Orvel only in the toolkit's own folder"
soname=$(readelf -d "$prefix/$libdir/libPageCodec.so" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')
[ "$soname" = "libPageCodec.so.$soversion" ] || fail "SONAME of libPageCodec is '$soname'"
pass "libPageCodec.so has the SONAME libPageCodec.so.$soversion"

# --- The programs, from the prefix alone -----------------------------------
expect_output "zrc --version" "zrc " "$prefix/$bindir/zrc" --version
expect_output "ZrcPlayer --version" "ZrcPlayer " "$prefix/$bindir/ZrcPlayer" --version
ldd "$prefix/$bindir/zrc" >"$work/ldd.txt"
for library in Corvid Orvel; do
  grep -qE "lib$library\.so => $prefix/$bindir/\.\./$privatelibdir/lib$library\.so|lib$library\.so => $prefix/$privatelibdir/lib$library\.so" "$work/ldd.txt" ||
    { cat "$work/ldd.txt"; fail "installed zrc does not take lib$library.so from the prefix"; }
done
pass "installed zrc links Corvid and Orvel from the prefix"
expect_output "installed zrc info" "pages          61" "$prefix/$bindir/zrc" info "$prefix/$docdir/examples/greet-11k16.zrc"
check_player_libraries "$prefix/$bindir/ZrcPlayer" "$prefix"
check_player_converts "$prefix/$bindir/ZrcPlayer" "$prefix/$docdir/examples/greet-11k16.zrc" "$prefix/$bindir/zrc"

# Only what a runtime package holds: no libPageCodec.so link, no header.
cmake --install "$build" --prefix "$runtime" --component Runtime >/dev/null
[ ! -e "$runtime/$libdir/libPageCodec.so" ] && [ ! -e "$runtime/$includedir/pagecodec.h" ] ||
  fail "the Runtime component holds development files"
check_player_libraries "$runtime/$bindir/ZrcPlayer" "$runtime"
# The same libraries through the system's library path alone, the player
# in a folder with nothing beside it.
mkdir -p "$work/alone/bin"
cp "$runtime/$bindir/ZrcPlayer" "$work/alone/bin/"
LD_LIBRARY_PATH="$runtime/$libdir:$runtime/$privatelibdir" check_player_libraries "$work/alone/bin/ZrcPlayer" "$runtime"

# --- The README's example against the installed library ---------------------
extract_c_example "$source/README.md" "$work/example.c"
cc=${CC:-cc}
export PKG_CONFIG_PATH="$prefix/$libdir/pkgconfig"
flags=$(pkg-config --cflags --libs pagecodec) || fail "pkg-config --cflags --libs pagecodec"
# shellcheck disable=SC2086 # the flags are words
"$cc" -std=c99 -Wall -Wextra -Wpedantic -Werror ${ZRC_EXAMPLE_CFLAGS:-} "$work/example.c" $flags -o "$work/example" ||
  fail "README example with pkg-config's flags ($flags)"
pass "README example builds with pkg-config --cflags --libs pagecodec"
libraries=$(LD_LIBRARY_PATH="$prefix/$libdir" ldd "$work/example")
grep -qF "libPageCodec.so.$soversion => $prefix/$libdir/" <<<"$libraries" ||
  fail "README example does not load libPageCodec.so.$soversion from the prefix"
check_c_example "$work/example" "$prefix/$docdir/examples" env LD_LIBRARY_PATH="$prefix/$libdir"

mkdir -p "$work/consumer"
cmake -S "$source/tests/install/consumer" -B "$work/consumer" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_C_FLAGS="${ZRC_EXAMPLE_CFLAGS:-}" -DEXAMPLE_SOURCE="$work/example.c" >"$work/consumer.log" 2>&1 &&
  cmake --build "$work/consumer" >>"$work/consumer.log" 2>&1 || { cat "$work/consumer.log"; fail "README example with find_package(PageCodec)"; }
pass "README example builds with find_package(PageCodec) and PageCodec::PageCodec"
check_c_example "$work/consumer/example" "$prefix/$docdir/examples"

# --- Desktop integration and manual pages ------------------------------------
if command -v desktop-file-validate >/dev/null; then
  check "desktop-file-validate zrcplayer.desktop" desktop-file-validate "$prefix/$datadir/applications/zrcplayer.desktop"
else
  fail "desktop-file-validate is missing (Debian package desktop-file-utils)"
fi
update-mime-database "$prefix/$datadir/mime" >/dev/null 2>&1 || fail "update-mime-database"
grep -qx 'audio/x-zrc:\*\.zrc' "$prefix/$datadir/mime/globs" || fail "no *.zrc glob for audio/x-zrc"
[ -e "$prefix/$datadir/mime/audio/x-zrc.xml" ] || fail "update-mime-database made no audio/x-zrc"
pass "shared-mime-info takes zrcplayer.xml: audio/x-zrc for *.zrc"
for page in zrc ZrcPlayer; do
  gzip -dc "$prefix/$mandir/man1/$page.1.gz" >"$work/$page.1"
  ! grep -n '@' "$work/$page.1" || fail "$page.1 keeps a placeholder"
  grep -qF "$prefix/$docdir/examples" "$work/$page.1" || fail "$page.1 does not name the installed samples"
  # A long prefix may leave a line that cannot be adjusted; nothing else.
  warnings=$(groff -man -Tutf8 -ww -Wbreak -z "$work/$page.1" 2>&1)
  [ -z "$warnings" ] || { echo "$warnings" >&2; fail "groff warns about $page.1"; }
done
pass "manual pages name the installed paths and format without warnings"

echo "install: $zrc_checks_passed passed, 0 failed"
