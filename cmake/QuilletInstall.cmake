# Installing Quillet like any desktop program: the programs (each folder names its own with
# install(TARGETS)), the desktop entry, the icon in the sizes icon themes look for, the
# AppStream metainfo and the manual pages; CPack turns all of it into a Debian package.
include(GNUInstallDirs)

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
    # "Make thumbnails with Quillet" in Dolphin and (with nautilus-python) in Nautilus.
    install(FILES ${quillet_data}/filemanager/${QUILLET_APP_ID}.servicemenu.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/kio/servicemenus RENAME ${QUILLET_APP_ID}.desktop)
    install(FILES ${quillet_data}/filemanager/quillet-nautilus.py
            DESTINATION ${CMAKE_INSTALL_DATADIR}/nautilus-python/extensions)

    foreach(size IN LISTS QUILLET_ICON_SIZES)
        install(FILES ${QUILLET_ICON_DIR}/${size}x${size}/${QUILLET_APP_ID}.png
                DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
    endforeach()
endif()

# Manual pages made from each program's own --help and --version, with the sections a
# reader looks for (exit status, files, environment, examples) from data/man.
find_program(QUILLET_HELP2MAN help2man)
find_program(QUILLET_GZIP gzip)
set(quillet_component_quillet desktop)
set(quillet_component_quillet-thumb desktop)
set(quillet_component_quillet-update-server server)
set(quillet_component_quillet-dask dask)
set(manual_quillet "batch photo thumbnail maker")
set(manual_quillet-thumb "make JPEG, WebP, AVIF or PNG thumbnails of photos from a shell")
set(manual_quillet-update-server "answer Quillet's update requests")
set(manual_quillet-dask "make Quillet's thumbnails on the workers of a Dask cluster")
if(QUILLET_HELP2MAN AND QUILLET_GZIP)
    set(executable_quillet-dask ${CMAKE_BINARY_DIR}/cli/quillet-dask)
    foreach(program quillet quillet-thumb quillet-update-server quillet-dask)
        if(TARGET ${program} OR executable_${program})
            if(NOT executable_${program})
                set(executable_${program} $<TARGET_FILE:${program}>)
            endif()
            set(page ${CMAKE_BINARY_DIR}/man/${program}.1)
            set(include ${quillet_data}/man/${program}.h2m)
            add_custom_command(
                OUTPUT ${page}.gz
                COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
                # A sanitized build's leak report at exit must not fail the page.
                COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
                        ${QUILLET_HELP2MAN} --no-info --name=${manual_${program}}
                        --include=${include} --output=${page} ${executable_${program}}
                COMMAND ${QUILLET_GZIP} -9nf ${page}
                DEPENDS ${executable_${program}} ${include}
                VERBATIM)
            add_custom_target(quillet_manual_${program} ALL DEPENDS ${page}.gz)
            install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
                    COMPONENT ${quillet_component_${program}})
        endif()
    endforeach()
else()
    message(STATUS "help2man or gzip not found (Debian: help2man): no manual pages")
endif()

# What Debian asks of every package: the licence in the machine-readable form and the
# changelog, in /usr/share/doc/<package>.
set(QUILLET_DEB_DESKTOP quillet)
set(QUILLET_DEB_SERVER quillet-update-server)
set(QUILLET_DEB_DASK quillet-dask)
set(docs)
foreach(component desktop server dask)
    string(TOUPPER ${component} COMPONENT)
    set(PACKAGE ${QUILLET_DEB_${COMPONENT}})
    set(doc ${CMAKE_BINARY_DIR}/doc/${PACKAGE})
    configure_file(${quillet_data}/debian/changelog.in ${doc}/changelog @ONLY)
    add_custom_command(
        OUTPUT ${doc}/changelog.gz
        COMMAND ${QUILLET_GZIP} -9nkf ${doc}/changelog
        DEPENDS ${doc}/changelog
        VERBATIM)
    list(APPEND docs ${doc}/changelog.gz)
    install(FILES ${quillet_data}/debian/copyright ${doc}/changelog.gz
            DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${PACKAGE} COMPONENT ${component})
endforeach()
add_custom_target(quillet_changelogs ALL DEPENDS ${docs})

