# Makes the Windows zip with CPack and checks that it holds both programs,
# the licence and the text on where to put the port library.
execute_process(COMMAND ${CPACK} --config ${BUILD}/CPackConfig.cmake -B ${BUILD}/package
                RESULT_VARIABLE made OUTPUT_QUIET)
if(NOT made EQUAL 0)
    message(FATAL_ERROR "cpack failed")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E tar tf ${ZIP} OUTPUT_VARIABLE listed)
foreach(file kovir.exe kovir-sim.exe kovir-vcd.exe kovir-board.exe LICENSE.txt README.txt)
    if(NOT listed MATCHES "/${file}\n")
        message(FATAL_ERROR "${ZIP} lacks ${file}:\n${listed}")
    endif()
endforeach()
message(STATUS "1 passed, 0 failed: ${listed}")
