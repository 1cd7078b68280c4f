# Run timer badge and mini prompter views.
target_sources(tavilo_ui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/MiniPrompterView.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TimerBadge.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UiFont.cpp
)
