# The scroll engine and its binding to the model.
target_sources(tavilo_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/ScrollEngine.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PrompterScroller.cpp
)
