# The user's manual, one source in docs/manual/ for both identities: compiled by chmcmd into
# PALORIN.CHM and MENDRIVAL.CHM, with the plain-text PALORIN.DOC and MENDRIVAL.DOC, beside the
# programs in the build folder. The native build checks the manual (tests/manual).
if(KOVEL_BENCH)
    return() # the benchmark build has no use for the manual
endif()
find_package(Python3 REQUIRED COMPONENTS Interpreter)
find_program(KOVEL_CHMCMD chmcmd REQUIRED)

file(GLOB KOVEL_MANUAL_SOURCES CONFIGURE_DEPENDS
    ${CMAKE_SOURCE_DIR}/docs/manual/*.html
    ${CMAKE_SOURCE_DIR}/docs/manual/*.png
    ${CMAKE_SOURCE_DIR}/docs/manual/*.css
    ${CMAKE_SOURCE_DIR}/docs/manual/contents.txt)
set(KOVEL_MANUAL_OUTPUTS "")
foreach(identity Palorin:WPLN.HLP Mendrival:KOVEL.HLP)
    string(REPLACE ":" ";" parts ${identity})
    list(GET parts 0 product)
    list(GET parts 1 helpFile)
    string(TOUPPER ${product} upper)
    string(TOLOWER ${product} lower)
    add_custom_command(
        OUTPUT ${CMAKE_BINARY_DIR}/${upper}.CHM ${CMAKE_BINARY_DIR}/${upper}.DOC
        COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/scripts/build-manual.py
            ${CMAKE_SOURCE_DIR}/docs/manual ${CMAKE_BINARY_DIR}/manual-${lower}
            ${CMAKE_BINARY_DIR} ${product} ${helpFile}
        DEPENDS ${KOVEL_MANUAL_SOURCES} ${CMAKE_SOURCE_DIR}/scripts/build-manual.py
        COMMENT "Building the ${product} manual"
        VERBATIM)
    list(APPEND KOVEL_MANUAL_OUTPUTS ${CMAKE_BINARY_DIR}/${upper}.CHM)
endforeach()
add_custom_target(manual ALL DEPENDS ${KOVEL_MANUAL_OUTPUTS})

if(TARGET win_tests)
    # The help tests open the manual that lies beside the test program.
    add_dependencies(win_tests manual)
endif()

if(NOT WIN32)
    add_test(NAME manual_checks
        COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/manual/CheckManual.py
            ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR})
endif()
