# brumel-batch: the batch run from a shell.
find_package(CLI11 REQUIRED)
add_library(brumel_cli STATIC src/cli/batch_command.cpp src/cli/correction_options.cpp
  src/cli/not_reached.cpp
  src/cli/progress_line.cpp src/cli/collection_options.cpp src/cli/input_list.cpp src/cli/report.cpp
  src/cli/stop_signals.cpp)
target_link_libraries(brumel_cli PUBLIC brumel_core CLI11::CLI11)
add_executable(brumel-batch src/cli/main.cpp)
target_link_libraries(brumel-batch PRIVATE brumel_cli)

# Draws the sample picture of docs/ (not installed, not needed by the program).
add_executable(make_faded_sample tools/make_faded_sample.cpp)
target_link_libraries(make_faded_sample PRIVATE brumel_core)

# Fades a real photograph as a print kept in the dark, and puts a before and after side by side,
# for docs/ (not installed, not needed by the program).
add_executable(fade_photograph tools/fade_photograph.cpp)
target_link_libraries(fade_photograph PRIVATE brumel_core)
add_executable(side_by_side tools/side_by_side.cpp)
target_link_libraries(side_by_side PRIVATE brumel_core)
