# One static library per layer, built from an explicit list of its sources and headers, linking
# the layers it uses (src/layers.txt, the one place the layer graph is written) and the outside
# LIBRARIES it names. With MSGKEEPER_HEADER_CHECK each header of the layer is also compiled on
# its own, so that every header includes what it uses.
set(MSGKEEPER_LAYERS_FILE ${PROJECT_SOURCE_DIR}/src/layers.txt)
set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
    ${MSGKEEPER_LAYERS_FILE})

# Sets out to the libraries of the layers that layer uses directly.
function(msgkeeper_layer_uses layer out)
    file(STRINGS ${MSGKEEPER_LAYERS_FILE} lines REGEX "^${layer}[ \t]*\\|")
    list(LENGTH lines count)
    if(NOT count EQUAL 1)
        message(FATAL_ERROR "src/layers.txt: the layer ${layer} needs exactly one line")
    endif()
    string(REGEX REPLACE "^[^|]*\\|([^|]*)\\|.*$" "\\1" field "${lines}")
    string(REGEX MATCHALL "[a-z_]+" uses "${field}")
    list(TRANSFORM uses PREPEND msgkeeper_)
    set(${out} ${uses} PARENT_SCOPE)
endfunction()

function(msgkeeper_layer name)
    # LINKS, the older keyword, is parsed only to be refused: taken as a source it would fail
    # with a misleading message.
    cmake_parse_arguments(LAYER "" "" "SOURCES;LIBRARIES;LINKS" ${ARGN})
    if(LAYER_UNPARSED_ARGUMENTS OR DEFINED LAYER_LINKS)
        message(FATAL_ERROR "msgkeeper_layer(${name}) takes SOURCES and LIBRARIES (libraries "
            "from outside); the layers it uses go in src/layers.txt")
    endif()
    foreach(library ${LAYER_LIBRARIES})
        if(library MATCHES "^msgkeeper")
            message(FATAL_ERROR "msgkeeper_layer(${name}): ${library} is a layer; "
                "list it among the uses in src/layers.txt")
        endif()
    endforeach()
    string(REGEX REPLACE "^msgkeeper_" "" layer ${name})
    msgkeeper_layer_uses(${layer} uses)
    add_library(${name} STATIC ${LAYER_SOURCES})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_compile_options(${name} PRIVATE ${MSGKEEPER_WARNINGS})
    target_link_libraries(${name} PUBLIC ${uses} ${LAYER_LIBRARIES})
    if(MSGKEEPER_HEADER_CHECK)
        msgkeeper_check_headers(${name} ${LAYER_SOURCES})
    endif()
endfunction()

function(msgkeeper_check_headers name)
    set(units "")
    foreach(source ${ARGN})
        if(source MATCHES "\\.h$")
            file(RELATIVE_PATH header ${PROJECT_SOURCE_DIR}/src
                ${CMAKE_CURRENT_SOURCE_DIR}/${source})
            string(MAKE_C_IDENTIFIER ${header} unit)
            set(unit ${CMAKE_CURRENT_BINARY_DIR}/header_check/${unit}.cpp)
            file(CONFIGURE OUTPUT ${unit} CONTENT "#include \"${header}\"\n")
            list(APPEND units ${unit})
        endif()
    endforeach()
    if(units)
        add_library(${name}_header_check OBJECT ${units})
        target_compile_options(${name}_header_check PRIVATE ${MSGKEEPER_WARNINGS})
        target_link_libraries(${name}_header_check PRIVATE ${name})
    endif()
endfunction()
