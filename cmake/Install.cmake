# What `cmake --install` puts where (GNU layout under CMAKE_INSTALL_PREFIX),
# and the Debian package made of it. Targets are referred to by name, so the
# folders that define them need no install rules of their own.
include(GNUInstallDirs)
# Documentation goes where Debian looks for it, under the package's name,
# unless a DOCDIR was given.
if("$CACHE{CMAKE_INSTALL_DOCDIR}" STREQUAL "")
    set(CMAKE_INSTALL_DOCDIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/inkvista)
endif()

foreach(_program inkvista inkvista-tool)
    if(TARGET ${_program})
        install(TARGETS ${_program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    endif()
endforeach()

set(_data ${PROJECT_SOURCE_DIR}/data)
install(FILES ${_data}/inkvista.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${_data}/inkvista-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
        RENAME inkvista.xml)
install(FILES ${_data}/inkvista.thumbnailer DESTINATION ${CMAKE_INSTALL_DATADIR}/thumbnailers)
install(FILES ${_data}/icons/inkvista.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(DIRECTORY ${_data}/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons
        FILES_MATCHING PATTERN "*.png")
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/docs/tool.md
              ${PROJECT_SOURCE_DIR}/docs/scripting.md
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
# Debian's machine-readable statement of who holds the rights in the package.
install(FILES ${_data}/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})

# Manual pages, compressed as Debian wants them when gzip is at hand.
find_program(INKVISTA_GZIP gzip)
foreach(_page inkvista.1 inkvista-tool.1)
    set(_source ${_data}/man/${_page})
    if(INKVISTA_GZIP)
        set(_built ${CMAKE_CURRENT_BINARY_DIR}/man/${_page}.gz)
        add_custom_command(OUTPUT ${_built}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/man
            COMMAND ${INKVISTA_GZIP} -9 -n -c ${_source} > ${_built}
            DEPENDS ${_source} VERBATIM)
        list(APPEND _man_pages ${_built})
    else()
        list(APPEND _man_pages ${_source})
    endif()
endforeach()
add_custom_target(inkvista_man ALL DEPENDS ${_man_pages})
install(FILES ${_man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# --- Debian package (scripts/package) -----------------------------------------
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME inkvista)
set(CPACK_PACKAGE_VENDOR "InkVISTA")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "full-screen comic-book reader for .cmb and .cxb books")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "InkVISTA maintainers <maintainers@inkvista.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "InkVISTA reads comic books in the .cmb and .cxb containers of a 240 x 320
pocket computer: 3-bit grey and 32-colour pages, shown as stored or turned
for sideways reading, fitted to the screen, with a remembered page for every
book, hidden books behind a password and an automatic scroll.

inkvista-tool prints what a book holds, exports its pages as pictures, makes
books from pictures, folders and comic archives (CBZ, CBR, CB7, CBT) and
gives file managers the covers of books as thumbnails.")
# The libraries' packages come from dpkg-shlibdeps; the reader draws its
# texts from the files of these font packages (src/ui/Fonts.cpp), which no
# library pulls in, and binds GIO (libglib2.0-0) when it first trashes a
# book, libarchive (libarchive13) at the first comic archive and libjpeg
# (libjpeg62-turbo) at the first JPEG of a book to make (tools/bookwriter).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "fonts-nanum, fonts-dejavu-core, fonts-dejavu-extra, fonts-liberation, libglib2.0-0, libarchive13, libjpeg62-turbo")
# The book types, the menu entry and the icon are picked up by the file
# triggers of these packages; nothing to run from maintainer scripts.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "shared-mime-info, desktop-file-utils, hicolor-icon-theme")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
