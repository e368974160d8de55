# Installs the build into a fresh prefix and runs both programs from there: the command-line
# renderer makes a movie of an installed example, and the application finds its interface files,
# runs, takes a composition named on its command line (and refuses a file that is none), and
# saves its settings when it is ended.
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
             share/icons/hicolor/scalable/apps/lumenreel.svg share/lumenreel/play.pdf
             share/lumenreel/examples/Aurora.fs share/lumenreel/examples/demo-arpeggio.m4a
             share/man/man1/lumenreel.1.gz share/man/man1/lumenreel-render.1.gz
             share/metainfo/org.lumenreel.Lumenreel.metainfo.xml share/mime/packages/lumenreel.xml
             share/bash-completion/completions/lumenreel-render share/doc/lumenreel/copyright)
    if(NOT EXISTS ${prefix}/${path})
        message(FATAL_ERROR "not installed: ${path}")
    endif()
endforeach()

set(environment HOME=${WORK_DIR} XDG_CONFIG_HOME=${WORK_DIR}/config
    XDG_DATA_HOME=${WORK_DIR}/data QT_QPA_PLATFORM=offscreen)
file(MAKE_DIRECTORY ${WORK_DIR}/movies)
execute_process(
    COMMAND ${CMAKE_COMMAND} -E env ${environment} ${prefix}/bin/lumenreel-render --size 64x48
            --duration 0.2 --audio ${prefix}/share/lumenreel/examples/demo-arpeggio.m4a
            --output ${WORK_DIR}/movies ${prefix}/share/lumenreel/examples/Aurora.fs
    RESULT_VARIABLE status OUTPUT_VARIABLE printed ERROR_VARIABLE errors TIMEOUT 300)
if(NOT status EQUAL 0 OR NOT EXISTS ${WORK_DIR}/movies/Aurora.mov)
    message(FATAL_ERROR "the installed lumenreel-render failed (${status}): ${errors}")
endif()

# The application runs until it is sent SIGTERM, which it answers by saving its settings, the
# chosen composition among them.
set(settings ${WORK_DIR}/config/Lumenreel/lumenreel.ini)
function(run_application file)
    execute_process(
        COMMAND ${CMAKE_COMMAND} -E env ${environment} timeout -s TERM 5 ${prefix}/bin/lumenreel
                ${file}
        RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE errors TIMEOUT 120)
    if(NOT EXISTS ${settings})
        message(FATAL_ERROR "the installed lumenreel saved no settings (${status}): ${errors}")
    endif()
    file(READ ${settings} saved)
    set(saved "${saved}" PARENT_SCOPE)
endfunction()
set(examples ${prefix}/share/lumenreel/examples)
run_application(${examples}/Aurora.fs)
string(FIND "${saved}" "${examples}/Aurora.fs" found)
if(found EQUAL -1)
    message(FATAL_ERROR "lumenreel did not take the composition on its command line: ${saved}")
endif()
# A file that is no composition leaves the composition as it was.
run_application(${examples}/demo-arpeggio.m4a)
string(FIND "${saved}" "${examples}/Aurora.fs" found)
string(FIND "${saved}" "demo-arpeggio" refused)
if(found EQUAL -1 OR NOT refused EQUAL -1)
    message(FATAL_ERROR "lumenreel took a sound as the composition: ${saved}")
endif()
file(REMOVE_RECURSE ${WORK_DIR})
message(STATUS "installed tree: both programs ran from ${prefix}")
