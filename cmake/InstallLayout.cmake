# Where an install puts things. Every path that a program uses to find its
# neighbours is relative to the program's own folder, so an installed tree
# works wherever it is unpacked (a package, a staging folder, a prefix of
# one's own).

# Documentation under the package's name, as Debian keeps it.
if(NOT CMAKE_INSTALL_DOCDIR)
  set(CMAKE_INSTALL_DOCDIR "share/doc/zrc-toolkit")
endif()
include(GNUInstallDirs)

# Corvid and Orvel serve the player and zrc only; they stay out of the
# system's library folder, in one of the toolkit's own.
set(ZRC_INSTALL_PRIVATE_LIBDIR "${CMAKE_INSTALL_LIBDIR}/zrc" CACHE PATH
    "Folder of the libraries only the toolkit's programs load (Corvid, Orvel)")

# The library folders seen from bin/, and the prefix seen from the folder
# of the pkg-config file.
cmake_path(ABSOLUTE_PATH ZRC_INSTALL_PRIVATE_LIBDIR BASE_DIRECTORY "${CMAKE_INSTALL_PREFIX}"
           OUTPUT_VARIABLE _zrc_private_libdir)
file(RELATIVE_PATH ZRC_BINDIR_TO_LIBDIR "${CMAKE_INSTALL_FULL_BINDIR}" "${CMAKE_INSTALL_FULL_LIBDIR}")
file(RELATIVE_PATH ZRC_BINDIR_TO_PRIVATE_LIBDIR "${CMAKE_INSTALL_FULL_BINDIR}" "${_zrc_private_libdir}")
file(RELATIVE_PATH ZRC_PKGCONFIGDIR_TO_PREFIX "${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig" "${CMAKE_INSTALL_PREFIX}")
string(REGEX REPLACE "/$" "" ZRC_PKGCONFIGDIR_TO_PREFIX "${ZRC_PKGCONFIGDIR_TO_PREFIX}")
unset(_zrc_private_libdir)
