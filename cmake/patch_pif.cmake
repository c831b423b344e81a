# Patch.pif for the patch media, generated from its readable description in
# scripts/make_pif.py into ${CMAKE_BINARY_DIR}/PATCH.PIF, and checked by a
# host-side test (plain python3, not run under Wine).
find_program(ZARIZED_PYTHON3 python3 REQUIRED)
set(ZARIZED_PATCH_PIF ${CMAKE_BINARY_DIR}/PATCH.PIF)
add_custom_command(OUTPUT ${ZARIZED_PATCH_PIF}
    COMMAND ${ZARIZED_PYTHON3} ${CMAKE_SOURCE_DIR}/scripts/make_pif.py ${ZARIZED_PATCH_PIF}
    DEPENDS ${CMAKE_SOURCE_DIR}/scripts/make_pif.py
    COMMENT "Patch.pif")
add_custom_target(patch_pif ALL DEPENDS ${ZARIZED_PATCH_PIF})

if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
    add_test(NAME patch_pif_test
        COMMAND ${ZARIZED_PYTHON3} ${CMAKE_SOURCE_DIR}/tests/patch_pif_test.py ${ZARIZED_PATCH_PIF})
    # The end-to-end runs stage this file as the media's PATCH.PIF.
    if(TARGET zarized_test_support)
        add_dependencies(zarized_test_support patch_pif)
    endif()
endif()
