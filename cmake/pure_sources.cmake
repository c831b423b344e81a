# The pure text and number work of both programs: the source files that call
# no Win32. The programs build them with the rest (CMakeLists.txt); the host
# project (tests/host/CMakeLists.txt) builds them all alone, for Linux, into
# the sanitized library its libFuzzer targets and its CRC check link. That
# they build there at all keeps them free of Win32. Paths are from the top of
# the source tree.

# The runtime's routines and the CRC, which ZARIZED.EXE and the download
# extractor share.
set(ZARIZED_PURE_BASE_SOURCES
    src/runtime/memory_ops.cpp
    src/runtime/scan_long.cpp
    src/runtime/split_path.cpp
    src/runtime/string_ops.cpp
    src/runtime/tokenize.cpp
    src/staging/crc32.cpp
    src/common/run_switches.cpp)
# ZARIZED.EXE's parts.
set(ZARIZED_PURE_PART_SOURCES
    src/staging/piece_name.cpp
    src/staging/piece_record.cpp
    src/staging/split_plan.cpp
    src/migrate/password_scramble.cpp
    src/migrate/build_loader_command.cpp
    src/migrate/match_startup_entry.cpp
    src/migrate/dialog_text_reader.cpp
    src/migrate/parse_old_dialog_definition.cpp
    src/migrate/dialog_definition_values.cpp
    src/migrate/pad_fixed_text.cpp
    src/handoff/build_handoff_batch_text.cpp
    src/handoff/build_launch_command_line.cpp
    src/handoff/fill_pif_field.cpp
    src/handoff/choose_startup_folder.cpp
    src/driver/classify_release.cpp
    src/driver/release_text.cpp
    src/driver/splitter_command.cpp
    src/driver/free_bytes.cpp)
# The download extractor's.
set(ZARIZED_PURE_EXTRACTOR_SOURCES
    src/extractor/download_format.cpp)
set(ZARIZED_PURE_SOURCES ${ZARIZED_PURE_BASE_SOURCES} ${ZARIZED_PURE_PART_SOURCES} ${ZARIZED_PURE_EXTRACTOR_SOURCES})
