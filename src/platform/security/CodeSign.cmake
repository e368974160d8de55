# Code signing of executables.
#
#   lumenreel_codesign(<target> IDENTIFIER <signing identifier> [ENTITLEMENTS <plist file>])
#
# embeds the signing identifier and the entitlements (an XML property list whose root is a
# dictionary, wrapped at build time into the FA DE 71 71 entitlements blob) into the executable
# as an ELF note that platform/security reads back from the running program. Without
# ENTITLEMENTS the default file beside this script is used. An executable that never calls this
# function is unsigned.

set(LUMENREEL_CODESIGN_DIR ${CMAKE_CURRENT_LIST_DIR} CACHE INTERNAL "")

function(lumenreel_codesign target)
    cmake_parse_arguments(ARG "" "IDENTIFIER;ENTITLEMENTS" "" ${ARGN})
    if(NOT ARG_IDENTIFIER)
        message(FATAL_ERROR "lumenreel_codesign(${target}): IDENTIFIER is required")
    endif()
    if(NOT ARG_ENTITLEMENTS)
        set(ARG_ENTITLEMENTS ${LUMENREEL_CODESIGN_DIR}/Lumenreel.entitlements)
    endif()
    get_filename_component(entitlements ${ARG_ENTITLEMENTS} ABSOLUTE)
    set(output ${CMAKE_CURRENT_BINARY_DIR}/${target}_codesign.c)
    add_custom_command(
        OUTPUT ${output}
        COMMAND ${CMAKE_COMMAND}
            -DIDENTIFIER=${ARG_IDENTIFIER}
            -DENTITLEMENTS=${entitlements}
            -DOUTPUT=${output}
            -P ${LUMENREEL_CODESIGN_DIR}/GenerateSignatureNote.cmake
        DEPENDS ${entitlements} ${LUMENREEL_CODESIGN_DIR}/GenerateSignatureNote.cmake
        COMMENT "Signing ${target} as ${ARG_IDENTIFIER}"
        VERBATIM)
    target_sources(${target} PRIVATE ${output})
endfunction()
