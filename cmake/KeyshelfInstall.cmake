# The per-user install, run by `cmake --install` (the root CMakeLists.txt sets the keyshelf_* variables
# and includes this). Every file and link already in the destination may have been put there by someone
# else, so:
# - every folder a file goes into is resolved, links included, and the whole install is refused before
#   anything is written when one of them lies outside the home folder;
# - no file is written in place: each is copied beside its destination and renamed over it, which
#   replaces a link (or a hard link) there instead of writing into the file it leads to;
# - bin/keyshelf and bin/keyshelf-cli are replaced only when they are Keyshelf's own links; a file or link
#   of the user's stays.
cmake_minimum_required(VERSION 3.25)

# The path with every link resolved, also where its end does not exist yet (the missing part is kept as
# it is) and where a link leads to nothing (its target is followed, so what mkdir would create is known).
function(keyshelf_resolve path out)
    cmake_path(SET path NORMALIZE "${path}")
    string(REGEX REPLACE "(.)/$" "\\1" path "${path}")
    set(tail "")
    set(hops 0)
    while(IS_ABSOLUTE "${path}" AND NOT EXISTS "${path}")
        if(IS_SYMLINK "${path}")
            math(EXPR hops "${hops} + 1")
            if(hops GREATER 40)
                set(${out} "" PARENT_SCOPE)
                return()
            endif()
            file(READ_SYMLINK "${path}" target)
            cmake_path(GET path PARENT_PATH parent)
            cmake_path(ABSOLUTE_PATH target BASE_DIRECTORY "${parent}" NORMALIZE OUTPUT_VARIABLE path)
            string(REGEX REPLACE "(.)/$" "\\1" path "${path}")
            continue()
        endif()
        cmake_path(GET path FILENAME name)
        cmake_path(GET path PARENT_PATH path)
        set(tail "/${name}${tail}")
    endwhile()
    file(REAL_PATH "${path}" path)
    set(${out} "${path}${tail}" PARENT_SCOPE)
endfunction()

