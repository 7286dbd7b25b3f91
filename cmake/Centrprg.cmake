# Helpers shared by every folder's CMakeLists.txt.
include(GoogleTest)

# centrprg_library(<target> [QT] [DEPS <targets>...] [EXCLUDE <files>...])
# Builds the library of the current folder from every .cpp in it (not recursive), but the excluded ones.
# A folder without sources yet gives an interface library, so dependants can link it already.
# QT turns on moc for the folder; folders under db/ and platform/data never pass it.
function(centrprg_library target)
    cmake_parse_arguments(ARG "QT" "" "DEPS;EXCLUDE" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    file(GLOB headers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
    foreach(excluded ${ARG_EXCLUDE})
        list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/${excluded})
    endforeach()
    if(sources)
        add_library(${target} STATIC ${sources} ${headers})
        target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
        target_link_libraries(${target} PUBLIC ${ARG_DEPS})
        if(ARG_QT)
            set_target_properties(${target} PROPERTIES AUTOMOC ON AUTOUIC ON AUTORCC ON)
        endif()
        centrprg_layer_check(${target})
    else()
        add_library(${target} INTERFACE)
        target_include_directories(${target} INTERFACE ${PROJECT_SOURCE_DIR})
        target_link_libraries(${target} INTERFACE ${ARG_DEPS})
    endif()
endfunction()

# centrprg_layer_check(<library>)
# A library uses only the libraries it names in DEPS and theirs: the layers below it. The check is a
# program made of every object of the library and linked with those libraries alone, so a symbol taken
# from a library above (or from one not named) is left undefined and the build fails. The programs are
# never run; test_programs builds them all (CENTRPRG_LAYER_CHECKS).
function(centrprg_layer_check target)
    set(check ${target}_layer_check)
    add_executable(${check} ${PROJECT_SOURCE_DIR}/cmake/LayerCheck.cpp)
    target_link_libraries(${check} PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,${target}>")
    set_property(GLOBAL APPEND PROPERTY CENTRPRG_LAYER_CHECKS ${check})
endfunction()

# centrprg_test(<name> [QT] [LIBS <targets>...] [SOURCES <files>...])
# One GoogleTest executable per test folder (default sources: every .cpp of the folder).
# QT tests run with the offscreen platform plugin.
function(centrprg_test name)
    cmake_parse_arguments(ARG "QT" "" "LIBS;SOURCES" ${ARGN})
    if(NOT ARG_SOURCES)
        file(GLOB ARG_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    endif()
    if(NOT ARG_SOURCES)
        return()
    endif()
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
    target_compile_definitions(${name} PRIVATE
        CENTRPRG_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
        CENTRPRG_BINARY_DIR="${PROJECT_BINARY_DIR}")
    # One value per property: a list value would be split into further property names.
    set(properties ENVIRONMENT "CENTRPRG_TEST=1" LABELS "${name}")
    if(ARG_QT)
        set_target_properties(${name} PROPERTIES AUTOMOC ON)
        list(APPEND properties ENVIRONMENT_MODIFICATION "QT_QPA_PLATFORM=set:offscreen")
    endif()
    gtest_discover_tests(${name}
        DISCOVERY_MODE PRE_TEST
        DISCOVERY_TIMEOUT 60
        NO_PRETTY_VALUES
        WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
        PROPERTIES ${properties})
endfunction()

# centrprg_bench(<name> [LIBS <targets>...] [SOURCES <files>...])
# One Google Benchmark executable; never run by the tests.
function(centrprg_bench name)
    cmake_parse_arguments(ARG "" "" "LIBS;SOURCES" ${ARGN})
    if(NOT ARG_SOURCES)
        file(GLOB ARG_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    endif()
    if(NOT ARG_SOURCES)
        return()
    endif()
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} benchmark::benchmark)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
endfunction()

# Adds every listed sub-folder that holds a CMakeLists.txt.
function(centrprg_add_existing_subdirs)
    foreach(dir ${ARGN})
        if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
            add_subdirectory(${dir})
        endif()
    endforeach()
endfunction()

# centrprg_programs_below(<dir> <out>): the executables and custom targets defined in <dir> and its
# sub-folders (those already added).
function(centrprg_programs_below dir out)
    set(found)
    get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
    foreach(target ${targets})
        get_target_property(type ${target} TYPE)
        if(type STREQUAL "EXECUTABLE" OR type STREQUAL "UTILITY")
            list(APPEND found ${target})
        endif()
    endforeach()
    get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
    foreach(subdir ${subdirs})
        centrprg_programs_below(${subdir} below)
        list(APPEND found ${below})
    endforeach()
    set(${out} ${found} PARENT_SCOPE)
endfunction()
