# Registers two ctest runs for every libFuzzer target (fuzz_<name>, one per tests/fuzz/*.cpp):
#  - fuzz_<name>_corpus replays every input kept in tests/fuzz/corpus/<name> once, each file as
#    it is; a crash or sanitizer report on any of them fails the test.
#  - fuzz_<name> is a short bounded run. New inputs go to a corpus under the build directory (the
#    first directory given), so later runs start from what earlier ones found; the kept corpus is
#    read, never written. scripts/fuzz.sh runs long and merges what it finds into the kept corpus.
set(KOVEL_FUZZ_SECONDS 15 CACHE STRING "Seconds each fuzz target runs under ctest")

foreach(src ${FUZZ_SOURCES})
    get_filename_component(name ${src} NAME_WE)
    set(work ${CMAKE_BINARY_DIR}/fuzz/${name})
    set(kept ${CMAKE_SOURCE_DIR}/tests/fuzz/corpus/${name})
    file(MAKE_DIRECTORY ${work}/corpus ${work}/artifacts)
    set(dirs ${work}/corpus)
    if(IS_DIRECTORY ${kept})
        list(APPEND dirs ${kept})
        # Every kept input, run once as it is (no fuzzing, no length cut). A target without a
        # kept input fails here rather than passing on nothing.
        add_test(NAME fuzz_${name}_corpus
            COMMAND bash -c "shopt -s nullglob; files=(\"$1\"/*); \
[ \${#files[@]} -gt 0 ] || { echo \"no kept inputs in $1\" >&2; exit 1; }; \
echo \"replaying \${#files[@]} kept inputs\"; \
\"$0\" -timeout=20 -rss_limit_mb=2560 -artifact_prefix=$2/ \"\${files[@]}\" 2>&1 | \
grep -v '^Executed\\|^Running:'; exit \${PIPESTATUS[0]}"
                    $<TARGET_FILE:fuzz_${name}> ${kept} ${work}/artifacts
            WORKING_DIRECTORY ${work})
        set_tests_properties(fuzz_${name}_corpus PROPERTIES TIMEOUT 300 LABELS fuzz)
    endif()
    add_test(NAME fuzz_${name}
        COMMAND fuzz_${name} -max_total_time=${KOVEL_FUZZ_SECONDS} -timeout=20
                -rss_limit_mb=2560 -print_final_stats=1 -artifact_prefix=${work}/artifacts/
                ${dirs}
        WORKING_DIRECTORY ${work})
    set_tests_properties(fuzz_${name} PROPERTIES TIMEOUT 120 LABELS fuzz)
endforeach()