# DESTDIR counts: the final folder is what must lie inside $HOME.
set(keyshelf_dest "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
set(keyshelf_folder "${keyshelf_dest}/${keyshelf_install_dir}")
set(keyshelf_link "${keyshelf_dest}/${keyshelf_bindir}/keyshelf")
set(keyshelf_cli_link "${keyshelf_dest}/${keyshelf_bindir}/keyshelf-cli")
set(keyshelf_desktop "${keyshelf_dest}/${keyshelf_datadir}/applications/keyshelf.desktop")

# What goes where: pairs of source and destination (the launcher link and the desktop entry are made here).
set(keyshelf_files "${keyshelf_program}" "${keyshelf_folder}/keyshelf" "${keyshelf_help}" "${keyshelf_folder}/Help.rtf"
    "${keyshelf_manual}" "${keyshelf_dest}/${keyshelf_mandir}/man1/keyshelf.1"
    "${keyshelf_cli}" "${keyshelf_folder}/keyshelf-cli"
    "${keyshelf_cli_manual}" "${keyshelf_dest}/${keyshelf_mandir}/man1/keyshelf-cli.1"
    # Where bash-completion looks for a user's own completions: XDG_DATA_HOME/bash-completion/completions.
    "${keyshelf_cli_completion}" "${keyshelf_dest}/${keyshelf_datadir}/bash-completion/completions/keyshelf-cli")
if(NOT "${keyshelf_band}" STREQUAL "")
    list(APPEND keyshelf_files "${keyshelf_band}" "${keyshelf_folder}/keyshelf-band")
endif()
foreach(icon IN LISTS keyshelf_icons)
    string(REGEX REPLACE ".*AAA-([0-9]+)\\.png$" "\\1" size "${icon}")
    list(APPEND keyshelf_files "${icon}"
        "${keyshelf_dest}/${keyshelf_datadir}/icons/hicolor/${size}x${size}/apps/keyshelf.png")
endforeach()

# Before anything is written: the prefix and every destination folder, resolved, inside the home folder,
# and no folder where a file goes (but the launchers in bin/, left alone below whatever they are).
keyshelf_resolve("$ENV{HOME}" keyshelf_home_real)
set(keyshelf_targets "${keyshelf_link}" "${keyshelf_cli_link}" "${keyshelf_desktop}")
set(index 1)
list(LENGTH keyshelf_files count)
while(index LESS count)
    list(GET keyshelf_files ${index} target)
    list(APPEND keyshelf_targets "${target}")
    math(EXPR index "${index} + 2")
endwhile()
set(keyshelf_outside "")
foreach(path IN LISTS keyshelf_targets ITEMS "${keyshelf_dest}/")
    cmake_path(GET path PARENT_PATH folder)
    keyshelf_resolve("${folder}" real)
    set(inside OFF)
    if(IS_ABSOLUTE "$ENV{HOME}" AND IS_ABSOLUTE "${keyshelf_dest}" AND IS_ABSOLUTE "${real}"
            AND NOT keyshelf_home_real STREQUAL "/")
        cmake_path(IS_PREFIX keyshelf_home_real "${real}" NORMALIZE inside)
    endif()
    if(NOT inside)
        set(keyshelf_outside "${folder}")
        if(NOT real STREQUAL folder)
            string(APPEND keyshelf_outside " (which leads to ${real})")
        endif()
        break()
    endif()
    if(IS_DIRECTORY "${path}" AND NOT path STREQUAL "${keyshelf_dest}/" AND NOT path STREQUAL keyshelf_link
            AND NOT path STREQUAL keyshelf_cli_link)
        message(FATAL_ERROR "${path} is a folder, where Keyshelf installs a file. Nothing was installed; "
            "move that folder away and install again.")
    endif()
endforeach()
if(NOT keyshelf_outside STREQUAL "")
    message(FATAL_ERROR "Keyshelf keeps your vault beside the program, so it installs per user, inside "
        "your home folder ($ENV{HOME}), not in ${keyshelf_outside}. Nothing was installed. Install with:\n"
        "  cmake --install build --prefix ~/.local")
endif()

# Every file the install copies must be there before anything is written: a build that made only part
# of them (say, the program without keyshelf-cli) installs nothing, rather than half of Keyshelf.
set(keyshelf_unbuilt "")
set(index 0)
while(index LESS count)
    list(GET keyshelf_files ${index} source)
    if(NOT EXISTS "${source}" OR IS_DIRECTORY "${source}")
        list(APPEND keyshelf_unbuilt "${source}")
    endif()
    math(EXPR index "${index} + 2")
endwhile()
if(NOT keyshelf_unbuilt STREQUAL "")
    list(JOIN keyshelf_unbuilt "\n  " keyshelf_unbuilt)
    message(FATAL_ERROR "These files of Keyshelf are missing, so nothing was installed:\n  ${keyshelf_unbuilt}\n"
        "Build all of Keyshelf first (cmake --build build), then install again.")
endif()

# The record the uninstall reads, written before the first file: should the install stop halfway (a full
# disk, a file it may not replace), the uninstall still finds and removes whatever it put down. A
# finished install writes the record again with what it did install.
set(keyshelf_planned "${keyshelf_targets}")
list(TRANSFORM keyshelf_planned APPEND "\n")
list(JOIN keyshelf_planned "" keyshelf_planned)
if(NOT "${keyshelf_manifest}" STREQUAL "")
    file(WRITE "${keyshelf_manifest}" "${keyshelf_planned}")
endif()

# Each file is first put beside its destination as a new file, all of them before any is renamed into
# place: a copy that fails leaves the installed Keyshelf as it was, and the staged files are removed by
# the next install. No file is written in place.
set(keyshelf_staged "")
function(keyshelf_stage destination mode)
    cmake_parse_arguments(PARSE_ARGV 2 arg "" "SOURCE;TEXT" "")
    cmake_path(GET destination PARENT_PATH folder)
    cmake_path(GET destination FILENAME name)
    set(new "${folder}/.${name}.keyshelf-new")
    file(MAKE_DIRECTORY "${folder}")
    file(REMOVE "${new}") # removes a link itself, never what it leads to
    if(IS_SYMLINK "${new}" OR EXISTS "${new}")
        message(FATAL_ERROR "Could not remove ${new}, in the way of installing ${destination}.")
    endif()
    if(DEFINED arg_SOURCE)
        file(COPY_FILE "${arg_SOURCE}" "${new}")
    else()
        file(WRITE "${new}" "${arg_TEXT}")
    endif()
    if(mode STREQUAL "program")
        file(RPATH_REMOVE FILE "${new}") # as an install(TARGETS) with no install RPATH: no build folder
        # The installed programs carry no debug information; the build folder's copies keep it.
        if(NOT "${keyshelf_strip}" STREQUAL "")
            execute_process(COMMAND "${keyshelf_strip}" --strip-all "${new}" RESULT_VARIABLE failed
                ERROR_VARIABLE why)
            if(failed)
                file(REMOVE "${new}")
                message(FATAL_ERROR "Could not strip ${new}: ${why}")
            endif()
        endif()
        file(CHMOD "${new}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
            WORLD_READ WORLD_EXECUTE)
    else()
        file(CHMOD "${new}" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
    endif()
    set(keyshelf_staged ${keyshelf_staged} "${destination}" PARENT_SCOPE)
endfunction()

# The vault's folder: only its owner may enter it, on every install.
file(MAKE_DIRECTORY "${keyshelf_folder}")
file(CHMOD "${keyshelf_folder}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)

set(index 0)
while(index LESS count)
    list(GET keyshelf_files ${index} source)
    math(EXPR index "${index} + 1")
    list(GET keyshelf_files ${index} target)
    math(EXPR index "${index} + 1")
    set(mode file)
    if(source STREQUAL keyshelf_program OR source STREQUAL keyshelf_cli OR source STREQUAL keyshelf_band)
        set(mode program)
    endif()
    keyshelf_stage("${target}" ${mode} SOURCE "${source}")
endwhile()

# The desktop entry names the prefix the install was given (cmake --install --prefix). Exec holds the
# program's absolute path, quoted when it has more than plain characters; the desktop entry format then
# doubles every backslash, and % is doubled for Exec's field codes.
set(exec "${CMAKE_INSTALL_PREFIX}/${keyshelf_install_dir}/keyshelf")
if(exec MATCHES "[^A-Za-z0-9/._+-]")
    string(REGEX REPLACE "([\"`$\\])" "\\\\\\1" exec "${exec}")
    set(exec "\"${exec}\"")
endif()
string(REPLACE "\\" "\\\\" exec "${exec}")
string(REPLACE "%" "%%" exec "${exec}")
string(CONCAT entry "[Desktop Entry]\nType=Application\nName=${keyshelf_product}\n"
    "Comment=Keep your logins and passwords in one list\nExec=${exec}\nIcon=keyshelf\n"
    "Terminal=false\nCategories=Utility;Security;\n")
keyshelf_stage("${keyshelf_desktop}" file TEXT "${entry}")

# Everything is staged: each new file takes its place by a rename, which replaces a link (or a hard link)
# there instead of writing into the file it leads to.
foreach(destination IN LISTS keyshelf_staged)
    cmake_path(GET destination PARENT_PATH folder)
    cmake_path(GET destination FILENAME name)
    message(STATUS "Installing: ${destination}")
    file(RENAME "${folder}/.${name}.keyshelf-new" "${destination}")
    list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${destination}")
endforeach()

# The launchers: each replaced only when it is Keyshelf's own link (or missing), since a bin/keyshelf or
# bin/keyshelf-cli of the user's own, a script or a link to another program, is theirs to keep.
function(keyshelf_launcher link link_target program)
    set(ours OFF)
    if(IS_SYMLINK "${link}")
        file(READ_SYMLINK "${link}" target)
        if(target STREQUAL link_target)
            set(ours ON)
        endif()
    elseif(NOT EXISTS "${link}")
        set(ours ON)
    endif()
    cmake_path(GET link FILENAME name)
    if(ours)
        message(STATUS "Installing: ${link} -> ${link_target}")
        cmake_path(GET link PARENT_PATH folder)
        file(MAKE_DIRECTORY "${folder}")
        set(new "${folder}/.${name}.keyshelf-new")
        file(REMOVE "${new}")
        file(CREATE_LINK "${link_target}" "${new}" SYMBOLIC)
        file(RENAME "${new}" "${link}")
        set(CMAKE_INSTALL_MANIFEST_FILES ${CMAKE_INSTALL_MANIFEST_FILES} "${link}" PARENT_SCOPE)
    else()
        message("Keyshelf left ${link} as it is: it is not Keyshelf's link (it is yours, or another "
            "program's). Start it with ${CMAKE_INSTALL_PREFIX}/${keyshelf_install_dir}/${program}, or "
            "move ${link} away and install again to start it by the name ${name}.")
    endif()
endfunction()
cmake_path(GET keyshelf_link_target PARENT_PATH keyshelf_link_folder)
keyshelf_launcher("${keyshelf_link}" "${keyshelf_link_target}" keyshelf)
keyshelf_launcher("${keyshelf_cli_link}" "${keyshelf_link_folder}/keyshelf-cli" keyshelf-cli)
