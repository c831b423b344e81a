# The sample patch engine, a stand-in for a real one: a DOS .COM image that
# nasm assembles from tools/sample_engine.asm into ${CMAKE_BINARY_DIR}/ENGINE.COM.
# The demonstration and the complete test runs stage it as the media's
# PATCH.DLL, and the DOS phase runs it.
find_program(ZARIZED_NASM nasm)
if(NOT ZARIZED_NASM)
    message(FATAL_ERROR "nasm is missing: it assembles the sample patch engine (run make deps, scripts/install-deps.sh)")
endif()
set(ZARIZED_SAMPLE_ENGINE ${CMAKE_BINARY_DIR}/ENGINE.COM)
add_custom_command(OUTPUT ${ZARIZED_SAMPLE_ENGINE}
    COMMAND ${ZARIZED_NASM} -f bin -o ${ZARIZED_SAMPLE_ENGINE} ${CMAKE_SOURCE_DIR}/tools/sample_engine.asm
    DEPENDS ${CMAKE_SOURCE_DIR}/tools/sample_engine.asm
    COMMENT "the sample patch engine")
add_custom_target(sample_engine ALL DEPENDS ${ZARIZED_SAMPLE_ENGINE})
