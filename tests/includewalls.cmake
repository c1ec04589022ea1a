# SPDX-License-Identifier: GPL-3.0-or-later
# The includes run one way: ui/ may include game/ and record/, game/ may include record/, and
# record/ (its helper/ too) includes neither; none of them includes tests/ or bench/, and no
# include climbs out of its folder with "..". Run by CTest: cmake -DROOT=<source tree> -P <this>.

set(failures "")
# forbid(FOLDER ROOMS): no file below FOLDER includes a file of ROOMS (a regex of folders).
function(forbid folder rooms)
    file(GLOB_RECURSE sources "${ROOT}/${folder}/*.h" "${ROOT}/${folder}/*.cpp"
         "${ROOT}/${folder}/*.h.in")
    foreach(source IN LISTS sources)
        file(STRINGS "${source}" wrong REGEX "^#include \"((${rooms})/|.*\\.\\./)")
        foreach(line IN LISTS wrong)
            file(RELATIVE_PATH name "${ROOT}" "${source}")
            list(APPEND failures "${name}: ${line}")
        endforeach()
    endforeach()
    set(failures "${failures}" PARENT_SCOPE)
endfunction()

forbid(record "game|ui|tests|bench")
forbid(game "ui|tests|bench")
forbid(ui "tests|bench")

if(failures)
    list(JOIN failures "\n" text)
    message(FATAL_ERROR "includes against the folders' order:\n${text}")
endif()
message(STATUS "includes run one way: ui/ -> game/ -> record/")
