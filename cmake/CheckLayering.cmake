# Reads every #include under src/ and fails when one points where the layering does not allow:
#
#   cmake -DSOURCE_DIR=<src> [-DWIDGETS_HEADERS_DIR=<QtWidgets include folder>]
#         -P cmake/CheckLayering.cmake
#
# Each break is printed as "file:line: includes X: rule". Only includes of the project's own
# folders are checked against the folder rules; Qt Widgets headers are checked everywhere.

cmake_minimum_required(VERSION 3.25)

# The folder of the including file, then the folders it may include besides its own. "x/*" is
# any folder below x. A file takes the row of the longest folder that holds it; the layers run
# app -> movie, interface, graphics -> support -> platform, and the platform stand-ins among
# themselves as their libraries depend on each other.
set(layering_rules
    "platform/system:"
    "platform/foundation:"
    "platform/corefoundation:         platform/system"
    "platform/security:               platform/corefoundation platform/system"
    "platform/coregraphics:           platform/corefoundation platform/system"
    "platform/appkitcore:             platform/coregraphics platform/corefoundation
                                      platform/foundation platform/system"
    "platform/appkit:                 platform/appkitcore platform/coregraphics
                                      platform/corefoundation platform/foundation
                                      platform/system"
    "platform/qtkit:                  platform/appkitcore platform/foundation
                                      platform/corefoundation platform/system"
    "platform/quartzcomposer:         platform/appkitcore platform/coregraphics
                                      platform/corefoundation platform/foundation
                                      platform/system"
    # The headless core: no platform/appkit.
    "support:                         platform/corefoundation platform/foundation
                                      platform/security platform/system"
    "graphics:                        support platform/coregraphics platform/corefoundation
                                      platform/system"
    "movie/QTKitMovieRecorder:        support platform/qtkit platform/appkitcore
                                      platform/foundation platform/corefoundation
                                      platform/system"
    "interface/CocoaFoundation:       support platform/foundation platform/corefoundation
                                      platform/system"
    "interface/USecuritySandbox:      interface/CocoaFoundation support platform/foundation
                                      platform/corefoundation platform/security platform/system"
    # Window code.
    "interface/USecuritySandboxControllers: interface/USecuritySandbox interface/CocoaFoundation
                                      support platform/*"
    "interface/UILocalization:        interface/CocoaFoundation support platform/*"
    "interface/UICocoaViews:          graphics support platform/*"
    "interface/UICocoaControls:       interface/UICocoaViews graphics support platform/*"
    # The application: the render job below its two front ends, the command line and the
    # window, and the two programs' start-up above all of it. The job and the command line are
    # headless: no window code, no platform/appkit.
    "app/job:                         movie/* interface/USecuritySandbox interface/CocoaFoundation
                                      graphics support platform/appkitcore platform/coregraphics
                                      platform/corefoundation platform/foundation platform/qtkit
                                      platform/quartzcomposer platform/security platform/system"
    "app/cli:                         app/job movie/* interface/USecuritySandbox
                                      interface/CocoaFoundation graphics support
                                      platform/appkitcore platform/coregraphics
                                      platform/corefoundation platform/foundation platform/qtkit
                                      platform/quartzcomposer platform/security platform/system"
    # The live preview: the job's composition and sound, played without window code.
    "app/preview:                     app/job movie/* interface/USecuritySandbox
                                      interface/CocoaFoundation graphics support
                                      platform/appkitcore platform/coregraphics
                                      platform/corefoundation platform/foundation platform/qtkit
                                      platform/quartzcomposer platform/security platform/system"
    "app/window:                      app/job app/preview movie/* interface/* graphics support platform/*"
    "app/main:                        app/* movie/* interface/* graphics support platform/*")

set(layering_widget_folders platform/appkit app/window app/main)

# The top folders under src/: an include that starts with one of them is the project's own.
set(layering_top_folders app movie interface graphics support platform)

# Qt Widgets class headers by name: those of the installed module, else the ones most used.
if(WIDGETS_HEADERS_DIR AND IS_DIRECTORY "${WIDGETS_HEADERS_DIR}")
    file(GLOB widget_headers RELATIVE "${WIDGETS_HEADERS_DIR}" "${WIDGETS_HEADERS_DIR}/Q*")
    list(FILTER widget_headers EXCLUDE REGEX "\\.h$")
else()
    set(widget_headers QApplication QWidget QMessageBox QDialog QMainWindow QLabel QPushButton
                       QAbstractButton QLineEdit QFileDialog QMenu QMenuBar QComboBox
                       QProgressBar QCheckBox QStyle)
endif()
list(APPEND widget_headers QtWidgets)

# Parses the table into rule_<folder> (the allowed folders) and the list rule_folders.
set(rule_folders "")
foreach(row IN LISTS layering_rules)
    string(REGEX REPLACE "[ \t\n]+" " " row "${row}")
    string(REGEX MATCH "^([^:]+):(.*)$" matched "${row}")
    set(folder "${CMAKE_MATCH_1}")
    string(STRIP "${CMAKE_MATCH_2}" allowed)
    separate_arguments(allowed UNIX_COMMAND "${allowed}")
    list(APPEND rule_folders "${folder}")
    set("rule_${folder}" ${allowed})
endforeach()

# The row of a file's folder: the longest folder of the table that holds it, or "" when none.
function(layering_row_of directory out)
    set(best "")
    foreach(folder IN LISTS rule_folders)
        if(directory STREQUAL folder OR directory MATCHES "^${folder}/")
            string(LENGTH "${folder}" length)
            string(LENGTH "${best}" best_length)
            if(length GREATER best_length)
                set(best "${folder}")
            endif()
        endif()
    endforeach()
    set(${out} "${best}" PARENT_SCOPE)
endfunction()

# Whether `row` may include a header of `target` (a folder).
function(layering_allows row target out)
    set(allowed FALSE)
    if(target STREQUAL row OR target MATCHES "^${row}/")
        set(allowed TRUE)
    endif()
    foreach(folder IN LISTS rule_${row})
        if(folder MATCHES "^(.*)/\\*$")
            if(target MATCHES "^${CMAKE_MATCH_1}/")
                set(allowed TRUE)
            endif()
        elseif(target STREQUAL folder)
            set(allowed TRUE)
        endif()
    endforeach()
    set(${out} ${allowed} PARENT_SCOPE)
endfunction()

if(NOT SOURCE_DIR OR NOT IS_DIRECTORY "${SOURCE_DIR}")
    message(FATAL_ERROR "CheckLayering: SOURCE_DIR must name the src folder")
endif()
file(GLOB_RECURSE sources RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/*.cpp" "${SOURCE_DIR}/*.h")
list(SORT sources)

get_filename_component(source_root "${SOURCE_DIR}" NAME)
list(JOIN layering_widget_folders ", " widget_folders_text)
set(breaks 0)
set(checked 0)
foreach(source IN LISTS sources)
    get_filename_component(directory "${source}" DIRECTORY)
    layering_row_of("${directory}" row)
    set(widgets_allowed FALSE)
    foreach(folder IN LISTS layering_widget_folders)
        if(row STREQUAL folder)
            set(widgets_allowed TRUE)
        endif()
    endforeach()

    file(READ "${SOURCE_DIR}/${source}" text)
    set(line 1)
    while(TRUE)
        string(REGEX MATCH "(^|\n)[ \t]*#[ \t]*include[ \t]*([<\"])([^>\"\n]+)[>\"]" found
               "${text}")
        if(NOT found)
            break()
        endif()
        set(bracket "${CMAKE_MATCH_2}")
        set(header "${CMAKE_MATCH_3}")
        # The line of the include: the lines before it plus one.
        string(FIND "${text}" "${found}" position)
        string(SUBSTRING "${text}" 0 ${position} before)
        string(REGEX REPLACE "[^\n]" "" newlines "${before}${CMAKE_MATCH_1}")
        string(LENGTH "${newlines}" count)
        math(EXPR line "${line} + ${count}")
        string(LENGTH "${found}" found_length)
        math(EXPR rest "${position} + ${found_length}")
        string(SUBSTRING "${text}" ${rest} -1 text)
        math(EXPR checked "${checked} + 1")

        set(rule "")
        if(bracket STREQUAL "<")
            string(REGEX REPLACE "^QtWidgets/" "" name "${header}")
            list(FIND widget_headers "${name}" widget_index)
            if((widget_index GREATER_EQUAL 0 OR header MATCHES "^QtWidgets/")
               AND NOT widgets_allowed)
                set(rule "Qt Widgets only in ${widget_folders_text}")
            endif()
        else()
            string(REGEX MATCH "^[^/]+" top "${header}")
            list(FIND layering_top_folders "${top}" top_index)
            if(top_index GREATER_EQUAL 0)
                get_filename_component(target "${header}" DIRECTORY)
                if(row STREQUAL "")
                    set(rule "${directory} has no row in the layering table")
                else()
                    layering_allows("${row}" "${target}" allowed)
                    if(NOT allowed)
                        list(JOIN rule_${row} ", " allowed_text)
                        set(rule "${row} may include only its own folder and: ${allowed_text}")
                    endif()
                endif()
            endif()
        endif()
        if(rule)
            message("${source_root}/${source}:${line}: includes ${header}: ${rule}")
            math(EXPR breaks "${breaks} + 1")
        endif()
    endwhile()
endforeach()

if(breaks GREATER 0)
    message(FATAL_ERROR "${breaks} of ${checked} includes break the layering")
endif()
message("Layering: the ${checked} includes under ${SOURCE_DIR} keep to the layers")
