# Removes what the last `cmake --install` of this build put down, as listed in its install_manifest.txt,
# and the folders that leaves empty, up to the install prefix. The vault is the user's, not the
# install's: data.enc is never in the manifest (the program makes it), is skipped if it ever were, and
# its folder is removed only with rmdir, which leaves a folder that still holds anything.
#
# The launchers, bin/keyshelf and bin/keyshelf-cli, are removed only while each is still Keyshelf's own
# link: one the user has put in its place since is theirs.
#
#   cmake -DMANIFEST=<build>/install_manifest.txt -DPROGRAM_DIR=share/keyshelf -DBIN_DIR=bin
#       -DLINK_TARGET=../share/keyshelf/keyshelf -P Uninstall.cmake
cmake_minimum_required(VERSION 3.25)

if(NOT EXISTS "${MANIFEST}")
    message(FATAL_ERROR "Nothing to uninstall: ${MANIFEST} does not exist, so this build installed nothing "
        "(or its record is gone). Install with: cmake --install build --prefix ~/.local")
endif()
file(STRINGS "${MANIFEST}" files)

# The prefix is where the program was installed, read from the program's own line in the manifest.
set(prefix "")
foreach(path IN LISTS files)
    if(path MATCHES "^(.*)/${PROGRAM_DIR}/keyshelf$")
        set(prefix "${CMAKE_MATCH_1}")
    endif()
endforeach()
if(prefix STREQUAL "")
    message(FATAL_ERROR "${MANIFEST} names no installed program; nothing was removed.")
endif()
set(program_dir "${prefix}/${PROGRAM_DIR}")
# Each launcher and the link it must be: the program of its name, in the folder LINK_TARGET names.
cmake_path(GET LINK_TARGET PARENT_PATH link_folder)
set(launchers "${prefix}/${BIN_DIR}/keyshelf" "${prefix}/${BIN_DIR}/keyshelf-cli")

set(folders "")
foreach(path IN LISTS files)
    cmake_path(GET path FILENAME name)
    if(name STREQUAL "data.enc")
        continue()
    endif()
    set(ours ON)
    if(path IN_LIST launchers)
        set(target "")
        if(IS_SYMLINK "${path}")
            file(READ_SYMLINK "${path}" target)
        endif()
        if(NOT target STREQUAL "${link_folder}/${name}" AND (IS_SYMLINK "${path}" OR EXISTS "${path}"))
            set(ours OFF)
            message("Keyshelf left ${path} as it is: it is no longer Keyshelf's link.")
        endif()
    endif()
    if(ours AND (IS_SYMLINK "${path}" OR (EXISTS "${path}" AND NOT IS_DIRECTORY "${path}")))
        message(STATUS "Removing: ${path}")
        file(REMOVE "${path}")
    endif()
    cmake_path(GET path PARENT_PATH folder)
    # What an install that stopped halfway had staged beside it.
    set(staged "${folder}/.${name}.keyshelf-new")
    if(IS_SYMLINK "${staged}" OR (EXISTS "${staged}" AND NOT IS_DIRECTORY "${staged}"))
        message(STATUS "Removing: ${staged}")
        file(REMOVE "${staged}")
    endif()
    list(APPEND folders "${folder}")
endforeach()

# Deepest first, each folder and then its parents while they are empty, never the prefix or above it.
list(REMOVE_DUPLICATES folders)
list(SORT folders ORDER DESCENDING)
foreach(folder IN LISTS folders)
    while(IS_DIRECTORY "${folder}" AND NOT IS_SYMLINK "${folder}")
        cmake_path(IS_PREFIX prefix "${folder}" NORMALIZE inside)
        if(NOT inside OR folder STREQUAL prefix)
            break()
        endif()
        execute_process(COMMAND rmdir "${folder}" RESULT_VARIABLE kept OUTPUT_QUIET ERROR_QUIET)
        if(NOT kept EQUAL 0)
            break()
        endif()
        message(STATUS "Removing empty folder: ${folder}")
        cmake_path(GET folder PARENT_PATH folder)
    endwhile()
endforeach()

# Paths under the home folder are shown as ~/...
function(keyshelf_shown path out)
    set(shown "${path}")
    if(NOT "$ENV{HOME}" STREQUAL "" AND NOT "$ENV{HOME}" STREQUAL "/")
        string(REGEX REPLACE "/$" "" home "$ENV{HOME}")
        string(FIND "${path}" "${home}/" at)
        if(at EQUAL 0)
            string(LENGTH "${home}" length)
            string(SUBSTRING "${path}" ${length} -1 rest)
            set(shown "~${rest}")
        endif()
    endif()
    set(${out} "${shown}" PARENT_SCOPE)
endfunction()

set(vault "${program_dir}/data.enc")
keyshelf_shown("${vault}" shown)
if(EXISTS "${vault}")
    set(said "Keyshelf is uninstalled. Your vault stays at ${shown}; delete it yourself when you no longer "
        "want it (it holds every password you kept).")
else()
    set(said "Keyshelf is uninstalled. There was no vault at ${shown}.")
endif()
# The settings are the user's too, where Qt keeps them: $XDG_CONFIG_HOME, else ~/.config.
set(config "$ENV{XDG_CONFIG_HOME}")
if(NOT IS_ABSOLUTE "${config}")
    set(config "$ENV{HOME}/.config")
endif()
set(settings "${config}/Keyshelf/Keyshelf.ini")
if(IS_ABSOLUTE "${settings}" AND (EXISTS "${settings}" OR IS_SYMLINK "${settings}"))
    keyshelf_shown("${settings}" shown_settings)
    list(APPEND said " Your settings stay in ${shown_settings}; delete it too to forget them.")
endif()
string(CONCAT said ${said})
message("${said}")