# The server's service: installed, neither enabled nor started; its options in
# <sysconfdir>/default, the installer in the one folder the service may read. Debian 12
# keeps units in /lib.
if(TARGET quillet-update-server)
    set(service ${CMAKE_BINARY_DIR}/debian/server)
    configure_file(${quillet_data}/debian/quillet-update-server.service.in
                   ${service}/quillet-update-server.service @ONLY)
    configure_file(${quillet_data}/debian/quillet-update-server.default.in
                   ${service}/quillet-update-server @ONLY)
    set(unitdir ${CMAKE_INSTALL_PREFIX}/lib/systemd/system)
    if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
        set(unitdir /lib/systemd/system)
    endif()
    install(FILES ${service}/quillet-update-server.service DESTINATION ${unitdir}
            COMPONENT server)
    install(FILES ${service}/quillet-update-server
            DESTINATION ${CMAKE_INSTALL_FULL_SYSCONFDIR}/default COMPONENT server)
    install(DIRECTORY DESTINATION ${CMAKE_INSTALL_FULL_LOCALSTATEDIR}/lib/quillet-update-server
            COMPONENT server)
    file(WRITE ${service}/conffiles
         "${CMAKE_INSTALL_FULL_SYSCONFDIR}/default/quillet-update-server\n")
    # The maintainer scripts keep systemd's view of the unit in step with the package.
    foreach(script postinst prerm postrm)
        configure_file(${quillet_data}/debian/quillet-update-server.${script} ${service}/${script}
                       COPYONLY)
        list(APPEND quillet_server_control ${service}/${script})
    endforeach()
endif()

# Two Debian packages: cpack -G DEB in the build folder (scripts/package.sh does it all).
# quillet holds the window and quillet-thumb; quillet-update-server the network server.
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL desktop dask)
if(TARGET quillet-update-server)
    list(APPEND CPACK_COMPONENTS_ALL server)
endif()
set(CPACK_PACKAGE_NAME quillet)
set(CPACK_PACKAGE_VENDOR "The Quillet developers")
set(CPACK_PACKAGE_CONTACT "The Quillet developers <quillet@users.noreply.github.com>")
set(CPACK_PACKAGE_HOMEPAGE_URL https://github.com/quillet/quillet)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Dependencies from the shared libraries the programs link (dpkg-shlibdeps, in dpkg-dev).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Debian's directories are 0755 and its files 0644 whatever the umask of the build.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_DEBIAN_DESKTOP_PACKAGE_NAME ${QUILLET_DEB_DESKTOP})
set(CPACK_DEBIAN_DESKTOP_PACKAGE_SECTION graphics)
# The windows are laid out for Liberation Sans; qt6-wayland lets them open on Wayland. The
# photo libraries (readers and writers, lcms2 too) come from dpkg-shlibdeps; libde265-0 is named because HEIC photos need
# libheif's HEVC decoder, whatever libheif1 itself is built to depend on.
set(CPACK_DEBIAN_DESKTOP_PACKAGE_DEPENDS "libheif1, libde265-0")
if(QUILLET_GUI)
    string(APPEND CPACK_DEBIAN_DESKTOP_PACKAGE_DEPENDS ", fonts-liberation, qt6-wayland")
    set(CPACK_DEBIAN_DESKTOP_PACKAGE_SUGGESTS "python3-nautilus")
endif()
string(JOIN "\n" CPACK_DEBIAN_DESKTOP_DESCRIPTION
       "batch photo thumbnail maker"
       "Quillet turns a batch of photos (JPEG, HEIC/HEIF, AVIF, WebP, PNG, TIFF)"
       "into JPEG, WebP, AVIF or PNG thumbnails, with transparent padding and sRGB"
       "colours on request: a window to"
       "gather the photos and choose the size, aspect, fill colour and names, and"
       "quillet-thumb, the same engine from a shell, for large collections spread"
       "over cores and machines.")

set(CPACK_DEBIAN_SERVER_PACKAGE_NAME ${QUILLET_DEB_SERVER})
set(CPACK_DEBIAN_SERVER_PACKAGE_SECTION net)
set(CPACK_DEBIAN_SERVER_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/debian/server/conffiles
                                             ${quillet_server_control})
string(JOIN "\n" CPACK_DEBIAN_SERVER_DESCRIPTION
       "update server for Quillet"
       "quillet-update-server answers the update requests of Quillet's About"
       "window: the newest build number, and the installer to download. A systemd"
       "service, not enabled at installation, runs it as a user of its own on a"
       "read-only system.")
set(CPACK_DEBIAN_DASK_PACKAGE_NAME ${QUILLET_DEB_DASK})
set(CPACK_DEBIAN_DASK_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_DASK_PACKAGE_ARCHITECTURE all)
set(CPACK_DEBIAN_DASK_PACKAGE_DEPENDS
    "python3:any, python3-distributed, ${QUILLET_DEB_DESKTOP} (= ${PROJECT_VERSION})")
string(JOIN "\n" CPACK_DEBIAN_DASK_DESCRIPTION
       "Quillet's thumbnails on a Dask cluster"
       "quillet-dask plans a batch as quillet-thumb would, cuts it into shards and"
       "runs quillet-thumb on the workers of an existing Dask cluster, gathering"
       "one report. A lost worker's shard runs again elsewhere.")
include(CPack)
