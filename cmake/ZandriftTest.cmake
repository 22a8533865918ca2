# zandrift_add_test(NAME <name> SOURCES <files...> LIBS <targets...> [GUI] [TIMEOUT <s>])
# One Qt Test executable per test class. Every test runs with HOME and the XDG folders
# pointed into the build tree, so no run touches the real user's settings or caches.
function(zandrift_add_test)
    cmake_parse_arguments(T "GUI" "NAME;TIMEOUT" "SOURCES;LIBS" ${ARGN})
    add_executable(${T_NAME} ${T_SOURCES})
    set_target_properties(${T_NAME} PROPERTIES ZANDRIFT_TEST_LITERALS ON)
    target_link_libraries(${T_NAME} PRIVATE zandrift_common Qt6::Test zandrift_unscriptedmsgbox ${T_LIBS})
    target_compile_definitions(${T_NAME} PRIVATE
        ZANDRIFT_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data"
        ZANDRIFT_SOURCE_DATA="${PROJECT_SOURCE_DIR}/data"
        ZANDRIFT_PROGRAM_DIR="${ZANDRIFT_PROGRAM_DIR}")
    add_test(NAME ${T_NAME} COMMAND ${T_NAME})
    set(home ${CMAKE_BINARY_DIR}/testhome/${T_NAME})
    file(MAKE_DIRECTORY ${home}/config ${home}/cache ${home}/runtime)
    file(CHMOD ${home}/runtime DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
    set(env
        HOME=${home}
        XDG_CONFIG_HOME=${home}/config
        XDG_CACHE_HOME=${home}/cache
        XDG_DATA_HOME=${home}/data
        XDG_RUNTIME_DIR=${home}/runtime
        LC_ALL=C.UTF-8
        QT_QPA_PLATFORM=offscreen)
    if(T_GUI)
        list(APPEND env QTWEBENGINE_DISABLE_SANDBOX=1 "QTWEBENGINE_CHROMIUM_FLAGS=--disable-gpu")
        if(ZANDRIFT_SANITIZE)
            # The web engine's own code frees with a size AddressSanitizer disputes and keeps some
            # allocations for the life of the process; our code stays checked.
            list(APPEND env
                "ASAN_OPTIONS=detect_leaks=1:halt_on_error=1:detect_stack_use_after_return=1:new_delete_type_mismatch=0"
                "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/cmake/webengine.lsan.supp")
        endif()
    endif()
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    set_tests_properties(${T_NAME} PROPERTIES ENVIRONMENT "${env}" TIMEOUT ${T_TIMEOUT})
endfunction()

# zandrift_rerun_test(<test> <new name> ENV <VAR=value>... [FUNCTIONS <test function>...]): runs a
# registered test once more, or only the named functions of it, with some of its environment
# changed (another time zone, another desktop language).
function(zandrift_rerun_test test name)
    cmake_parse_arguments(R "" "" "ENV;FUNCTIONS" ${ARGN})
    get_test_property(${test} ENVIRONMENT env)
    get_test_property(${test} TIMEOUT timeout)
    add_test(NAME ${name} COMMAND ${test} ${R_FUNCTIONS})
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env};${R_ENV}" TIMEOUT ${timeout})
endfunction()
