# Fails when a C++ file outside tablestore/ includes one of the table store's
# private headers: a header below tablestore/ that is not in
# tablestore/include/tabula. Run as
#   cmake -DSOURCE_DIR=<repository root> -P CheckIncludeBoundary.cmake
# The private include folders are not on any outside target's include path,
# so such an include also fails to compile; this check also catches a target
# that adds those folders to its own path.
cmake_minimum_required(VERSION 3.25)

file(GLOB_RECURSE store_headers RELATIVE ${SOURCE_DIR}/tablestore ${SOURCE_DIR}/tablestore/*.h)
set(private_names "")
set(public_names "")
foreach(h ${store_headers})
    get_filename_component(name ${h} NAME)
    if(h MATCHES "^include/tabula/")
        list(APPEND public_names ${name})
    elseif(NOT h MATCHES "/tests/")
        list(APPEND private_names ${name})
    endif()
endforeach()
list(REMOVE_ITEM private_names ${public_names})

file(GLOB_RECURSE outside_files ${SOURCE_DIR}/*.h ${SOURCE_DIR}/*.cpp)
set(leaks "")
foreach(f ${outside_files})
    file(RELATIVE_PATH rel ${SOURCE_DIR} ${f})
    if(rel MATCHES "^(tablestore|build[^/]*)/")
        continue()
    endif()
    file(STRINGS ${f} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
    foreach(line ${includes})
        string(REGEX REPLACE "^[^<\"]*[<\"]([^>\"]+)[>\"].*$" "\\1" included "${line}")
        get_filename_component(name "${included}" NAME)
        if(name IN_LIST private_names)
            list(APPEND leaks "${rel}: ${included}")
        endif()
    endforeach()
endforeach()

if(leaks)
    list(JOIN leaks "\n  " text)
    message(FATAL_ERROR "Private table-store headers included from outside tablestore/:\n  ${text}")
endif()
