# cmake -DSOURCE=<fuzz dir> -DBUILD=<build dir> -DCOMPILER=<clang++> -DGENERATOR=<gen> -DSEEDS=<dir;dir>
#       -DSECONDS=<n> -P RunLibFuzzer.cmake
# Configures and builds the fuzz target with clang in its own build folder (incrementally), then
# runs libFuzzer for a bounded time over the seed corpus. Any crash, leak or time-out fails.
foreach(var SOURCE BUILD COMPILER GENERATOR SEEDS SECONDS)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "RunLibFuzzer.cmake needs -D${var}=")
    endif()
endforeach()

if(NOT EXISTS ${BUILD}/CMakeCache.txt)
    execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE} -B ${BUILD} -G ${GENERATOR}
                            -DCMAKE_CXX_COMPILER=${COMPILER} -DCMAKE_BUILD_TYPE=RelWithDebInfo
                    RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "configuring the fuzz build failed")
    endif()
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD} --target fuzz_parse RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "building fuzz_parse failed")
endif()

# New inputs go to a corpus folder of the build; the seed folders are only read.
set(work ${BUILD}/corpus)
file(MAKE_DIRECTORY ${work} ${BUILD}/artifacts)
set(existing "")
foreach(dir ${SEEDS})
    if(EXISTS ${dir})
        list(APPEND existing ${dir})
    endif()
endforeach()
execute_process(COMMAND ${BUILD}/bin/fuzz_parse -max_total_time=${SECONDS} -runs=5000000 -seed=1 -timeout=10
                        -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix=${BUILD}/artifacts/
                        ${work} ${existing}
                RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "libFuzzer found a fault (exit ${rc}); see ${BUILD}/artifacts")
endif()
