# The four version numbers of the build, stamped into every executable that calls
# quillet_stamp_version() so the program can read its own version record at run time.
set(QUILLET_VERSION_MAJOR ${PROJECT_VERSION_MAJOR})
set(QUILLET_VERSION_MINOR ${PROJECT_VERSION_MINOR})
set(QUILLET_VERSION_RELEASE ${PROJECT_VERSION_PATCH})
set(QUILLET_VERSION_BUILD ${PROJECT_VERSION_TWEAK})

function(quillet_stamp_version target)
    target_compile_definitions(${target} PRIVATE
        QUILLET_VERSION_STRING="${PROJECT_VERSION}")
endfunction()
