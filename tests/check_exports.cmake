# Compares the dynamic symbols a library defines with what it should export.
# Usage: cmake -DLIBRARY=... -DHEADER=... -DCALL=<calling-convention macro>
#              -P check_exports.cmake
# The library must export exactly the functions the header declares.
cmake_minimum_required(VERSION 3.25)
execute_process(COMMAND nm -D --defined-only ${LIBRARY}
  OUTPUT_VARIABLE symbols RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "nm failed on ${LIBRARY}")
endif()
string(REGEX MATCHALL "[0-9a-f]+ [A-Za-z] [^\n]+" lines "${symbols}")
set(exported)
foreach(line IN LISTS lines)
  string(REGEX REPLACE "^[0-9a-f]+ [A-Za-z] " "" name "${line}")
  list(APPEND exported ${name})
endforeach()
list(SORT exported)

file(READ ${HEADER} header)
string(REGEX MATCHALL "${CALL}[ \t\n]+[A-Za-z0-9_]+[ \t\n]*\\(" decls "${header}")
set(declared)
foreach(decl IN LISTS decls)
  string(REGEX REPLACE "${CALL}[ \t\n]+([A-Za-z0-9_]+).*" "\\1" name "${decl}")
  list(APPEND declared ${name})
endforeach()
list(SORT declared)

if(NOT exported STREQUAL declared)
  message(FATAL_ERROR "exports differ from the header\n  exported: ${exported}\n  declared: ${declared}")
endif()
list(LENGTH declared n)
message(STATUS "${n} exports, all declared: ${declared}")
