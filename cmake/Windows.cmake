# Cross build for Windows (mingw-w64): the two programs, the app library they share and the
# GoogleTest program that ctest runs under Wine.

# ctest runs the Windows programs through Wine in the repository's private prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/scripts/wine-env.sh)

# The platform-free byte code: encoders and the DIB and BMP rules.
add_library(codec STATIC ${CODEC_SOURCES})
target_include_directories(codec PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(codec PRIVATE ${KOVEL_WARNINGS})
# The PNG writer deflates through zlib, linked from its static archive: the programs need no
# zlib DLL.
find_library(KOVEL_ZLIB_STATIC NAMES libz.a REQUIRED)
target_link_libraries(codec PUBLIC ${KOVEL_ZLIB_STATIC})

# Everything of the programs except WinMain and the identity flag, so that the tests link the
# same code and create the main window in their own process.
file(GLOB KOVEL_APP_SOURCES CONFIGURE_DEPENDS
    ${CMAKE_SOURCE_DIR}/shell/*.cpp
    ${CMAKE_SOURCE_DIR}/platform/*.cpp
    ${CMAKE_SOURCE_DIR}/bitmap/*.cpp
    ${CMAKE_SOURCE_DIR}/views/*.cpp)
# The bitmap rules that build without Windows belong to the codec library.
list(REMOVE_ITEM KOVEL_APP_SOURCES ${CODEC_SOURCES})
list(REMOVE_ITEM KOVEL_APP_SOURCES
    ${CMAKE_SOURCE_DIR}/shell/WinMain.cpp
    ${CMAKE_SOURCE_DIR}/shell/ProductVariant.cpp)
add_library(kovel_app STATIC ${KOVEL_APP_SOURCES})
target_include_directories(kovel_app PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_definitions(kovel_app PUBLIC STRICT NOMINMAX)
target_compile_options(kovel_app PRIVATE ${KOVEL_WARNINGS})
target_link_libraries(kovel_app PUBLIC codec user32 gdi32 comdlg32 kernel32 usp10)
# PNG images from the clipboard are decoded with the platform's imaging codecs (COM).
target_link_libraries(kovel_app PUBLIC windowscodecs ole32 uuid)
# Dropped files and the wide command line.
target_link_libraries(kovel_app PUBLIC shell32)

set(KOVEL_RESOURCES ${CMAKE_SOURCE_DIR}/resources/Kovel.rc)
set_source_files_properties(${KOVEL_RESOURCES} PROPERTIES OBJECT_DEPENDS
    "${CMAKE_SOURCE_DIR}/resources/MenuBody.rc;${CMAKE_SOURCE_DIR}/resources/PlnIcon.ico;${CMAKE_SOURCE_DIR}/resources/MendrivalIcon.ico;${CMAKE_SOURCE_DIR}/resources/StretchDialog.rc;${CMAKE_SOURCE_DIR}/resources/DialogIds.h;${CMAKE_SOURCE_DIR}/shell/CommandIds.h")
set_property(SOURCE ${KOVEL_RESOURCES} APPEND PROPERTY OBJECT_DEPENDS
    ${CMAKE_SOURCE_DIR}/resources/RectDialog.rc
    ${CMAKE_SOURCE_DIR}/resources/PrintDialogs.rc
    ${CMAKE_SOURCE_DIR}/resources/Kovel.manifest)

# One program per identity: palorin.exe (productVariant 1) and mendrival.exe (0).
foreach(identity palorin:1 mendrival:0)
    string(REPLACE ":" ";" parts ${identity})
    list(GET parts 0 name)
    list(GET parts 1 variant)
    add_executable(${name} WIN32
        ${CMAKE_SOURCE_DIR}/shell/WinMain.cpp
        ${CMAKE_SOURCE_DIR}/shell/ProductVariant.cpp
        ${KOVEL_RESOURCES})
    target_compile_definitions(${name} PRIVATE KOVEL_PRODUCT_VARIANT=${variant})
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/resources)
    target_compile_options(${name} PRIVATE
        $<$<COMPILE_LANGUAGE:CXX>:${KOVEL_WARNINGS}>)
    target_link_libraries(${name} PRIVATE kovel_app)
endforeach()

enable_testing()

# GoogleTest from the distribution's sources (needs the -posix compilers).
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# One test program for everything that needs Windows. It is one ctest test, not one per case:
# each Wine start costs a second or more. scripts/wine-tests.sh runs it once per display depth.
file(GLOB WIN_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/win/*.cpp)
add_executable(win_tests
    ${WIN_TEST_SOURCES}
    ${CMAKE_SOURCE_DIR}/shell/ProductVariant.cpp
    ${KOVEL_RESOURCES})
target_compile_definitions(win_tests PRIVATE KOVEL_PRODUCT_VARIANT=1
    KOVEL_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
target_include_directories(win_tests PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/resources)
target_compile_options(win_tests PRIVATE $<$<COMPILE_LANGUAGE:CXX>:${KOVEL_WARNINGS}>)
target_link_libraries(win_tests PRIVATE kovel_app GTest::gtest)
# The single-instance tests start the real programs from the test program's folder.
add_dependencies(win_tests palorin mendrival)
add_test(NAME win_tests COMMAND win_tests --gtest_color=no)
set_tests_properties(win_tests PROPERTIES LABELS wine TIMEOUT 900)
