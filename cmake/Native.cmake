# Native Linux build: the platform-free code with its unit tests under AddressSanitizer and
# UndefinedBehaviorSanitizer, the fuzz targets (clang only) and the benchmarks.
option(KOVEL_SANITIZE "Build with ASan and UBSan" ON)
option(KOVEL_FUZZ "Build the libFuzzer targets (clang)" ON)
option(KOVEL_BENCH "Build the benchmarks (use a Release build without sanitizers)" OFF)

set(KOVEL_SAN_FLAGS "")
if(KOVEL_SANITIZE)
    set(KOVEL_SAN_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
endif()
set(KOVEL_CAN_FUZZ OFF)
if(KOVEL_FUZZ AND KOVEL_SANITIZE AND CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    set(KOVEL_CAN_FUZZ ON)
    # Coverage instrumentation for the code under test; the fuzz drivers link libFuzzer.
    list(APPEND KOVEL_SAN_FLAGS -fsanitize=fuzzer-no-link)
endif()

add_library(codec STATIC ${CODEC_SOURCES})
if(KOVEL_CAN_FUZZ)
    # The writers' loops compare pixels and codes, not values a fuzzer has to guess from the
    # input; tracing those comparisons took about two thirds of the writer targets' time. Their
    # edge coverage stays; the parsers keep comparison tracing.
    file(GLOB WRITER_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/encoders/*.cpp)
    set_source_files_properties(${WRITER_SOURCES} PROPERTIES
        COMPILE_OPTIONS -fno-sanitize-coverage=trace-cmp)
endif()
target_include_directories(codec PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(codec PRIVATE ${KOVEL_WARNINGS} ${KOVEL_SAN_FLAGS})
target_link_options(codec PUBLIC ${KOVEL_SAN_FLAGS})
# The PNG writer deflates through zlib.
target_link_libraries(codec PUBLIC z)

enable_testing()

if(NOT KOVEL_BENCH)
    # GoogleTest from the distribution's sources.
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    file(GLOB NATIVE_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/native/*.cpp)
    if(NATIVE_TEST_SOURCES)
        add_executable(native_tests ${NATIVE_TEST_SOURCES})
        target_compile_options(native_tests PRIVATE ${KOVEL_WARNINGS} ${KOVEL_SAN_FLAGS})
        target_compile_definitions(native_tests PRIVATE
            KOVEL_SOURCE_DIR="${CMAKE_SOURCE_DIR}" KOVEL_BINARY_DIR="${CMAKE_BINARY_DIR}")
        # libpng and giflib decode the PNG and GIF writers' files in the round-trip tests.
        target_link_libraries(native_tests PRIVATE codec GTest::gtest_main png gif)
        include(GoogleTest)
        gtest_discover_tests(native_tests DISCOVERY_TIMEOUT 60)
    endif()

    find_package(PkgConfig)
    if(KOVEL_CAN_FUZZ)
        # Each file under tests/fuzz is one libFuzzer target; FuzzTargets.cmake registers their
        # bounded runs with ctest.
        file(GLOB FUZZ_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/*.cpp)
        foreach(src ${FUZZ_SOURCES})
            get_filename_component(name ${src} NAME_WE)
            add_executable(fuzz_${name} ${src})
            # The driver's own comparisons (its model of the answer, the reference decoders, the
            # containers it uses) are bookkeeping, not branches of the code under test: not traced.
            target_compile_options(fuzz_${name} PRIVATE ${KOVEL_WARNINGS} ${KOVEL_SAN_FLAGS}
                -fno-sanitize-coverage=trace-cmp)
            target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
            target_link_libraries(fuzz_${name} PRIVATE codec tiff gif png)
        endforeach()
        include(${CMAKE_SOURCE_DIR}/tests/fuzz/FuzzTargets.cmake OPTIONAL)
    endif()

    # Round trips through independent decoders (scripts and the corpus generator).
    include(${CMAKE_SOURCE_DIR}/tests/oracles/Oracles.cmake OPTIONAL)
else()
    file(GLOB BENCH_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/*.cpp)
    foreach(src ${BENCH_SOURCES})
        get_filename_component(name ${src} NAME_WE)
        add_executable(bench_${name} ${src})
        target_compile_options(bench_${name} PRIVATE ${KOVEL_WARNINGS})
        target_link_libraries(bench_${name} PRIVATE codec tiff gif png)
        # The PNG comparison times Pillow through bench/pillow_png.py.
        target_compile_definitions(bench_${name} PRIVATE KOVEL_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
    endforeach()
    # The colour-reduction benchmark compares with libimagequant and ImageMagick's C library
    # (bench/run.sh installs them); nothing else links them.
    if(TARGET bench_QuantizeBench)
        find_package(PkgConfig REQUIRED)
        pkg_check_modules(QUANTIZE_RIVALS REQUIRED imagequant MagickCore)
        target_include_directories(bench_QuantizeBench PRIVATE ${QUANTIZE_RIVALS_INCLUDE_DIRS})
        target_compile_options(bench_QuantizeBench PRIVATE ${QUANTIZE_RIVALS_CFLAGS_OTHER})
        target_link_libraries(bench_QuantizeBench PRIVATE ${QUANTIZE_RIVALS_LINK_LIBRARIES})
    endif()
endif()
