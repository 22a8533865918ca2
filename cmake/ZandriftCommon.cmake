# zandrift_common: what every target of ours is compiled with. Every library, test, benchmark,
# tool and fuzz target links it; zandrift_check_common() fails the configure for one that does not.
# Qt's headers come in as system includes (imported targets), so their own warnings stay quiet.
include_guard(GLOBAL)

add_library(zandrift_common INTERFACE)
# No silent conversions between bytes and text: every one is written out with its encoding.
# Test executables (ZANDRIFT_TEST_LITERALS, set by zandrift_add_test) may still write a string
# literal where a QString goes, as their tables do by the hundred; a char pointer or a byte
# array still does not turn into text by itself there either.
target_compile_definitions(zandrift_common INTERFACE
    $<IF:$<BOOL:$<TARGET_PROPERTY:ZANDRIFT_TEST_LITERALS>>,QT_RESTRICTED_CAST_FROM_ASCII,QT_NO_CAST_FROM_ASCII>
    QT_NO_CAST_TO_ASCII
    QT_NO_CAST_FROM_BYTEARRAY
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT)
target_compile_options(zandrift_common INTERFACE
    -Wall -Wextra -Wshadow -Wold-style-cast -Woverloaded-virtual -Wnon-virtual-dtor
    $<$<BOOL:${ZANDRIFT_WERROR}>:-Werror>)

# zandrift_check_common(<dir>): every library and executable below <dir> links zandrift_common.
function(zandrift_check_common dir)
    get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
    foreach(target ${targets})
        get_target_property(type ${target} TYPE)
        if(type MATCHES "^(STATIC_LIBRARY|SHARED_LIBRARY|MODULE_LIBRARY|OBJECT_LIBRARY|EXECUTABLE)$")
            get_target_property(libs ${target} LINK_LIBRARIES)
            if(NOT "zandrift_common" IN_LIST libs)
                message(FATAL_ERROR "${target} (${dir}) does not link zandrift_common")
            endif()
        endif()
    endforeach()
    get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
    foreach(subdir ${subdirs})
        zandrift_check_common(${subdir})
    endforeach()
endfunction()

# The one include folder of src/: headers are included with their folder, "store/Globals.h".
get_filename_component(ZANDRIFT_SRC_DIR ${CMAKE_CURRENT_LIST_DIR}/../src ABSOLUTE)
