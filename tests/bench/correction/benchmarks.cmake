# How close a correction brings the clock to the receiver's, over the real receive path and a
# pseudo-terminal fed by valtora-sim. Run by hand: build/bench/bench_correctionaccuracy --help
add_executable(bench_correctionaccuracy
    ${CMAKE_CURRENT_LIST_DIR}/bench_correctionaccuracy.cpp
    ${CMAKE_CURRENT_LIST_DIR}/residualrecordingclock.h
    ${CMAKE_CURRENT_LIST_DIR}/residualrecordingclock.cpp
    ${CMAKE_CURRENT_LIST_DIR}/chronyview.h
    ${CMAKE_CURRENT_LIST_DIR}/chronyview.cpp)
target_link_libraries(bench_correctionaccuracy PRIVATE valtora_core)
set_target_properties(bench_correctionaccuracy PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
