# Finds FLTK 1.1 or 1.3 and offers it as the interface target sarvik_fltk,
# linked dynamically. Sets SARVIK_FLTK_FOUND_VERSION to "1.1" or "1.3".
#
#   SARVIK_FLTK       the version to require; empty takes the one installed
#   SARVIK_FLTK_ROOT  a folder with the toolkit's Debian packages unpacked
#                     (usr/include/FL, usr/lib/...), used instead of the
#                     system's: the two -dev packages cannot be installed side by side
set(SARVIK_FLTK "" CACHE STRING "FLTK version for sarvik_gui: 1.1, 1.3, or empty for the installed one")
set_property(CACHE SARVIK_FLTK PROPERTY STRINGS "" 1.1 1.3)
set(SARVIK_FLTK_ROOT "" CACHE PATH "Folder with an unpacked FLTK to build sarvik_gui with instead of the system's")

add_library(sarvik_fltk INTERFACE)

# Found paths are cached: forget them when the tree changes.
if(NOT "${SARVIK_FLTK_ROOT}" STREQUAL "${sarvik_fltk_root_searched}")
  unset(SARVIK_FLTK_INCLUDE_DIR CACHE)
  unset(SARVIK_FLTK_LIBRARY CACHE)
  set(sarvik_fltk_root_searched "${SARVIK_FLTK_ROOT}" CACHE INTERNAL "")
endif()

if(SARVIK_FLTK_ROOT)
  # The unpacked fltk-config names the system's folders, so search the tree itself.
  find_path(SARVIK_FLTK_INCLUDE_DIR FL/Fl.H PATHS ${SARVIK_FLTK_ROOT}/usr/include NO_DEFAULT_PATH)
  find_library(SARVIK_FLTK_LIBRARY NAMES fltk
               PATHS ${SARVIK_FLTK_ROOT}/usr/lib/${CMAKE_LIBRARY_ARCHITECTURE} ${SARVIK_FLTK_ROOT}/usr/lib
               NO_DEFAULT_PATH)
  if(NOT SARVIK_FLTK_INCLUDE_DIR OR NOT SARVIK_FLTK_LIBRARY)
    message(FATAL_ERROR "SARVIK_FLTK_ROOT=${SARVIK_FLTK_ROOT} holds no FLTK headers and libfltk.so")
  endif()
  file(STRINGS ${SARVIK_FLTK_INCLUDE_DIR}/FL/Enumerations.H version_lines
       REGEX "^#define[ \t]+FL_(MAJOR|MINOR|PATCH)_VERSION[ \t]")
  string(REGEX REPLACE ".*FL_MAJOR_VERSION[ \t]+([0-9]+).*FL_MINOR_VERSION[ \t]+([0-9]+).*FL_PATCH_VERSION[ \t]+([0-9]+).*"
         "\\1.\\2.\\3" fltk_version "${version_lines}")
  # SYSTEM: the toolkit's headers are not ours to keep free of warnings.
  target_include_directories(sarvik_fltk SYSTEM INTERFACE ${SARVIK_FLTK_INCLUDE_DIR})
  # A full path: CMake puts its folder into the build tree's RPATH, so the
  # programs and tests load this library and not the system's.
  target_link_libraries(sarvik_fltk INTERFACE ${SARVIK_FLTK_LIBRARY})
else()
  find_program(FLTK_CONFIG fltk-config)
  if(NOT FLTK_CONFIG)
    message(FATAL_ERROR "fltk-config not found: install libfltk1.1-dev or libfltk1.3-dev (scripts/install-deps.sh)")
  endif()
  execute_process(COMMAND ${FLTK_CONFIG} --version OUTPUT_VARIABLE fltk_version OUTPUT_STRIP_TRAILING_WHITESPACE)
  execute_process(COMMAND ${FLTK_CONFIG} --cxxflags OUTPUT_VARIABLE fltk_cxxflags OUTPUT_STRIP_TRAILING_WHITESPACE)
  execute_process(COMMAND ${FLTK_CONFIG} --ldflags OUTPUT_VARIABLE fltk_ldflags OUTPUT_STRIP_TRAILING_WHITESPACE)
  separate_arguments(fltk_cxxflags UNIX_COMMAND "${fltk_cxxflags}")
  separate_arguments(fltk_ldflags UNIX_COMMAND "${fltk_ldflags}")
  target_compile_options(sarvik_fltk INTERFACE ${fltk_cxxflags})
  target_link_libraries(sarvik_fltk INTERFACE ${fltk_ldflags})
endif()

string(REGEX MATCH "^[0-9]+\\.[0-9]+" fltk_major_minor "${fltk_version}")
if(NOT fltk_major_minor MATCHES "^1\\.[13]$")
  message(FATAL_ERROR "sarvik_gui builds with FLTK 1.1 or 1.3; found '${fltk_version}'")
endif()
if(SARVIK_FLTK AND NOT SARVIK_FLTK STREQUAL fltk_major_minor)
  message(FATAL_ERROR "SARVIK_FLTK=${SARVIK_FLTK} asks for FLTK ${SARVIK_FLTK}, but found ${fltk_version} "
                      "(scripts/install-deps.sh installs the version named in SARVIK_FLTK)")
endif()
set(SARVIK_FLTK_FOUND_VERSION ${fltk_major_minor} CACHE INTERNAL "FLTK version sarvik_gui is built with")
message(STATUS "sarvik_gui: FLTK ${fltk_version}")
