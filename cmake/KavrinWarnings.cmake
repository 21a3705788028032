# kavrin_warnings: the warnings every target of ours builds with. Each target
# links it privately, so Qt's headers and other projects are not judged by it.
# KAVRIN_WERROR makes them errors (scripts/test sets it: a new warning fails).
option(KAVRIN_WERROR "Treat compiler warnings as errors" OFF)
add_library(kavrin_warnings INTERFACE)
if(MSVC)
  target_compile_options(kavrin_warnings INTERFACE /W4 $<$<BOOL:${KAVRIN_WERROR}>:/WX>)
else()
  target_compile_options(kavrin_warnings INTERFACE -Wall -Wextra -Wshadow -Wconversion
                         $<$<BOOL:${KAVRIN_WERROR}>:-Werror>)
endif()
