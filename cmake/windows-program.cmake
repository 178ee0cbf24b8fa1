# What makes an executable a Windows desktop program: no console window beside it, one
# self-contained file (static Qt, static runtime), the binoculars icon and the version
# resource that Explorer shows, and the platform plugin a static Qt must be told to link.
find_program(ZOLVANTEK_MAGICK convert REQUIRED)

function(zolvantek_windows_program target)
    set(icon ${CMAKE_CURRENT_BINARY_DIR}/binoculars.ico)
    add_custom_command(OUTPUT ${icon}
        COMMAND ${ZOLVANTEK_MAGICK} ${PROJECT_SOURCE_DIR}/resources/binoculars-16.png
            ${PROJECT_SOURCE_DIR}/resources/binoculars-32.png ${icon}
        DEPENDS ${PROJECT_SOURCE_DIR}/resources/binoculars-16.png
            ${PROJECT_SOURCE_DIR}/resources/binoculars-32.png
        VERBATIM)
    set(rc ${PROJECT_SOURCE_DIR}/resources/zolvantek.rc)
    set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS ${icon})
    target_sources(${target} PRIVATE ${rc})
    target_include_directories(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR})
    set_target_properties(${target} PROPERTIES WIN32_EXECUTABLE ON)
    # A release build ships without its symbol tables: half of the file's size.
    target_link_options(${target} PRIVATE -static $<$<CONFIG:Release,MinSizeRel>:-s>)
    qt_import_plugins(${target} INCLUDE Qt6::QWindowsIntegrationPlugin)

    # Qt is linked in statically: its notices and licence texts go beside the program.
    set(notices $<TARGET_FILE_DIR:${target}>/licenses)
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${CMAKE_COMMAND} -E make_directory ${notices}
        COMMAND ${CMAKE_COMMAND} -E copy
            ${PROJECT_SOURCE_DIR}/resources/licenses/third-party-notices.txt
            /usr/share/common-licenses/LGPL-3 /usr/share/common-licenses/GPL-3
            /usr/share/common-licenses/LGPL-2.1 ${notices}
        VERBATIM)
endfunction()
