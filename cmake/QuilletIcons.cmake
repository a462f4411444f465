# The application icon in the bitmap sizes menus, panels and window frames ask for, drawn
# from the one SVG when CMake runs (again whenever the SVG changes). The install rules and
# the copy built into the program (the window's icon where no icon theme holds it) use the
# same files, in ${QUILLET_ICON_DIR}/<size>x<size>/.
set(QUILLET_APP_ID io.github.quillet.Quillet)
set(QUILLET_ICON_SVG ${PROJECT_SOURCE_DIR}/data/${QUILLET_APP_ID}.svg)
set(QUILLET_ICON_DIR ${PROJECT_BINARY_DIR}/icons)
set(QUILLET_ICON_SIZES 16 22 24 32 48 64 128 256)

find_program(QUILLET_RSVG_CONVERT rsvg-convert REQUIRED)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${QUILLET_ICON_SVG})
foreach(size IN LISTS QUILLET_ICON_SIZES)
    set(png ${QUILLET_ICON_DIR}/${size}x${size}/${QUILLET_APP_ID}.png)
    if(NOT EXISTS ${png} OR ${QUILLET_ICON_SVG} IS_NEWER_THAN ${png})
        file(MAKE_DIRECTORY ${QUILLET_ICON_DIR}/${size}x${size})
        execute_process(COMMAND ${QUILLET_RSVG_CONVERT} -w ${size} -h ${size} -o ${png}
                                ${QUILLET_ICON_SVG} COMMAND_ERROR_IS_FATAL ANY)
    endif()
endforeach()
