# Run timer and mini prompter.
target_sources(tavilo_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/ClockFormat.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MiniPrompter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MiniPrompterEngine.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ReadingEstimate.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RunTimerDisplay.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TimerBadgeState.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TimerEngine.cpp
)
# Sentences are split on grapheme clusters.
target_link_libraries(tavilo_core PRIVATE ICU::uc)
