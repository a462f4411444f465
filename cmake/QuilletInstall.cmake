# Installing Quillet like any desktop program: the programs (each folder names its own with
# install(TARGETS)), the desktop entry, the icon in the sizes icon themes look for, the
# AppStream metainfo and the manual pages; CPack turns all of it into a Debian package.
include(GNUInstallDirs)

set(QUILLET_APP_ID io.github.quillet.Quillet)
set(quillet_data ${PROJECT_SOURCE_DIR}/data)

# An installed program keeps its settings out of the folder it is installed into.
if(TARGET quillet_app)
    set_property(SOURCE ${PROJECT_SOURCE_DIR}/app/settingslocation.cpp
                 DIRECTORY ${PROJECT_SOURCE_DIR}/app APPEND PROPERTY COMPILE_DEFINITIONS
                 QUILLET_INSTALL_BINDIR="${CMAKE_INSTALL_FULL_BINDIR}")
endif()

if(QUILLET_GUI)
    install(FILES ${quillet_data}/${QUILLET_APP_ID}.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${quillet_data}/${QUILLET_APP_ID}.metainfo.xml
            DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
    install(FILES ${quillet_data}/${QUILLET_APP_ID}.svg
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

    # Bitmap icons for the sizes menus and panels ask for, drawn from the one SVG.
    find_program(QUILLET_RSVG_CONVERT rsvg-convert)
    if(QUILLET_RSVG_CONVERT)
        set(icons)
        foreach(size 16 22 24 32 48 64 128 256)
            set(folder ${CMAKE_BINARY_DIR}/icons/${size}x${size})
            set(png ${folder}/${QUILLET_APP_ID}.png)
            add_custom_command(
                OUTPUT ${png}
                COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
                COMMAND ${QUILLET_RSVG_CONVERT} -w ${size} -h ${size} -o ${png}
                        ${quillet_data}/${QUILLET_APP_ID}.svg
                DEPENDS ${quillet_data}/${QUILLET_APP_ID}.svg
                VERBATIM)
            list(APPEND icons ${png})
            install(FILES ${png}
                    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
        endforeach()
        add_custom_target(quillet_icons ALL DEPENDS ${icons})
    else()
        message(STATUS "rsvg-convert not found (Debian: librsvg2-bin): "
                       "only the scalable icon is installed")
    endif()
endif()

# Manual pages made from each program's own --help and --version.
find_program(QUILLET_HELP2MAN help2man)
find_program(QUILLET_GZIP gzip)
if(QUILLET_HELP2MAN AND QUILLET_GZIP)
    set(pages)
    set(manual_quillet "batch JPEG thumbnail maker")
    set(manual_quillet-thumb "make JPEG thumbnails of JPEG photos from a shell")
    set(manual_quillet-update-server "answer Quillet's update requests")
    foreach(program quillet quillet-thumb quillet-update-server)
        if(TARGET ${program})
            set(page ${CMAKE_BINARY_DIR}/man/${program}.1)
            add_custom_command(
                OUTPUT ${page}.gz
                COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
                # A sanitized build's leak report at exit must not fail the page.
                COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
                        ${QUILLET_HELP2MAN} --no-info --name=${manual_${program}}
                        --output=${page} $<TARGET_FILE:${program}>
                COMMAND ${QUILLET_GZIP} -9nf ${page}
                DEPENDS ${program}
                VERBATIM)
            list(APPEND pages ${page}.gz)
        endif()
    endforeach()
    add_custom_target(quillet_manuals ALL DEPENDS ${pages})
    install(FILES ${pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
else()
    message(STATUS "help2man or gzip not found (Debian: help2man): no manual pages")
endif()

# The Debian package: cpack -G DEB in the build folder (scripts/package.sh does it all).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillet)
set(CPACK_PACKAGE_VENDOR "The Quillet developers")
set(CPACK_PACKAGE_CONTACT "The Quillet developers <quillet@users.noreply.github.com>")
set(CPACK_PACKAGE_HOMEPAGE_URL https://github.com/quillet/quillet)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "batch JPEG thumbnail maker")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
       "Quillet turns a batch of JPEG photos into JPEG thumbnails: a window to gather"
       "the photos and choose the size, aspect, fill colour and names, and quillet-thumb,"
       "the same engine from a shell, for large collections spread over cores and machines.")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
# Dependencies from the shared libraries the programs link (dpkg-shlibdeps, in dpkg-dev).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
