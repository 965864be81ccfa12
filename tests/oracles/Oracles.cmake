# Round trips through independent decoders: make_corpus writes every test image with our
# encoders, then check_corpus.py decodes each file with one decoder per test and compares the
# pixels with what was encoded. Decoders that are not installed make their test fail, not pass.
add_executable(make_corpus ${CMAKE_CURRENT_LIST_DIR}/MakeCorpus.cpp)
target_compile_options(make_corpus PRIVATE ${KOVEL_WARNINGS})
target_link_libraries(make_corpus PRIVATE codec)

set(ORACLE_CORPUS ${CMAKE_BINARY_DIR}/oracle-corpus)
add_test(NAME oracle_corpus
    COMMAND ${CMAKE_COMMAND} -E env ORACLE_CORPUS=${ORACLE_CORPUS}
            sh -c "rm -rf \"$ORACLE_CORPUS\" && mkdir -p \"$ORACLE_CORPUS\" && \"$0\" \"$ORACLE_CORPUS\""
            $<TARGET_FILE:make_corpus>)
set_tests_properties(oracle_corpus PROPERTIES FIXTURES_SETUP oracle_corpus TIMEOUT 120 LABELS oracle)

# One test per decoder; the checker documents which formats and depths each one reads.
set(ORACLE_DECODERS libtiff giflib netpbm imagemagick pillow ffmpeg utif omggif bmpjs pngcheck
    pngjs)
foreach(decoder ${ORACLE_DECODERS})
    add_test(NAME oracle_${decoder}
        COMMAND /usr/bin/python3 ${CMAKE_CURRENT_LIST_DIR}/check_corpus.py
                --corpus ${ORACLE_CORPUS} --decoder ${decoder})
    set_tests_properties(oracle_${decoder} PROPERTIES FIXTURES_REQUIRED oracle_corpus TIMEOUT 300
        LABELS oracle)
endforeach()
