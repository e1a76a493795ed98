# Optional parts of the build (test groups, the cross build, benchmarks) say
# what they lacked when left out; feature_summary() at the end of configure
# lists them.
include(FeatureSummary)

# shadow_feature(<name> "<what it is>" [<need> <condition>]...)
# Sets <name> ON when every <condition> holds, else OFF, and records which
# <need>s were missing. A condition is a variable name (a found program, a
# found package, an option) or TARGET:<target>; NOT:<variable> holds when the
# variable is false.
function(shadow_feature name what)
    set(missing)
    set(needs ${ARGN})
    while(needs)
        list(POP_FRONT needs need condition)
        if(condition MATCHES "^TARGET:(.+)$")
            if(NOT TARGET ${CMAKE_MATCH_1})
                list(APPEND missing "${need}")
            endif()
        elseif(condition MATCHES "^NOT:(.+)$")
            if(${CMAKE_MATCH_1})
                list(APPEND missing "${need}")
            endif()
        elseif(NOT ${condition})
            list(APPEND missing "${need}")
        endif()
    endwhile()
    if(missing)
        list(JOIN missing ", " lacking)
        add_feature_info(${name} OFF "${what}; left out, it needs ${lacking}")
        set(${name} OFF PARENT_SCOPE)
    else()
        add_feature_info(${name} ON "${what}")
        set(${name} ON PARENT_SCOPE)
    endif()
endfunction()
