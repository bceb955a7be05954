# reader_export_headers(<target> <folder>)
#
# Gives <target>, and every target that links it, the headers of the source folder <folder>
# (a path below the project: "params", "tests/support") as "<folder>/Name.h", and nothing
# else: the exported include directory ${CMAKE_BINARY_DIR}/include/<folder> holds only a
# symbolic link <folder> to the source folder. No target has the source tree itself as an
# include directory, so a file that includes a header of a layer it does not link (a page
# including "app/Main.h", the library including "params/...") fails to compile.
#
# The directory is a build-tree path only; installed targets name their own include
# directories (packaging/).
function(reader_export_headers target folder)
    set(root ${CMAKE_BINARY_DIR}/include/${folder})
    set(link ${root}/${folder})
    if(NOT IS_SYMLINK ${link})
        get_filename_component(parent ${link} DIRECTORY)
        file(MAKE_DIRECTORY ${parent})
        file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${link} SYMBOLIC)
    endif()
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "INTERFACE_LIBRARY")
        set(scope INTERFACE)
    else()
        set(scope PUBLIC)
    endif()
    target_include_directories(${target} ${scope} $<BUILD_INTERFACE:${root}>)
endfunction()
