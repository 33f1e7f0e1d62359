# SPDX-License-Identifier: GPL-3.0-or-later
# What the module ohmrada-plots takes from the program: every symbol of the
# program's own code (namespace ohmrada) that the module leaves undefined.
# Writes the linker options that make the program link those symbols in and
# export them, and nothing else of its own:
#
#   cmake -DNM=nm -DMODULE=ohmrada-plots.so -DOUTPUT=imports.rsp -P PlotModuleImports.cmake
foreach(required NM MODULE OUTPUT)
    if(NOT ${required})
        message(FATAL_ERROR "PlotModuleImports.cmake: ${required} is not set")
    endif()
endforeach()
execute_process(COMMAND ${NM} -D --undefined-only --format=posix ${MODULE}
    OUTPUT_VARIABLE listing RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "PlotModuleImports.cmake: ${NM} cannot read ${MODULE}")
endif()
string(REPLACE "\n" ";" lines "${listing}")
set(options "")
set(count 0)
foreach(line IN LISTS lines)
    # "name type [value size]"; only strong references (U) must be there.
    if(line MATCHES "^(_Z[^ @]*7ohmrada[^ @]*) U")
        string(APPEND options "--undefined=${CMAKE_MATCH_1}\n"
                              "--export-dynamic-symbol=${CMAKE_MATCH_1}\n")
        math(EXPR count "${count} + 1")
    endif()
endforeach()
if(count EQUAL 0)
    message(FATAL_ERROR "PlotModuleImports.cmake: ${MODULE} takes nothing from the program")
endif()
# Rewritten only when it changes: the program is linked again only then.
file(WRITE ${OUTPUT}.new "${options}")
file(COPY_FILE ${OUTPUT}.new ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.new)
