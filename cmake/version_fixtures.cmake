# Resource-only ZELFSV4.DLL files, each with its own version block, that the
# tests install as the product's component.
#   zarized_version_fixture(NAME name [VERSION text] [LANGUAGE 0409] [CODEPAGE 04e4]
#                           [NO_TRANSLATION] [TRANSLATION "0x0407, 0x04b0, ..."]
#                           [BLOCK 040904b0] [EXTRA_BLOCK 040704b0 EXTRA_VERSION text])
# Without VERSION the block has no "ProductVersion" string. The string block
# is named after LANGUAGE and CODEPAGE unless BLOCK names it otherwise; the
# translation table holds that pair unless TRANSLATION lists its entries.
# EXTRA_BLOCK adds a second string block with EXTRA_VERSION as its
# "ProductVersion".
set(ZARIZED_FIXTURE_DIR ${CMAKE_BINARY_DIR}/fixtures)
add_custom_target(zarized_fixtures ALL)

function(zarized_version_fixture)
    cmake_parse_arguments(F "NO_TRANSLATION" "NAME;VERSION;LANGUAGE;CODEPAGE;TRANSLATION;BLOCK;EXTRA_BLOCK;EXTRA_VERSION"
        "" ${ARGN})
    if(NOT F_LANGUAGE)
        set(F_LANGUAGE 0409)
    endif()
    if(NOT F_CODEPAGE)
        set(F_CODEPAGE 04e4)
    endif()
    set(FIXTURE_BLOCK ${F_LANGUAGE}${F_CODEPAGE})
    if(F_BLOCK)
        set(FIXTURE_BLOCK ${F_BLOCK})
    endif()
    if(NOT F_TRANSLATION)
        set(F_TRANSLATION "0x${F_LANGUAGE}, 0x${F_CODEPAGE}")
    endif()
    if(F_EXTRA_BLOCK)
        set(FIXTURE_EXTRA_BLOCK "        BLOCK \"${F_EXTRA_BLOCK}\"\n        BEGIN\n            VALUE \"ProductVersion\", \"${F_EXTRA_VERSION}\"\n        END")
    else()
        set(FIXTURE_EXTRA_BLOCK "")
    endif()
    if(DEFINED F_VERSION)
        set(FIXTURE_PRODUCT_VERSION_LINE "            VALUE \"ProductVersion\", \"${F_VERSION}\"")
    else()
        set(FIXTURE_PRODUCT_VERSION_LINE "")
    endif()
    if(F_NO_TRANSLATION)
        set(FIXTURE_TRANSLATION_BLOCK "")
    else()
        set(FIXTURE_TRANSLATION_BLOCK "    BLOCK \"VarFileInfo\"\n    BEGIN\n        VALUE \"Translation\", ${F_TRANSLATION}\n    END")
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

# The installed release check: the "v"/"V" prefix rule, strings taken whole,
# blocks that name no release, and the first of several translations.
zarized_version_fixture(NAME version_95_0_b VERSION "Version 95.0.b")
zarized_version_fixture(NAME release_95_0_B VERSION "95.0.B")
zarized_version_fixture(NAME v_1_0_0 VERSION "V 1.0.0")
zarized_version_fixture(NAME lower_v_1_0 VERSION "v 1.0")
zarized_version_fixture(NAME leading_blank VERSION " 1.0.0")
zarized_version_fixture(NAME version_without_blank VERSION "Version1.0.0")
zarized_version_fixture(NAME no_product_version)
zarized_version_fixture(NAME no_translation VERSION "1.0.0" NO_TRANSLATION)
zarized_version_fixture(NAME other_language VERSION "95.0.a" LANGUAGE 0c0a CODEPAGE 04b0)
zarized_version_fixture(NAME block_not_translated VERSION "1.0.0" BLOCK 040904b0)
zarized_version_fixture(NAME second_translation VERSION "95.0.a" EXTRA_BLOCK 0c0a04b0 EXTRA_VERSION "1.0.0"
    TRANSLATION "0x0c0a, 0x04b0, 0x0409, 0x04e4")
# Release texts of 259 characters (the most the run's buffer holds) and 260.
string(REPEAT "x" 259 release_259)
zarized_version_fixture(NAME longest_release VERSION "V ${release_259}")
zarized_version_fixture(NAME too_long_release VERSION "V x${release_259}")
