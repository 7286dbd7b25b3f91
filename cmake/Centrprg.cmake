# Helpers shared by every folder's CMakeLists.txt.
include(GoogleTest)

# centrprg_library(<target> [QT] [DEPS <targets>...] [EXCLUDE <files>...])
# Builds the library of the current folder from every .cpp in it (not recursive), but the excluded ones.
# A folder without sources yet gives an interface library, so dependants can link it already.
# QT turns on moc for the folder; folders under db/ and platform/data never pass it.
# DEPS name exactly what the library's own code uses. The project libraries among them are its floors,
# the layers below it; the two layer checks read them from here and nowhere else: the symbol check
# (centrprg_layer_check) and the include check (centrprg_include_checks).
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
    file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
    set_property(GLOBAL APPEND PROPERTY CENTRPRG_LIBRARIES ${target})
    set_property(GLOBAL PROPERTY CENTRPRG_FOLDER_${target} ${folder})
    set_property(GLOBAL PROPERTY CENTRPRG_DEPS_${target} ${ARG_DEPS})
    set_property(GLOBAL PROPERTY CENTRPRG_FILES_${target} ${sources} ${headers})
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

# centrprg_include_checks(): called once every library is defined.
# The symbol check misses a header used only for its inline code, so each library's includes are checked
# too (cmake/IncludeCheck.cmake): a project header it includes belongs to the library itself or to one of
# the libraries its DEPS name, each of those is included somewhere, and the floors make no cycle (an
# include allowed then always goes to a lower layer). The libraries, their folders, files and floors go
# to one manifest (build/<preset>/layers/manifest.cmake); the checks are built with everything
# and with test_programs, and again when a file of their library changes.
function(centrprg_include_checks)
    get_property(libraries GLOBAL PROPERTY CENTRPRG_LIBRARIES)
    set(manifest_text "# The libraries, their folders, files and floors (cmake/Centrprg.cmake).\n")
    string(APPEND manifest_text "set(LAYER_LIBRARIES ${libraries})\n")
    foreach(library ${libraries})
        get_property(folder GLOBAL PROPERTY CENTRPRG_FOLDER_${library})
        get_property(deps GLOBAL PROPERTY CENTRPRG_DEPS_${library})
        get_property(files GLOBAL PROPERTY CENTRPRG_FILES_${library})
        set(floors)
        foreach(dep ${deps})
            if(dep IN_LIST libraries)
                list(APPEND floors ${dep})
            endif()
        endforeach()
        set(names)
        foreach(file ${files})
            get_filename_component(name ${file} NAME)
            list(APPEND names ${name})
        endforeach()
        string(APPEND manifest_text "set(LAYER_FOLDER_${library} ${folder})\n"
                                    "set(LAYER_FLOORS_${library} ${floors})\n"
                                    "set(LAYER_FILES_${library} ${names})\n")
    endforeach()
    set(manifest ${PROJECT_BINARY_DIR}/layers/manifest.cmake)
    file(WRITE ${manifest}.new "${manifest_text}")
    file(COPY_FILE ${manifest}.new ${manifest} ONLY_IF_DIFFERENT)
    set(script ${PROJECT_SOURCE_DIR}/cmake/IncludeCheck.cmake)
    foreach(library ${libraries})
        get_property(files GLOBAL PROPERTY CENTRPRG_FILES_${library})
        set(stamp ${PROJECT_BINARY_DIR}/layers/${library}.checked)
        add_custom_command(OUTPUT ${stamp}
            COMMAND ${CMAKE_COMMAND} -DMANIFEST=${manifest} -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
                    -DLIBRARY=${library} -P ${script}
            COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
            DEPENDS ${files} ${manifest} ${script}
            COMMENT "Checking the includes of ${library}"
            VERBATIM)
        add_custom_target(${library}_include_check ALL DEPENDS ${stamp})
        set_property(GLOBAL APPEND PROPERTY CENTRPRG_LAYER_CHECKS ${library}_include_check)
    endforeach()
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
