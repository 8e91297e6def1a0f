# Debian packages through CPack (cpack -G DEB in the build folder):
# zrc-toolkit, the programs and what they load, and libpagecodec-dev, what
# building against libPageCodec.so takes. Dependencies on Debian's runtime
# packages (Qt 6, SDL2, libsoxr, GStreamer, ...) are read from the binaries by
# dpkg-shlibdeps.

set(CPACK_PACKAGE_NAME "zrc-toolkit")
set(CPACK_PACKAGE_VENDOR "ZRC toolkit developers")
set(CPACK_PACKAGE_CONTACT "ZRC toolkit developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
# Each package has a synopsis of its own, the first line of its component's
# description; a package-wide summary would be put in front of it.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "")
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)

set(CPACK_COMPONENTS_ALL Runtime Development)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME "zrc-toolkit")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SHLIBDEPS ON)
# dpkg-shlibdeps finds Corvid and Orvel in the package through zrc's
# $ORIGIN RUNPATH. The shlibs file names libPageCodec only: the two private
# libraries have no SONAME version, and CPack says so.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME "libpagecodec-dev")
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)

include(CPack)

# Each package's description: its synopsis line, then the long text (no
# semicolons, which CMake would take for list separators).
cpack_add_component(Runtime
  DISPLAY_NAME "ZRC toolkit"
  DESCRIPTION "player, command-line tool and codec for ZRC voice recordings
ZrcPlayer plays the recordings of ZRC voice recorders and converts them to
WAV files. zrc shows, decodes, encodes and plays them from the command line.

The package also holds libPageCodec, the codec library both build on, the
libraries the player loads (wave output over SDL2, companion decoder), the
GStreamer plugin zrc that plays and converts recordings in every GStreamer
program, a desktop entry that opens .zrc files in ZrcPlayer, the manual
pages and two sample recordings.")
cpack_add_component(Development
  DISPLAY_NAME "PageCodec development files"
  DESCRIPTION "development files of PageCodec, the ZRC recording codec
The header pagecodec.h, the libPageCodec.so link, a pkg-config file
(pagecodec) and a CMake package (PageCodec) for programs that read, decode
or write ZRC voice-recorder recordings through libPageCodec."
  DEPENDS Runtime)
