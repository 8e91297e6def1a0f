#!/usr/bin/env bash
# `cmake --install` into a temporary prefix, used as its user meets it: programs, libraries, README example, manual.
# check_install.sh BUILD_DIR SOURCE_DIR BINDIR LIBDIR PRIVATE_LIBDIR INCLUDEDIR DATADIR MANDIR DOCDIR SOVERSION [GST_PLUGIN_DIR]
set -euo pipefail
build=$1 source=$2 bindir=$3 libdir=$4 privatelibdir=$5 includedir=$6 datadir=$7 mandir=$8 docdir=$9
soversion=${10} gstplugindir=${11:-}
source "$source/tests/install/lib.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

cmake --install "$build" --prefix "$prefix" >"$work/install.log" || { cat "$work/install.log"; fail "cmake --install"; }
pass "cmake --install into $prefix"
# The programs, libraries, header, pkg-config and CMake files, samples and manual pages are used below.
for file in "$libdir/cmake/PageCodec/PageCodecConfigVersion.cmake" "$datadir/applications/zrcplayer.desktop" \
  "$datadir/mime/packages/zrcplayer.xml" "$datadir/icons/hicolor/scalable/apps/zrcplayer.svg" \
  "$datadir/icons/hicolor/48x48/apps/zrcplayer.png"; do
  [ -e "$prefix/$file" ] || fail "missing: $file"
done
[ ! -e "$prefix/$libdir/libCorvid.so" ] && [ ! -e "$prefix/$libdir/libOrvel.so" ] || fail "Corvid or Orvel in the system's library folder"
pass "everything installed; Corvid and Orvel only in the toolkit's own folder"
for library in Corvid Orvel; do
  grep -qF "lib$library.so => $prefix/" <<<"$(ldd "$prefix/$bindir/zrc")" || fail "installed zrc does not take lib$library.so from the prefix"
done
pass "installed zrc links Corvid and Orvel from the prefix"
check_player_libraries "$prefix/$bindir/ZrcPlayer" "$prefix"
check_player_converts "$prefix/$bindir/ZrcPlayer" "$prefix/$docdir/examples/greet-11k16.zrc" "$prefix/$bindir/zrc"

# Through the library path alone, the player in a folder by itself.
install -D "$prefix/$bindir/ZrcPlayer" "$work/alone/bin/ZrcPlayer"
LD_LIBRARY_PATH="$prefix/$libdir:$prefix/$privatelibdir" check_player_libraries "$work/alone/bin/ZrcPlayer" "$prefix"

# The example links libPageCodec by its SONAME, found in the prefix.
extract_c_example "$source/README.md" "$work/example.c"
export PKG_CONFIG_PATH="$prefix/$libdir/pkgconfig"
flags=$(pkg-config --cflags --libs pagecodec) || fail "pkg-config --cflags --libs pagecodec"
# shellcheck disable=SC2086 # the flags are words
"${CC:-cc}" -std=c99 -Wall -Wextra -Wpedantic -Werror ${ZRC_EXAMPLE_CFLAGS:-} "$work/example.c" $flags -o "$work/example" ||
  fail "README example with pkg-config's flags ($flags)"
pass "README example builds with pkg-config --cflags --libs pagecodec"
libraries=$(LD_LIBRARY_PATH="$prefix/$libdir" ldd "$work/example")
grep -qF "libPageCodec.so.$soversion => $prefix/$libdir/" <<<"$libraries" || fail "README example does not load libPageCodec.so.$soversion from the prefix"
check_c_example "$work/example" "$prefix/$docdir/examples" env LD_LIBRARY_PATH="$prefix/$libdir"

mkdir -p "$work/consumer"
cmake -S "$source/tests/install/consumer" -B "$work/consumer" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_C_FLAGS="${ZRC_EXAMPLE_CFLAGS:-}" -DEXAMPLE_SOURCE="$work/example.c" >"$work/consumer.log" 2>&1 &&
  cmake --build "$work/consumer" >>"$work/consumer.log" 2>&1 || { cat "$work/consumer.log"; fail "README example with find_package(PageCodec)"; }
pass "README example builds with find_package(PageCodec) and PageCodec::PageCodec"
check_c_example "$work/consumer/example" "$prefix/$docdir/examples"

if [ -n "$gstplugindir" ]; then
  plugin=$prefix/$gstplugindir/libgstzrc.so
  [ -e "$plugin" ] || fail "missing: $gstplugindir/libgstzrc.so"
  sample=$prefix/$docdir/examples/greet-11k16.zrc
  GST_PLUGIN_PATH="$prefix/$gstplugindir" GST_REGISTRY="$work/registry.bin" \
    gst-launch-1.0 -q filesrc location="$sample" ! zrcdec ! filesink location="$work/gst.pcm" >"$work/gst.log" 2>&1 ||
    { cat "$work/gst.log"; fail "gst-launch-1.0 with the installed plugin"; }
  "$prefix/$bindir/zrc" decode -o "$work/gst.wav" "$sample" >/dev/null
  tail -c +45 "$work/gst.wav" | cmp -s - "$work/gst.pcm" || fail "the installed plugin's samples are not zrc decode's"
  pass "the plugin in $gstplugindir plays greet-11k16.zrc as zrc decode writes it"
fi

# check_man_page.sh formats the pages; here their placeholders are filled in.
for page in zrc ZrcPlayer; do
  text=$(gzip -dc "$prefix/$mandir/man1/$page.1.gz")
  ! grep -n '@' <<<"$text" || fail "$page.1 keeps a placeholder"
  grep -qF "$prefix/$docdir/examples" <<<"$text" || fail "$page.1 does not name the installed samples"
done
pass "manual pages name the installed paths"

echo "install: $zrc_checks_passed passed, 0 failed"
