# The program is built in layers. The core (clock, random numbers, the score file, the rules
# and timing of the game) links Qt Core alone: a widget or picture header there does not
# compile, and an include of a higher layer is refused here, spelled-out <QtWidgets/...> and
# <QtGui/...> included, so the rules of the game can never come to depend on a window, a
# picture or a sound.
set(SJB_CORE_REFUSES
  "Qt(Widgets|Gui)/" "widgets/" "main_window/" "help/" "media/" "sound/" "leaderboard/")
list(JOIN SJB_CORE_REFUSES "|" sjb_refused)
function(sjb_core_library name)
  add_library(${name} STATIC ${ARGN})
  target_link_libraries(${name} PUBLIC Qt6::Core)
  foreach(source IN LISTS ARGN)
    file(STRINGS ${CMAKE_CURRENT_SOURCE_DIR}/${source} hits
         REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](${sjb_refused})")
    if(hits)
      message(FATAL_ERROR "${CMAKE_CURRENT_SOURCE_DIR}/${source}: the core may not include ${hits}")
    endif()
  endforeach()
endfunction()
