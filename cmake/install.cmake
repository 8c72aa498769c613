# cmake --install and the Debian package (cpack -G DEB): the two programs, their manual pages,
# and for the window its menu entry, icon and software-centre entry.
include(GNUInstallDirs)

set(BRUMEL_APP_ID example.brumel.Brumel)
set(BRUMEL_MAN_DIR ${CMAKE_BINARY_DIR}/man)

# Draws data/icons/ (not installed): make_icon ICON.svg ICON.png.
add_executable(make_icon tools/make_icon.cpp)
target_link_libraries(make_icon PRIVATE PNG::PNG)

# Debian keeps manual pages and changelogs compressed, without a time stamp.
function(brumel_gzip file)
  add_custom_command(OUTPUT ${file}.gz
    COMMAND gzip -9nkf ${file}
    DEPENDS ${file} VERBATIM)
endfunction()

# brumel-batch's page is its --help, so the two never disagree.
find_program(HELP2MAN help2man REQUIRED)
add_custom_command(OUTPUT ${BRUMEL_MAN_DIR}/brumel-batch.1
  COMMAND ${CMAKE_COMMAND} -E make_directory ${BRUMEL_MAN_DIR}
  COMMAND ${HELP2MAN} --no-info --section=1 --source=Brumel
    "--name=restore faded colour photographs from a shell"
    --include=${CMAKE_SOURCE_DIR}/data/brumel-batch.h2m
    --output=${BRUMEL_MAN_DIR}/brumel-batch.1 $<TARGET_FILE:brumel-batch>
  DEPENDS brumel-batch data/brumel-batch.h2m VERBATIM)
brumel_gzip(${BRUMEL_MAN_DIR}/brumel-batch.1)
set(BRUMEL_INSTALLED_BUILD_FILES ${BRUMEL_MAN_DIR}/brumel-batch.1.gz)
install(TARGETS brumel-batch RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${BRUMEL_MAN_DIR}/brumel-batch.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

if(BRUMEL_GUI)
  configure_file(data/brumel.1.in ${BRUMEL_MAN_DIR}/brumel.1 @ONLY)
  brumel_gzip(${BRUMEL_MAN_DIR}/brumel.1)
  list(APPEND BRUMEL_INSTALLED_BUILD_FILES ${BRUMEL_MAN_DIR}/brumel.1.gz)
  install(TARGETS brumel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${BRUMEL_MAN_DIR}/brumel.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES data/${BRUMEL_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES data/${BRUMEL_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(FILES data/icons/${BRUMEL_APP_ID}.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/32x32/apps)
  install(FILES data/icons/${BRUMEL_APP_ID}.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()

# Debian's copyright file: a machine-readable header over the body of LICENSE.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS LICENSE)
file(READ LICENSE BRUMEL_LICENCE)
string(FIND "${BRUMEL_LICENCE}" "Permission" BRUMEL_LICENCE_BODY)
string(SUBSTRING "${BRUMEL_LICENCE}" ${BRUMEL_LICENCE_BODY} -1 BRUMEL_LICENCE)
string(STRIP "${BRUMEL_LICENCE}" BRUMEL_LICENCE)
string(REPLACE "\n\n" "\n.\n" BRUMEL_LICENCE "${BRUMEL_LICENCE}")
string(REPLACE "\n" "\n " BRUMEL_LICENCE "${BRUMEL_LICENCE}")
file(WRITE ${CMAKE_BINARY_DIR}/copyright
  "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
  "Upstream-Name: Brumel\n\n"
  "Files: *\nCopyright: 2026 The Brumel developers\nLicense: MIT\n ${BRUMEL_LICENCE}\n")
configure_file(data/changelog.in ${CMAKE_BINARY_DIR}/changelog @ONLY)
brumel_gzip(${CMAKE_BINARY_DIR}/changelog)
list(APPEND BRUMEL_INSTALLED_BUILD_FILES ${CMAKE_BINARY_DIR}/changelog.gz)
install(FILES ${CMAKE_BINARY_DIR}/copyright ${CMAKE_BINARY_DIR}/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/brumel)

add_custom_target(brumel_install_files ALL DEPENDS ${BRUMEL_INSTALLED_BUILD_FILES})

set(CPACK_PACKAGE_NAME brumel)
set(CPACK_PACKAGE_VENDOR "The Brumel developers")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Brumel developers <dev@brumel.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "restores the colours of faded photographs")
# Debian shows the description on 80 columns with a space in front of every line.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Old colour prints fade unevenly: the centre and the corners lose density\n"
  "differently, and each dye fades at its own rate. Brumel shows a scanned\n"
  "picture beside its corrected version and recomputes the correction at every\n"
  "move of its controls: fade compensation at the centre and at the corners, a\n"
  "tone curve between them, a gamma, and the contrast of each colour channel.\n"
  "It reads and writes Windows bitmaps, JPEG, PNG and TIFF files.\n"
  "\n"
  "The window corrects any number of pictures at full size with the settings\n"
  "of the moment; the brumel-batch command does the same from a shell or a\n"
  "script.")
set(CPACK_PACKAGE_HOMEPAGE_URL https://www.brumel.example/brumel/)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
