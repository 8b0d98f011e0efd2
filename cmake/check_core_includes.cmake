# Fails when a file of a program's core folders includes a header that is not
# part of Qt Core (a widget, GUI, chart, SVG or printing header) or a header of
# the program's window folder. Run as a test:
#   cmake -DPROGRAM_DIR=... -DCORE_FOLDERS="a;b" -DQT_CORE_DIR=... -P this
foreach(var PROGRAM_DIR CORE_FOLDERS QT_CORE_DIR)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "check_core_includes: ${var} is not set")
    endif()
endforeach()

set(offences "")
foreach(folder IN LISTS CORE_FOLDERS)
    file(GLOB_RECURSE sources LIST_DIRECTORIES false
         "${PROGRAM_DIR}/${folder}/*.h" "${PROGRAM_DIR}/${folder}/*.cpp")
    if(NOT sources)
        string(APPEND offences "  ${folder}/: no sources (is the folder list current?)\n")
    endif()
    foreach(source IN LISTS sources)
        file(STRINGS "${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
        file(RELATIVE_PATH shown "${PROGRAM_DIR}" "${source}")
        foreach(line IN LISTS includes)
            string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]*)[>\"].*$" "\\1" header "${line}")
            if(header MATCHES "^Qt[A-Za-z]*/" OR header MATCHES "^Q[A-Z][A-Za-z]*$")
                string(REGEX REPLACE "^QtCore/" "" inCore "${header}")
                if(NOT EXISTS "${QT_CORE_DIR}/${inCore}")
                    string(APPEND offences "  ${shown}: <${header}> is not a Qt Core header\n")
                endif()
            elseif(header MATCHES "(^|/)ui/")
                string(APPEND offences "  ${shown}: \"${header}\" belongs to the window\n")
            endif()
        endforeach()
    endforeach()
endforeach()

if(offences)
    message(FATAL_ERROR "Core files that reach into widget code:\n${offences}")
endif()
