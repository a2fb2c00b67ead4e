# Fails when one of the program's libraries links a library of its own layer or above.
#
#   cmake -DSOURCE=<source dir> -DSCRATCH=<empty folder> -P CheckLayers.cmake
#
# The link graph comes from CMake itself (--graphviz) for a configuration of the whole program, so what
# is checked is what the linker is given, not what a file claims.
cmake_minimum_required(VERSION 3.25)

# From the bottom up. A library may link only libraries of a lower layer; the windows therefore never
# link each other, and nothing below the program's start-up links a window.
set(layer_0 keyshelf_cp1252 keyshelf_layouts)
set(layer_1 keyshelf_vault keyshelf_rtf)
set(layer_2 keyshelf_system keyshelf_session)
set(layer_3 keyshelf_platform keyshelf_screen_lock)
# The band's renderer, a program the skin layer starts and is built with; it links none of Keyshelf's own
# libraries.
set(layer_4 keyshelf-band)
set(layer_5 keyshelf_skin)
set(layer_6 keyshelf_ui_main keyshelf_ui_password keyshelf_ui_editor keyshelf_ui_help keyshelf_ui_about keyshelf_ui_import
    keyshelf_ui_splash keyshelf_ui_website keyshelf_ui_vault)
set(layer_7 keyshelf_app keyshelf_command_line)
set(layer_8 keyshelf keyshelf-cli)
set(top 8)
set(core_only keyshelf_vault keyshelf_system keyshelf_session)
# Programs that link nothing of Qt, however indirectly: the command-line companion starts as fast as a
# plain program because no Qt library is loaded with it.
set(qt_free keyshelf-cli)

foreach(n RANGE ${top})
    foreach(library IN LISTS layer_${n})
        set(layer_of_${library} ${n})
    endforeach()
endforeach()

if(NOT SOURCE OR NOT SCRATCH)
    message(FATAL_ERROR "usage: cmake -DSOURCE=<dir> -DSCRATCH=<dir> -P CheckLayers.cmake")
endif()
file(REMOVE_RECURSE ${SCRATCH})
file(MAKE_DIRECTORY ${SCRATCH})
execute_process(
    COMMAND ${CMAKE_COMMAND} -S ${SOURCE} -B ${SCRATCH}/build -G Ninja --graphviz=${SCRATCH}/links.dot
        -DKEYSHELF_TESTS=OFF -DKEYSHELF_BENCH=OFF -DKEYSHELF_BANNER=ON
    RESULT_VARIABLE configured OUTPUT_QUIET ERROR_VARIABLE configure_errors)
if(NOT configured EQUAL 0)
    message(FATAL_ERROR "the program could not be configured:\n${configure_errors}")
endif()

file(STRINGS ${SCRATCH}/links.dot lines)
set(failures "")
set(seen "")
foreach(line IN LISTS lines)
    if(line MATCHES "^[ \t]*\"(node[0-9]+)\" \\[ label = \"([^\"]+)\"")
        set(name_of_${CMAKE_MATCH_1} ${CMAKE_MATCH_2})
    elseif(line MATCHES "^[ \t]*\"(node[0-9]+)\" -> \"(node[0-9]+)\"")
        set(from ${name_of_${CMAKE_MATCH_1}})
        set(to ${name_of_${CMAKE_MATCH_2}})
        list(APPEND links_of_${from} ${to})
        # Qt's rcc makes an object library of each resource for the library that embeds it: part of it.
        # The vault's session is Qt Core at most: whatever uses it needs no window system.
        if(from IN_LIST core_only AND to MATCHES "^Qt6::(Gui|Widgets|Network|Svg|WebEngine)")
            list(APPEND failures "${from} links ${to}: it may link Qt Core at most")
        endif()
        if(from MATCHES "^keyshelf" AND to MATCHES "^keyshelf" AND NOT to MATCHES "_resources_[0-9]+$")
            foreach(library ${from} ${to})
                if(NOT DEFINED layer_of_${library})
                    list(APPEND failures "${library} has no layer: add it to ${CMAKE_CURRENT_LIST_FILE}")
                endif()
            endforeach()
            if(DEFINED layer_of_${from} AND DEFINED layer_of_${to}
               AND NOT layer_of_${to} LESS layer_of_${from})
                list(APPEND failures
                     "${from} (layer ${layer_of_${from}}) links ${to} (layer ${layer_of_${to}})")
            endif()
            list(APPEND seen ${from})
        endif()
    endif()
endforeach()

# A check that saw no links would pass whatever the program did.
if(NOT "keyshelf_app" IN_LIST seen OR NOT "keyshelf_session" IN_LIST seen)
    message(FATAL_ERROR "the link graph lists none of the program's own libraries; the check saw nothing")
endif()
foreach(program IN LISTS qt_free)
    if(NOT DEFINED links_of_${program})
        list(APPEND failures "${program} links nothing: the check cannot see it")
    endif()
    set(reached ${links_of_${program}})
    set(index 0)
    list(LENGTH reached count)
    while(index LESS count)
        list(GET reached ${index} library)
        # AUTOMOC puts an edge to Qt's code generators on every target: tools run at build time, not linked.
        if(library MATCHES "Qt" AND NOT library MATCHES "^Qt6::(moc|rcc|uic)$")
            list(APPEND failures "${program} links ${library}, a Qt library")
        endif()
        foreach(next IN LISTS links_of_${library})
            if(NOT next IN_LIST reached)
                list(APPEND reached ${next})
            endif()
        endforeach()
        math(EXPR index "${index} + 1")
        list(LENGTH reached count)
    endwhile()
endforeach()
list(REMOVE_DUPLICATES failures)
if(failures)
    list(JOIN failures "\n  " text)
    message(FATAL_ERROR "libraries link upward or sideways:\n  ${text}")
endif()
message(STATUS "every library links only the layers below it")
