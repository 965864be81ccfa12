# Registers a bounded run of every libFuzzer target (fuzz_<name>, one per tests/fuzz/*.cpp) with
# ctest. Each run keeps its corpus under the build directory, so later runs start from what
# earlier ones found, and also reads the seeds committed in tests/fuzz/seeds/<name> if present.
set(KOVEL_FUZZ_SECONDS 15 CACHE STRING "Seconds each fuzz target runs under ctest")

foreach(src ${FUZZ_SOURCES})
    get_filename_component(name ${src} NAME_WE)
    set(work ${CMAKE_BINARY_DIR}/fuzz/${name})
    file(MAKE_DIRECTORY ${work}/corpus ${work}/artifacts)
    set(dirs ${work}/corpus)
    if(IS_DIRECTORY ${CMAKE_SOURCE_DIR}/tests/fuzz/seeds/${name})
        list(APPEND dirs ${CMAKE_SOURCE_DIR}/tests/fuzz/seeds/${name})
    endif()
    add_test(NAME fuzz_${name}
        COMMAND fuzz_${name} -max_total_time=${KOVEL_FUZZ_SECONDS} -timeout=20
                -rss_limit_mb=2560 -print_final_stats=1 -artifact_prefix=${work}/artifacts/
                ${dirs}
        WORKING_DIRECTORY ${work})
    set_tests_properties(fuzz_${name} PROPERTIES TIMEOUT 120 LABELS fuzz)
endforeach()
