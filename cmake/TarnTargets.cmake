# Shared settings for the project's own targets, so that warnings and Qt strictness apply to our
# code only and not to what Qt's headers or generated files bring in.

# tarn_strict(target [TEST]): every library and program says which 8-bit encoding a literal is in
# (QT_NO_CAST_FROM_ASCII), since a text can reach the user or the wire. Qt Test programs are left
# out of that one: their tables of cases are plain literals compared as they stand.
function(tarn_strict target)
    cmake_parse_arguments(S "TEST" "" "" ${ARGN})
    target_compile_options(${target} PRIVATE -Wall -Wextra)
    target_compile_definitions(${target} PRIVATE
        QT_NO_CAST_TO_ASCII
        QT_NO_CAST_FROM_BYTEARRAY
        QT_NO_URL_CAST_FROM_STRING
        QT_NO_NARROWING_CONVERSIONS_IN_CONNECT)
    if(NOT S_TEST)
        target_compile_definitions(${target} PRIVATE QT_NO_CAST_FROM_ASCII)
    endif()
endfunction()

# tarn_add_library(name SOURCES ... LIBS ...): one static library per source folder.
function(tarn_add_library name)
    cmake_parse_arguments(L "" "" "SOURCES;LIBS" ${ARGN})
    add_library(${name} STATIC ${L_SOURCES})
    set_target_properties(${name} PROPERTIES AUTOMOC ON AUTOUIC ON AUTORCC ON)
    target_link_libraries(${name} PUBLIC ${L_LIBS})
    tarn_strict(${name})
endfunction()

# tarn_add_test(name [ISOLATED] SOURCES ... LIBS ...): one Qt Test program, registered with CTest,
# run offscreen and confined to the loopback interface, with settings and journals in a folder of its
# own under build/tests/home/ rather than the user's. ISOLATED runs it in a network namespace of its
# own, for tests that put emulated devices on the loopback interface.
function(tarn_add_test name)
    cmake_parse_arguments(T "ISOLATED" "" "SOURCES;LIBS;ENV" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    set_target_properties(${name} PROPERTIES
        AUTOMOC ON AUTOUIC ON AUTORCC ON
        RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    target_link_libraries(${name} PRIVATE Qt5::Test ${T_LIBS})
    tarn_strict(${name} TEST)
    if(T_ISOLATED)
        add_test(NAME ${name} COMMAND ${PROJECT_SOURCE_DIR}/scripts/isolated.sh $<TARGET_FILE:${name}>)
    else()
        add_test(NAME ${name} COMMAND ${name})
    endif()
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;TARN_IFACES=lo;XDG_CONFIG_HOME=${CMAKE_BINARY_DIR}/tests/home/${name}/config;XDG_STATE_HOME=${CMAKE_BINARY_DIR}/tests/home/${name}/state;${T_ENV}"
        TIMEOUT 300)
endfunction()
