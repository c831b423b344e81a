# Resource-only ZELFSV4.DLL files, each with its own version block, that the
# tests install as the product's component.
#   zarized_version_fixture(NAME name [VERSION text] [LANGUAGE 0409] [CODEPAGE 04e4]
#                           [NO_TRANSLATION])
# Without VERSION the block has no "ProductVersion" string.
set(ZARIZED_FIXTURE_DIR ${CMAKE_BINARY_DIR}/fixtures)
add_custom_target(zarized_fixtures ALL)

function(zarized_version_fixture)
    cmake_parse_arguments(F "NO_TRANSLATION" "NAME;VERSION;LANGUAGE;CODEPAGE" "" ${ARGN})
    if(NOT F_LANGUAGE)
        set(F_LANGUAGE 0409)
    endif()
    if(NOT F_CODEPAGE)
        set(F_CODEPAGE 04e4)
    endif()
    set(FIXTURE_BLOCK ${F_LANGUAGE}${F_CODEPAGE})
    if(DEFINED F_VERSION)
        set(FIXTURE_PRODUCT_VERSION_LINE "            VALUE \"ProductVersion\", \"${F_VERSION}\"")
    else()
        set(FIXTURE_PRODUCT_VERSION_LINE "")
    endif()
    if(F_NO_TRANSLATION)
        set(FIXTURE_TRANSLATION_BLOCK "")
    else()
        set(FIXTURE_TRANSLATION_BLOCK "    BLOCK \"VarFileInfo\"\n    BEGIN\n        VALUE \"Translation\", 0x${F_LANGUAGE}, 0x${F_CODEPAGE}\n    END")
    endif()
    set(dir ${ZARIZED_FIXTURE_DIR}/${F_NAME})
    configure_file(${CMAKE_SOURCE_DIR}/tests/fixtures/version.rc.in ${dir}/version.rc @ONLY)
    add_custom_command(OUTPUT ${dir}/ZELFSV4.DLL
        COMMAND ${CMAKE_RC_COMPILER} -O coff ${dir}/version.rc -o ${dir}/version.o
        COMMAND ${CMAKE_CXX_COMPILER} -shared -nostdlib -s -Wl,-e,0 -o ${dir}/ZELFSV4.DLL ${dir}/version.o
        DEPENDS ${dir}/version.rc
        COMMENT "version fixture ${F_NAME}")
    add_custom_target(fixture_${F_NAME} DEPENDS ${dir}/ZELFSV4.DLL)
    add_dependencies(zarized_fixtures fixture_${F_NAME})
endfunction()

zarized_version_fixture(NAME release_1_0_0 VERSION "1.0.0")
zarized_version_fixture(NAME release_95_0_a VERSION "95.0.a")
