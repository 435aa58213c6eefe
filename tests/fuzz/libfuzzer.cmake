# Built only in a clang configuration with -DORTE_FUZZ=ON (see scripts/fuzz).
add_executable(fuzz_reply_path ${CMAKE_CURRENT_LIST_DIR}/fuzz_reply_path.cpp)
target_link_libraries(fuzz_reply_path PRIVATE orte_core)
target_link_options(fuzz_reply_path PRIVATE -fsanitize=fuzzer)
set_target_properties(fuzz_reply_path PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
