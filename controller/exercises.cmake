# The exercises' step bytes and captions, and the station model, shared with the tools that
# judge a station. Included by controller/ and by the fuzz tree, which builds nothing else of
# controller/ (no Qt there).
add_library(orlanek_exercises STATIC ${CMAKE_CURRENT_LIST_DIR}/exercise_table.cpp)
target_include_directories(orlanek_exercises PUBLIC ${CMAKE_CURRENT_LIST_DIR})
orlanek_warnings(orlanek_exercises)

# The station model: the sequencer's state and decisions, with no toolkit and no device; the
# program applies it, station-check judges by it. The board's protocol comes with it.
add_library(orlanek_model STATIC ${CMAKE_CURRENT_LIST_DIR}/station_model.cpp)
target_include_directories(orlanek_model PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(orlanek_model PUBLIC orlanek_exercises orlanek_board_protocol)
orlanek_warnings(orlanek_model)
