# The program's version and release date, set before any target is made:
#   LUMENREEL_FULL_VERSION  project(VERSION), followed in a git checkout by "+git<commits>.g<hash>"
#                           (commits since the tag v<version>, or since the first commit where
#                           that tag does not exist): 0.1.0+git267.g24f94ec. Debian orders such
#                           versions after 0.1.0 and, by the commit count, among themselves.
#   LUMENREEL_RELEASE_DATE  the date of the commit built (YYYY-MM-DD), or, outside a checkout,
#                           today's date (SOURCE_DATE_EPOCH is honoured), for the manual pages and
#                           the AppStream release; LUMENREEL_RELEASE_RFC2822 the same moment as
#                           the Debian changelog writes it.
# Both are computed when CMake configures the build; scripts/package configures afresh each time.

set(LUMENREEL_FULL_VERSION ${PROJECT_VERSION})
unset(LUMENREEL_RELEASE_DATE)

find_package(Git QUIET)
if(GIT_FOUND AND EXISTS ${CMAKE_SOURCE_DIR}/.git)
    execute_process(
        COMMAND ${GIT_EXECUTABLE} describe --tags --long --abbrev=7 --match v${PROJECT_VERSION}
        WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
        OUTPUT_VARIABLE described OUTPUT_STRIP_TRAILING_WHITESPACE
        RESULT_VARIABLE describe_status ERROR_QUIET)
    if(describe_status EQUAL 0 AND described MATCHES "-([0-9]+)-g([0-9a-f]+)$")
        set(commits ${CMAKE_MATCH_1})
        set(hash ${CMAKE_MATCH_2})
    else()
        execute_process(
            COMMAND ${GIT_EXECUTABLE} rev-list --count HEAD
            WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
            OUTPUT_VARIABLE commits OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
        execute_process(
            COMMAND ${GIT_EXECUTABLE} rev-parse --short=7 HEAD
            WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
            OUTPUT_VARIABLE hash OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    endif()
    # At the tag itself the version is the plain release.
    if(commits MATCHES "^[0-9]+$" AND hash MATCHES "^[0-9a-f]+$" AND NOT commits EQUAL 0)
        set(LUMENREEL_FULL_VERSION ${PROJECT_VERSION}+git${commits}.g${hash})
    endif()
    execute_process(
        COMMAND ${GIT_EXECUTABLE} log -1 --format=%cs%n%cD
        WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
        OUTPUT_VARIABLE dates OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    if(dates MATCHES "^([0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9])\n(.+)$")
        set(LUMENREEL_RELEASE_DATE ${CMAKE_MATCH_1})
        set(LUMENREEL_RELEASE_RFC2822 ${CMAKE_MATCH_2})
    endif()
endif()
if(NOT LUMENREEL_RELEASE_DATE)
    string(TIMESTAMP LUMENREEL_RELEASE_DATE "%Y-%m-%d" UTC)
    string(TIMESTAMP LUMENREEL_RELEASE_RFC2822 "%a, %d %b %Y %H:%M:%S +0000" UTC)
endif()
message(STATUS "Lumenreel ${LUMENREEL_FULL_VERSION} (${LUMENREEL_RELEASE_DATE})")
