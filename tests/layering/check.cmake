# How the source folders may include one another, checked over every file of src/:
#  - only the shell (src/app) includes the shell's headers (app/...);
#  - src/common includes nothing from any other folder;
#  - no subsystem folder includes another subsystem's window header (a header declaring
#    a window class).
# Run as: cmake -DSRC=<src folder> -P check.cmake
cmake_minimum_required(VERSION 3.25)
file(GLOB_RECURSE files RELATIVE ${SRC} ${SRC}/*.cpp ${SRC}/*.h)

set(window_headers "")
foreach(file ${files})
    if(file MATCHES "\\.h$" AND NOT file MATCHES "^(app|common)/")
        file(READ ${SRC}/${file} text)
        if(text MATCHES "public (FormWindow<|QMainWindow|QWidget|QDialog)")
            list(APPEND window_headers ${file})
        endif()
    endif()
endforeach()

set(faults "")
foreach(file ${files})
    string(REGEX MATCH "^[^/]+" folder ${file})
    file(STRINGS ${SRC}/${file} includes REGEX "^#include \"")
    foreach(line ${includes})
        string(REGEX REPLACE "^#include \"([^\"]+)\".*" "\\1" included "${line}")
        string(REGEX MATCH "^[^/]+/" prefix "${included}")
        string(REGEX REPLACE "/$" "" other "${prefix}")
        if(folder STREQUAL "common" AND NOT other STREQUAL "")
            list(APPEND faults "${file} includes ${included}: the shared helpers include nothing else")
        elseif(other STREQUAL "app" AND NOT folder STREQUAL "app")
            list(APPEND faults "${file} includes ${included}: only the shell includes the shell")
        elseif(NOT other STREQUAL "" AND NOT other STREQUAL folder AND NOT folder STREQUAL "app"
               AND included IN_LIST window_headers)
            list(APPEND faults "${file} includes ${included}: another subsystem's window")
        endif()
    endforeach()
endforeach()

if(faults)
    list(JOIN faults "\n  " text)
    message(FATAL_ERROR "Includes across the folders' bounds:\n  ${text}")
endif()
list(LENGTH files count)
list(LENGTH window_headers windows)
message(STATUS "${count} files checked, ${windows} window headers")
