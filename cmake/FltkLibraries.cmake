# Finds the FLTK 1.3 headers and the three libraries Strands links (core, GL
# windows, image readers) and makes them one imported target, Fltk::Fltk.
#
# FLTK's own package file (FLTKConfig.cmake) is not used: it imports every
# target FLTK builds, the fluid designer among them, and stops the configure
# step when one is missing. Debian's libfltk1.3-dev only recommends fluid, so on
# a machine set up without recommended packages that file fails although every
# header and library we need is there. Looking for the files themselves
# depends on nothing but the -dev package's contents.

find_path(FLTK_INCLUDE_DIR FL/Fl.H PATH_SUFFIXES fltk1.3 DOC "Directory holding FL/Fl.H (FLTK 1.3)")
find_library(FLTK_CORE_LIBRARY NAMES fltk DOC "FLTK core library")
find_library(FLTK_GL_LIBRARY NAMES fltk_gl DOC "FLTK OpenGL window library")
find_library(FLTK_IMAGES_LIBRARY NAMES fltk_images DOC "FLTK image reader library")

if(FLTK_INCLUDE_DIR AND EXISTS "${FLTK_INCLUDE_DIR}/FL/Enumerations.H")
  file(STRINGS "${FLTK_INCLUDE_DIR}/FL/Enumerations.H" _fltk_version_lines
       REGEX "^#define FL_(MAJOR|MINOR|PATCH)_VERSION[ \t]+[0-9]+")
  foreach(_part MAJOR MINOR PATCH)
    string(REGEX REPLACE ".*#define FL_${_part}_VERSION[ \t]+([0-9]+).*" "\\1" _fltk_${_part} "${_fltk_version_lines}")
  endforeach()
  set(FLTK_VERSION "${_fltk_MAJOR}.${_fltk_MINOR}.${_fltk_PATCH}")
endif()

include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(FltkLibraries
  REQUIRED_VARS FLTK_INCLUDE_DIR FLTK_CORE_LIBRARY FLTK_GL_LIBRARY FLTK_IMAGES_LIBRARY
  VERSION_VAR FLTK_VERSION
  FAIL_MESSAGE "FLTK 1.3 not found: install Debian's libfltk1.3-dev (scripts/setup.sh does)")

if(FltkLibraries_FOUND AND NOT TARGET Fltk::Fltk)
  if(NOT FLTK_VERSION VERSION_GREATER_EQUAL 1.3 OR FLTK_VERSION VERSION_GREATER_EQUAL 1.4)
    message(FATAL_ERROR "Strands needs FLTK 1.3; found ${FLTK_VERSION} in ${FLTK_INCLUDE_DIR}")
  endif()
  add_library(Fltk::Fltk INTERFACE IMPORTED)
  set_target_properties(Fltk::Fltk PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES "${FLTK_INCLUDE_DIR}"
    # The GL and image libraries build on the core one: core last.
    INTERFACE_LINK_LIBRARIES "${FLTK_IMAGES_LIBRARY};${FLTK_GL_LIBRARY};${FLTK_CORE_LIBRARY}")
endif()
mark_as_advanced(FLTK_INCLUDE_DIR FLTK_CORE_LIBRARY FLTK_GL_LIBRARY FLTK_IMAGES_LIBRARY)
