# What makes an executable a Windows desktop program: no console window beside it, one
# self-contained file (static Qt, static runtime), the binoculars icon and the version
# resource that Explorer shows, and the platform plugin a static Qt must be told to link.
find_program(ZOLVANTEK_RSVG rsvg-convert REQUIRED)
find_program(ZOLVANTEK_ICOTOOL icotool REQUIRED)

# The icon of the program, its Start menu entry and its installer: every size Windows asks
# for between 100 % and 200 % display scale, each drawn from the SVG, not scaled from a
# neighbour. The 256 px image stays PNG-compressed inside, as Windows expects.
set(ZOLVANTEK_ICON_SIZES 16 20 24 32 40 48 64)
function(zolvantek_binoculars_ico icon)
    set(svg ${PROJECT_SOURCE_DIR}/resources/binoculars.svg)
    set(images)
    foreach(size IN LISTS ZOLVANTEK_ICON_SIZES ITEMS 256)
        set(png ${CMAKE_CURRENT_BINARY_DIR}/binoculars-${size}.png)
        add_custom_command(OUTPUT ${png}
            COMMAND ${ZOLVANTEK_RSVG} --width=${size} --height=${size} --keep-aspect-ratio
                --output=${png} ${svg}
            DEPENDS ${svg} VERBATIM)
        list(APPEND images ${png})
    endforeach()
    list(POP_BACK images large)
    add_custom_command(OUTPUT ${icon}
        COMMAND ${ZOLVANTEK_ICOTOOL} --create --output=${icon} ${images} --raw=${large}
        DEPENDS ${images} ${large} VERBATIM)
endfunction()

function(zolvantek_windows_program target)
    set(icon ${CMAKE_CURRENT_BINARY_DIR}/binoculars.ico)
    zolvantek_binoculars_ico(${icon})
    set(rc ${PROJECT_SOURCE_DIR}/resources/zolvantek.rc)
    set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS ${icon})
    target_sources(${target} PRIVATE ${rc})
    target_include_directories(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR})
    set_target_properties(${target} PROPERTIES WIN32_EXECUTABLE ON)
    # A release build ships without its symbol tables: half of the file's size.
    target_link_options(${target} PRIVATE -static $<$<CONFIG:Release,MinSizeRel>:-s>)
    # Only the plugins the program uses: it reads no image files (its pictures are PNGs in
    # its resources, which QtGui reads itself), so none of the image format plugins.
    qt_import_plugins(${target} INCLUDE Qt6::QWindowsIntegrationPlugin
        EXCLUDE_BY_TYPE imageformats)

    # The Qt-free layers do no work where speed shows (a registry read, a process start):
    # built for size.
    foreach(library IN ITEMS zolvantek_common zolvantek_settings zolvantek_launch zolvantek_platform)
        target_compile_options(${library} PRIVATE $<$<CONFIG:Release>:-Os>)
    endforeach()

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
