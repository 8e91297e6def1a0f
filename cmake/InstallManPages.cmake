# Run by `cmake --install` (see packaging/CMakeLists.txt): writes each page
# of ZRC_MAN_SOURCES with the installed paths filled in and compresses it
# into the manual's section 1.

foreach(dir IN ITEMS MANDIR DOCDIR LIBDIR PRIVATE_LIBDIR)
  cmake_path(ABSOLUTE_PATH ZRC_MAN_${dir} BASE_DIRECTORY "${CMAKE_INSTALL_PREFIX}" NORMALIZE
             OUTPUT_VARIABLE ZRC_MAN_FULL_${dir})
endforeach()
set(section "$ENV{DESTDIR}${ZRC_MAN_FULL_MANDIR}/man1")
file(MAKE_DIRECTORY "${section}")

foreach(source IN LISTS ZRC_MAN_SOURCES)
  cmake_path(GET source FILENAME page)
  message(STATUS "Installing: ${section}/${page}.gz")
  configure_file("${source}" "${section}/${page}" @ONLY)
  execute_process(COMMAND "${ZRC_GZIP}" -9nf "${section}/${page}" COMMAND_ERROR_IS_FATAL ANY)
endforeach()
