# Installs the build into a fresh prefix and runs both programs from there: the command-line
# renderer makes a movie, and the application finds its interface files, runs, and saves its
# settings when it is ended.
#   cmake -DBUILD_DIR=... -DSOURCE_DIR=... -DWORK_DIR=... -P InstalledTree.cmake
file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix}
                RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${status}")
endif()
foreach(path bin/lumenreel bin/lumenreel-render share/lumenreel/interface/MainMenu.xml
             share/lumenreel/interface/Languages/de.plist share/applications/lumenreel.desktop
             share/icons/hicolor/scalable/apps/lumenreel.svg)
    if(NOT EXISTS ${prefix}/${path})
        message(FATAL_ERROR "not installed: ${path}")
    endif()
endforeach()

set(environment HOME=${WORK_DIR} XDG_CONFIG_HOME=${WORK_DIR}/config
    XDG_DATA_HOME=${WORK_DIR}/data QT_QPA_PLATFORM=offscreen)
file(MAKE_DIRECTORY ${WORK_DIR}/movies)
execute_process(
    COMMAND ${CMAKE_COMMAND} -E env ${environment} ${prefix}/bin/lumenreel-render --size 64x48
            --duration 0.2 --audio ${SOURCE_DIR}/resources/sounds/demo-arpeggio.m4a
            --output ${WORK_DIR}/movies ${SOURCE_DIR}/resources/compositions/Aurora.fs
    RESULT_VARIABLE status OUTPUT_VARIABLE printed ERROR_VARIABLE errors TIMEOUT 300)
if(NOT status EQUAL 0 OR NOT EXISTS ${WORK_DIR}/movies/Aurora.mov)
    message(FATAL_ERROR "the installed lumenreel-render failed (${status}): ${errors}")
endif()

# The application runs until it is sent SIGTERM, which it answers by saving its settings.
execute_process(
    COMMAND ${CMAKE_COMMAND} -E env ${environment} timeout -s TERM 5 ${prefix}/bin/lumenreel
    RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE errors TIMEOUT 120)
if(NOT EXISTS ${WORK_DIR}/config/Lumenreel/lumenreel.ini)
    message(FATAL_ERROR "the installed lumenreel saved no settings (${status}): ${errors}")
endif()
file(REMOVE_RECURSE ${WORK_DIR})
message(STATUS "installed tree: both programs ran from ${prefix}")
