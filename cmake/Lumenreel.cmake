# Shared build settings, the warnings every target is built with and the two helpers every folder
# uses:
#   lumenreel_add_library(<name> [DEPS ...] [PRIVATE_DEPS ...])
#     a static library lumenreel_<name> (alias lumenreel::<name>) from the folder's *.cpp and *.h
#   lumenreel_add_test(<name> SOURCES ... [DEPS ...] [ENVIRONMENT ...] [TIMEOUT seconds])
#     a GoogleTest executable whose tests CTest discovers (each with a deadline of 300 s unless
#     TIMEOUT gives another)

# The project's warnings, on every target of the build (lumenreel_link_warnings below). They are
# errors through CMAKE_COMPILE_WARNING_AS_ERROR, ON unless the cache says otherwise
# (`cmake --compile-no-warning-as-error` also turns them back into warnings for one build).
add_library(lumenreel_warnings INTERFACE)
add_library(lumenreel::warnings ALIAS lumenreel_warnings)
target_compile_options(lumenreel_warnings INTERFACE -Wall -Wextra -Wshadow -Wnon-virtual-dtor)
if(NOT DEFINED CMAKE_COMPILE_WARNING_AS_ERROR)
    set(CMAKE_COMPILE_WARNING_AS_ERROR ON)
endif()

if(LUMENREEL_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                        -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

# Source file names compiled into the programs (the checks' __FILE__) are relative to the source
# and build folders in a package build. The build folder may lie inside the source folder, so its
# map is given last: GCC and Clang apply the last matching one.
if(LUMENREEL_PACKAGE)
    add_compile_options(-ffile-prefix-map=${CMAKE_SOURCE_DIR}/=
                        -ffile-prefix-map=${CMAKE_BINARY_DIR}/=)
endif()

set(LUMENREEL_SRC_ROOT ${CMAKE_SOURCE_DIR}/src)

function(lumenreel_add_library name)
    cmake_parse_arguments(ARG "" "" "DEPS;PRIVATE_DEPS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS
         ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
    add_library(lumenreel_${name} STATIC ${sources})
    add_library(lumenreel::${name} ALIAS lumenreel_${name})
    target_include_directories(lumenreel_${name} PUBLIC ${LUMENREEL_SRC_ROOT})
    target_link_libraries(lumenreel_${name} PUBLIC ${ARG_DEPS} PRIVATE ${ARG_PRIVATE_DEPS})
endfunction()

function(lumenreel_add_test name)
    cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;DEPS;ENVIRONMENT" ${ARGN})
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 300)
    endif()
    add_executable(${name} ${ARG_SOURCES})
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests ${LUMENREEL_SRC_ROOT})
    target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gmock
                          lumenreel_test_main)
    # The environment is set by the test program itself (tests/common/TestMain.cpp), so that it is
    # the same however the program is started.
    if(ARG_ENVIRONMENT)
        string(REPLACE ";" "\\n" environment "${ARG_ENVIRONMENT}")
        set(source ${CMAKE_CURRENT_BINARY_DIR}/${name}_environment.cpp)
        file(CONFIGURE OUTPUT ${source} CONTENT
             "extern const char* const kLumenreelTestEnvironment;\nconst char* const kLumenreelTestEnvironment = \"${environment}\";\n")
        target_sources(${name} PRIVATE ${source})
    endif()
    # A test that waits on something that never comes fails at this deadline instead of hanging
    # a plain `ctest` run.
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 120 PROPERTIES TIMEOUT ${ARG_TIMEOUT})
endfunction()

# Links lumenreel::warnings into every target that compiles sources, in `directory` and the
# folders below it; called once at the end of the top-level CMakeLists.txt, so that a target
# added anywhere gets the warnings without asking.
function(lumenreel_link_warnings directory)
    get_property(targets DIRECTORY ${directory} PROPERTY BUILDSYSTEM_TARGETS)
    foreach(target IN LISTS targets)
        get_target_property(type ${target} TYPE)
        if(type MATCHES "^(EXECUTABLE|STATIC_LIBRARY|SHARED_LIBRARY|MODULE_LIBRARY|OBJECT_LIBRARY)$")
            target_link_libraries(${target} PRIVATE lumenreel::warnings)
        endif()
    endforeach()
    get_property(folders DIRECTORY ${directory} PROPERTY SUBDIRECTORIES)
    foreach(folder IN LISTS folders)
        lumenreel_link_warnings(${folder})
    endforeach()
endfunction()
