# Micro-benchmarks of the core (bench/*_bench.cpp, one program per subsystem, Google Benchmark)
# and the helper programs that scripts/bench runs beside the release program.
find_package(benchmark REQUIRED)
find_package(GTest REQUIRED)
include(cmake/Fakes.cmake)

add_library(vellomarch_bench_world STATIC ${CMAKE_SOURCE_DIR}/bench/bench_world.cpp)
target_include_directories(vellomarch_bench_world PUBLIC ${CMAKE_SOURCE_DIR}/bench ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(vellomarch_bench_world PUBLIC vellomarch_fakes)
vellomarch_warnings(vellomarch_bench_world)

file(GLOB VELLOMARCH_BENCH_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/*_bench.cpp)
foreach(source ${VELLOMARCH_BENCH_SOURCES})
  get_filename_component(name ${source} NAME_WE)
  add_executable(${name} ${source})
  # The real Linux imaging and protection are measured where the core calls them.
  target_link_libraries(${name} PRIVATE vellomarch_bench_world vellomarch_linux benchmark::benchmark_main)
  vellomarch_warnings(${name})
  list(APPEND VELLOMARCH_BENCH_PROGRAMS ${name})
endforeach()
add_custom_target(micro_benchmarks DEPENDS ${VELLOMARCH_BENCH_PROGRAMS})

# The floor for any Qt 6 Widgets program: one empty window, nothing else.
add_executable(bench_bare_qt_window ${CMAKE_SOURCE_DIR}/bench/tools/bare_qt_window.cpp)
target_link_libraries(bench_bare_qt_window PRIVATE Qt6::Widgets)
vellomarch_warnings(bench_bare_qt_window)

# A line edit that prints the monotonic time at which pasted text arrives.
add_executable(bench_paste_target ${CMAKE_SOURCE_DIR}/bench/tools/paste_target.cpp)
target_link_libraries(bench_paste_target PRIVATE Qt6::Widgets)
vellomarch_warnings(bench_paste_target)

# The X11 side of the measurements: clipboard owner and XFixes watcher, key presses, window
# and file watches, on the monotonic clock.
find_package(X11 REQUIRED COMPONENTS Xfixes Xtst)
add_executable(bench_x11_probe ${CMAKE_SOURCE_DIR}/bench/tools/x11_probe.cpp)
target_link_libraries(bench_x11_probe PRIVATE X11::X11 X11::Xfixes X11::Xtst)
vellomarch_warnings(bench_x11_probe)

# Counts the entries of a Vellomarch data folder's history file.
add_executable(bench_history_count ${CMAKE_SOURCE_DIR}/bench/tools/history_count.cpp)
target_link_libraries(bench_history_count PRIVATE vellomarch_linux)
vellomarch_warnings(bench_history_count)
