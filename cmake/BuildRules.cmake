# The rules every target of the project is built by, applied in one place once all of them exist:
# - one set of warnings, for the program, its tests, benchmarks and fuzzers alike; KEYSHELF_WERROR makes
#   each of them an error (the test command builds so);
# - Qt's code generators (moc, rcc) only for the targets that link Qt themselves: the Qt-free libraries
#   and the command-line companion get no generator steps.
option(KEYSHELF_WERROR "Treat every compiler warning as an error" OFF)
set(KEYSHELF_WARNINGS -Wall -Wextra -Wpedantic)
if(KEYSHELF_WERROR)
    list(APPEND KEYSHELF_WARNINGS -Werror)
endif()

function(keyshelf_apply_build_rules dir)
    get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
    foreach(target IN LISTS targets)
        get_target_property(type ${target} TYPE)
        if(NOT type MATCHES "^(EXECUTABLE|STATIC_LIBRARY|SHARED_LIBRARY|MODULE_LIBRARY|OBJECT_LIBRARY)$")
            continue()
        endif()
        # Qt's own generated objects (resources) are Qt's code, not ours.
        if(NOT target MATCHES "_resources_[0-9]+$")
            target_compile_options(${target} PRIVATE ${KEYSHELF_WARNINGS})
        endif()
        get_target_property(links ${target} LINK_LIBRARIES)
        set(uses_qt OFF)
        if(links AND links MATCHES "Qt6::")
            set(uses_qt ON)
        endif()
        set_target_properties(${target} PROPERTIES AUTOMOC ${uses_qt} AUTORCC ${uses_qt})
    endforeach()
    get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
    foreach(subdir IN LISTS subdirs)
        keyshelf_apply_build_rules(${subdir})
    endforeach()
endfunction()
