# Throughput of the receive path, run by hand:
#   build/bench/bench_framesreceive [megabytes]   core path, MB/s
#   build/bench/bench_frameswidget [megabytes]    widget path on the offscreen platform
add_executable(bench_framesreceive
    ${CMAKE_CURRENT_LIST_DIR}/bench_framesreceive.cpp
    ${CMAKE_CURRENT_LIST_DIR}/benchstream.h)
target_link_libraries(bench_framesreceive PRIVATE valtora_core)

add_executable(bench_frameswidget
    ${CMAKE_CURRENT_LIST_DIR}/bench_frameswidget.cpp
    ${CMAKE_CURRENT_LIST_DIR}/benchstream.h)
target_link_libraries(bench_frameswidget PRIVATE valtora_ui)

set_target_properties(bench_framesreceive bench_frameswidget PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
