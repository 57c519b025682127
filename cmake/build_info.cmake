# The values fixed when the program is built (build_info.h), for the program
# and for the fuzz build alike.
set(QUILLMARK_COMPANY "Quillmark Software" CACHE STRING "Company name shown in captions")
set(QUILLMARK_WEBSITE "www.quillmark.app" CACHE STRING "Maker's website, a bare site name")
set(QUILLMARK_BANNER_PAGE "qrc:/banner/banner.html" CACHE STRING "Banner page of the main window")
if(QUILLMARK_SKIN)
  set(QUILLMARK_SKIN_VALUE true)
else()
  set(QUILLMARK_SKIN_VALUE false)
endif()
# Relative, so an installed copy finds its defaults under any prefix.
file(RELATIVE_PATH QUILLMARK_DEFAULTS_FROM_BIN "/prefix/${CMAKE_INSTALL_BINDIR}"
     "/prefix/${CMAKE_INSTALL_DATADIR}/quillmark")
set(QUILLMARK_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
configure_file(${CMAKE_SOURCE_DIR}/src/build_info.h.in ${QUILLMARK_GENERATED_DIR}/build_info.h @ONLY)
