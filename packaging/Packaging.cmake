# The Debian package, and what desktops and users look for beside an installed program:
# AppStream metadata, the manual page, the copyright and the changelog. The program, its
# desktop file and its icons are installed by their own folders; `cpack -G DEB` gathers all.

include(GNUInstallDirs)

# The project has no public home yet. Its web address is a placeholder under a reserved
# domain (never anybody's real site); the AppStream id is that domain reversed. When a home
# exists, change both here and the installed metadata file's name in contents.txt.
set(TARVEX_HOMEPAGE "https://tarvex.example.org" CACHE STRING
    "Web home of the project; the README's pictures are expected below it in docs/")
set(TARVEX_APP_ID "org.example.tarvex")
set(TARVEX_MAINTAINER "Vantrel Tarvex maintainers <maintainers@tarvex.example.org>")

set(TARVEX_PACKAGING_DIR ${CMAKE_CURRENT_LIST_DIR})
set(TARVEX_PACKAGING_OUT ${CMAKE_CURRENT_BINARY_DIR}/packaging)
set(TARVEX_METAINFO ${TARVEX_PACKAGING_OUT}/${TARVEX_APP_ID}.metainfo.xml)
configure_file(${TARVEX_PACKAGING_DIR}/tarvex.metainfo.xml.in ${TARVEX_METAINFO} @ONLY)
install(FILES ${TARVEX_METAINFO} DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/metainfo)

# Debian ships manual pages and changelogs compressed at the highest level and without the
# build's time stamp in the gzip header (-n), which lintian checks.
foreach(doc tarvex.1 changelog)
  add_custom_command(OUTPUT ${TARVEX_PACKAGING_OUT}/${doc}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${TARVEX_PACKAGING_DIR}/${doc} ${TARVEX_PACKAGING_OUT}/${doc}
    COMMAND gzip -9nf ${TARVEX_PACKAGING_OUT}/${doc}
    DEPENDS ${TARVEX_PACKAGING_DIR}/${doc}
    VERBATIM)
endforeach()
add_custom_target(tarvex_packaging_docs ALL
  DEPENDS ${TARVEX_PACKAGING_OUT}/tarvex.1.gz ${TARVEX_PACKAGING_OUT}/changelog.gz)
install(FILES ${TARVEX_PACKAGING_OUT}/tarvex.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${TARVEX_PACKAGING_DIR}/copyright ${TARVEX_PACKAGING_OUT}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

execute_process(COMMAND dpkg --print-architecture
  OUTPUT_VARIABLE TARVEX_DEB_ARCH OUTPUT_STRIP_TRAILING_WHITESPACE)
# A package links the libraries of the release it was built on (libavformat59 on Debian 12,
# libavformat61 on 13) and installs only there, so its version names that release: 1.0.3.9~deb12.
# The tilde sorts it below the plain version, and deb12 below deb13, so an upgrade of the
# system to the next release takes the next release's package.
set(TARVEX_DEB_RELEASE "")
if(EXISTS /etc/os-release)
  file(STRINGS /etc/os-release TARVEX_OS_ID REGEX "^ID=")
  file(STRINGS /etc/os-release TARVEX_OS_VERSION REGEX "^VERSION_ID=")
  string(REGEX REPLACE "^ID=\"?([^\"]*)\"?$" "\\1" TARVEX_OS_ID "${TARVEX_OS_ID}")
  string(REGEX REPLACE "^VERSION_ID=\"?([^\"]*)\"?$" "\\1" TARVEX_OS_VERSION "${TARVEX_OS_VERSION}")
  if(TARVEX_OS_ID STREQUAL "debian" AND TARVEX_OS_VERSION)
    set(TARVEX_DEB_RELEASE "~deb${TARVEX_OS_VERSION}")
  elseif(TARVEX_OS_ID AND TARVEX_OS_VERSION)
    set(TARVEX_DEB_RELEASE "~${TARVEX_OS_ID}${TARVEX_OS_VERSION}")
  endif()
endif()
set(TARVEX_DEB_VERSION ${PROJECT_VERSION}${TARVEX_DEB_RELEASE})
set(TARVEX_DEB ${CMAKE_BINARY_DIR}/tarvex_${TARVEX_DEB_VERSION}_${TARVEX_DEB_ARCH}.deb)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarvex)
set(CPACK_PACKAGE_VERSION ${TARVEX_DEB_VERSION})
set(CPACK_PACKAGE_VENDOR Vantrel)
set(CPACK_PACKAGE_CONTACT ${TARVEX_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "video converter front-end for FFmpeg and MEncoder")
# Debian wants the long description in short lines; CPack keeps these line breaks.
set(CPACK_PACKAGE_DESCRIPTION [[
Vantrel Tarvex is a desktop video converter with one dialog and two tabs:
Video2FLV turns any video file into an FLV file, and FLV2Video turns an
FLV file into AVI, MP4 (plain, or sized for iPod, PSP or mobile phones),
WMV or MP3.

It encodes nothing itself: it builds the command lines for FFmpeg and
MEncoder from the options chosen in the dialog and runs them one after
another, showing their latest output. The interface speaks English and
Chinese.]])
set(CPACK_PRE_BUILD_SCRIPTS ${TARVEX_PACKAGING_DIR}/Strip.cmake)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${TARVEX_DEB_ARCH})
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Beyond the linked libraries: the encoders it runs, a font with Chinese glyphs for the
# Chinese interface, Qt's display plugins, without which the dialog cannot open (the Qt
# libraries only recommend them), and Qt's own translations, so that its buttons and file
# dialog speak Chinese with the labels.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "ffmpeg, mencoder, fonts-wqy-microhei | fonts-noto-cjk, qt6-qpa-plugins, qt6-translations-l10n")
# Wayland desktops (the default on Debian 13) run it as a native client with this plugin, and
# through XWayland without it.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")
include(CPack)

if(BUILD_TESTING)
  add_test(NAME package_metadata
    COMMAND ${TARVEX_PACKAGING_DIR}/check-metadata.sh
            ${PROJECT_SOURCE_DIR}/app/tarvex.desktop ${TARVEX_METAINFO} ${TARVEX_PACKAGING_DIR}/tarvex.1)
  set_tests_properties(package_metadata PROPERTIES LABELS package)

  # Checks the package that `make package` left here. Unpacking and lintian load the machine
  # for several seconds, so the test runs alone, not beside the timing-sensitive runner tests.
  add_test(NAME package_deb
    COMMAND ${TARVEX_PACKAGING_DIR}/check-deb.sh
            ${TARVEX_DEB} ${TARVEX_PACKAGING_DIR}/contents.txt ${TARVEX_DEB_VERSION})
  set_tests_properties(package_deb PROPERTIES
    LABELS package RUN_SERIAL TRUE SKIP_RETURN_CODE 77 TIMEOUT 300)
endif()
