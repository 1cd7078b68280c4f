# The scrolling prompter text.
target_sources(tavilo_ui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/ScrollingTextView.cpp
)
