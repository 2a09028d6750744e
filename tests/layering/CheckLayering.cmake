# Checks the dependency rule on the include folders the build made
# (build/include/<folder>, see inkvista_library):
#   - from each folder, a header of every folder it may use is found, and a
#     header of any other folder cannot be included: the compiler stops at
#     that include;
#   - no source reaches around the include folders with "../";
#   - the folders without Qt include no Qt header;
#   - of tools/, only app includes the converter's library.
# cmake -DCXX=... -DSOURCE=<src> -DINCLUDES=<build>/include -DWORK=<dir> -P CheckLayering.cmake
cmake_minimum_required(VERSION 3.25)

# The rule itself, written out rather than read from the build, so that the
# build is checked against it.
set(ALLOWED_platform "")
set(ALLOWED_settings platform)
set(ALLOWED_book settings platform)
set(ALLOWED_models book settings platform)
set(ALLOWED_ui models book settings platform)
set(ALLOWED_viewer ui models book settings platform)
set(ALLOWED_library ui models book settings platform)
set(ALLOWED_dialogs ui models book settings platform)
set(ALLOWED_app viewer library dialogs ui models book settings platform)
set(FOLDERS platform settings book models ui viewer library dialogs app)
set(QT_FREE platform settings book models)

set(failures 0)
macro(fail message)
    message(SEND_ERROR "${message}")
    math(EXPR failures "${failures} + 1")
endmacro()

file(MAKE_DIRECTORY ${WORK})
foreach(from ${FOLDERS})
    set(include ${INCLUDES}/${from})
    if(NOT IS_DIRECTORY ${include})
        continue()  # not built in this configuration (no Qt)
    endif()
    foreach(to ${FOLDERS})
        file(GLOB headers RELATIVE ${SOURCE}/${to} ${SOURCE}/${to}/*.h)
        if(NOT headers)
            continue()
        endif()
        list(SORT headers)
        list(GET headers 0 header)
        set(probe ${WORK}/${from}-includes-${to}.cpp)
        file(WRITE ${probe} "#include \"${to}/${header}\"\n")
        if(to STREQUAL from OR to IN_LIST ALLOWED_${from})
            # Found through the folder's own include set (headers it includes
            # from outside, like Qt's, may stay unresolved here).
            execute_process(COMMAND ${CXX} -std=c++20 -MM -MG -I${include} ${probe}
                            RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
            string(FIND "${out}" "${include}/${to}/${header}" at)
            if(NOT status EQUAL 0 OR at EQUAL -1)
                fail("${from} cannot include ${to}/${header}, which it may use: ${out}${err}")
            endif()
        else()
            execute_process(COMMAND ${CXX} -std=c++20 -fsyntax-only -I${include} ${probe}
                            RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
            string(FIND "${err}" "${to}/${header}: No such file or directory" at)
            if(status EQUAL 0 OR at EQUAL -1)
                fail("${from} can include ${to}/${header}, which is above or beside it: ${err}")
            endif()
        endif()
    endforeach()
endforeach()

file(GLOB_RECURSE sources ${SOURCE}/*.h ${SOURCE}/*.cpp)
foreach(source ${sources})
    file(STRINGS ${source} around REGEX "^[ \t]*#[ \t]*include[ \t]*\"\\.\\./")
    if(around)
        fail("${source} includes around the include folders: ${around}")
    endif()
endforeach()

foreach(folder ${QT_FREE})
    file(GLOB sources ${SOURCE}/${folder}/*.h ${SOURCE}/${folder}/*.cpp)
    foreach(source ${sources})
        file(STRINGS ${source} qt REGEX "^[ \t]*#[ \t]*include[ \t]*<Q")
        if(qt)
            fail("${source} is in ${folder}, which has no Qt, and includes ${qt}")
        endif()
    endforeach()
endforeach()

# Of tools/, only the shell uses the converter's library (bookwriter, with
# the encoders beneath it), to make books of dropped archives; the tool's
# own commands stay the tool's.
foreach(folder ${FOLDERS})
    file(GLOB sources ${SOURCE}/${folder}/*.h ${SOURCE}/${folder}/*.cpp)
    if(folder STREQUAL app)
        set(pattern "^[ \t]*#[ \t]*include[ \t]*\"inkvista-tool/")
    else()
        set(pattern "^[ \t]*#[ \t]*include[ \t]*\"(bookwriter|encode|inkvista-tool)/")
    endif()
    foreach(source ${sources})
        file(STRINGS ${source} tool REGEX "${pattern}")
        if(tool)
            fail("${source} is in ${folder} and includes from tools/: ${tool}")
        endif()
    endforeach()
endforeach()

if(failures GREATER 0)
    message(FATAL_ERROR "${failures} breach(es) of the dependency rule")
endif()
message(STATUS "dependency rule kept")
