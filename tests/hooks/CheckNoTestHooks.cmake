# Fails when a file of the program holds a test hook: a way for a test to reach in and change what the
# program does or to read back what it did. Tests hand the program doubles of what it is given instead
# (tests/support); the program holds nothing that exists only for them.
#
#   cmake -DSOURCE=<source dir> [-DFOLDERS=<folders, ;-separated>] -P CheckNoTestHooks.cmake
#
# Each finding names the file and the line.
cmake_minimum_required(VERSION 3.25)

if(NOT SOURCE)
    message(FATAL_ERROR "usage: cmake -DSOURCE=<dir> [-DFOLDERS=<folders>] -P CheckNoTestHooks.cmake")
endif()
# The folders that hold the program's code: every library (the windows' layouts among them), the program
# and the command-line companion.
if(NOT FOLDERS)
    set(FOLDERS app cli layouts platform session skin ui vault)
endif()

# What a hook looks like, as a whole word or as part of a longer name (recordedCalls, setForTest,
# kForceSkin). CMake's expressions know no word boundary, hence the character before.
set(edge "(^|[^A-Za-z0-9_])")
set(hooks
    "${edge}namespace[ \t]+testing([^A-Za-z0-9_]|$)"  # a namespace of test controls
    "${edge}testing::"                                 # reaching into one
    "[Ss]etFileOps([^A-Za-z0-9_]|$)"                   # swapping the system calls for everyone
    "[Ss]etReportedVersion"                            # making the platform report another system
    "Force[A-Z]|${edge}force[A-Z]"                     # forcing another build's switches
    "[Rr]ecord(ed|ing|er|ers)([^a-z]|$)"               # keeping what was done for a test to read back
    # A name saying a thing is there for tests, or is a hook: a lower-case "test" only where a name begins.
    "(For|(^|[^A-Za-z0-9])for)_?(Test|test)(s|ing)?([^a-z]|$)"
    "(Test|(^|[^A-Za-z0-9])test)_?(Only|only|Hooks?|hooks?)([^a-z]|$)"
    "^[ \t]*#[ \t]*(if|ifdef|ifndef|elif)[ \t].*(TEST|[Tt]esting)" # code built only for a test build
    "(//|/\\*|^[ \t]*\\*).*${edge}([Tt]ests|[Tt]esting|[Tt]ests? only)([^A-Za-z0-9_]|$)" # a comment saying so
)

set(files "")
foreach(folder IN LISTS FOLDERS)
    if(NOT IS_DIRECTORY ${SOURCE}/${folder})
        message(FATAL_ERROR "${SOURCE}/${folder} is no folder: the check would see nothing there")
    endif()
    file(GLOB_RECURSE found LIST_DIRECTORIES false ${SOURCE}/${folder}/*.h ${SOURCE}/${folder}/*.cpp
         ${SOURCE}/${folder}/*.h.in)
    list(APPEND files ${found})
endforeach()
if(NOT files)
    message(FATAL_ERROR "no source file found under ${SOURCE}: the check saw nothing")
endif()

set(findings "")
foreach(path IN LISTS files)
    # One list element a line: what CMake's lists treat specially (";" and square brackets) is set aside
    # until the report.
    file(READ ${path} content)
    string(REPLACE ";" "<semicolon>" content "${content}")
    string(REPLACE "[" "<open>" content "${content}")
    string(REPLACE "]" "<close>" content "${content}")
    string(REPLACE "\n" ";" lines "${content}")
    set(number 0)
    foreach(line IN LISTS lines)
        math(EXPR number "${number} + 1")
        foreach(hook IN LISTS hooks)
            if(line MATCHES "${hook}")
                file(RELATIVE_PATH shown ${SOURCE} ${path})
                string(STRIP "${line}" text)
                list(APPEND findings "${shown}:${number}: ${text}")
                break()
            endif()
        endforeach()
    endforeach()
endforeach()

list(LENGTH files count)
if(findings)
    list(JOIN findings "\n  " text)
    string(REPLACE "<semicolon>" ";" text "${text}")
    string(REPLACE "<open>" "[" text "${text}")
    string(REPLACE "<close>" "]" text "${text}")
    message(FATAL_ERROR "test hooks in the program's files:\n  ${text}")
endif()
message(STATUS "no test hook in ${count} files of the program")
