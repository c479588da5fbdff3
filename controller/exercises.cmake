# The exercises' step bytes and captions, shared with the tools that judge a station. Included
# by controller/ and by the fuzz tree, which builds nothing else of controller/ (no Qt there).
add_library(orlanek_exercises STATIC ${CMAKE_CURRENT_LIST_DIR}/exercise_table.cpp)
target_include_directories(orlanek_exercises PUBLIC ${CMAKE_CURRENT_LIST_DIR})
orlanek_warnings(orlanek_exercises)
