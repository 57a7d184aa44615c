# The wall between the layers, kept by the compiler.
#
# Each layer of src/ is one library that sees only the include roots below it: core sees src/core, print
# adds src/print, the command line adds src/cli, the windows add src/gui. A core file cannot even find a
# window's header.
#
# Qt headers need more: QtPrintSupport brings QtWidgets onto the include path of print/ and cli/, and every
# Qt header is also reachable as <QtWidgets/...> from the common Qt root. So the layers below the windows
# compile with a directory of stand-in headers placed first: one for every QtWidgets header (both spellings,
# <QWidget> and <QtWidgets/qwidget.h>) and the print dialogs, and for core also every QtPrintSupport
# header. Each stand-in stops the compile with a message naming the layer's rule. The few macro headers
# that qprinter.h itself needs (qtwidgetsglobal.h and its two includes) are left alone.

set(VORLAN_WALL_DIR ${CMAKE_BINARY_DIR}/wall)

function(vorlan_wall_headers dir real_dir module message)
    file(GLOB headers RELATIVE ${real_dir} ${real_dir}/*)
    list(REMOVE_ITEM headers qtwidgetsglobal.h qtwidgets-config.h qtwidgetsexports.h)
    foreach(h ${headers})
        if(IS_DIRECTORY ${real_dir}/${h})
            continue()
        endif()
        set(text "#error \"<${h}>: ${message}\"\n")
        file(WRITE ${dir}/prefixed/${module}/${h} "${text}")
        file(WRITE ${dir}/bare/${h} "${text}")
    endforeach()
endfunction()

function(vorlan_qt_module_dir out target module)
    get_target_property(dirs ${target} INTERFACE_INCLUDE_DIRECTORIES)
    foreach(d ${dirs})
        if(d MATCHES "/${module}$" AND IS_DIRECTORY ${d})
            set(${out} ${d} PARENT_SCOPE)
            return()
        endif()
    endforeach()
    message(FATAL_ERROR "No include folder of ${module} found in ${target}")
endfunction()

vorlan_qt_module_dir(qt_widgets_dir Qt6::Widgets QtWidgets)
vorlan_qt_module_dir(qt_printsupport_dir Qt6::PrintSupport QtPrintSupport)
set(widget_rule "a widget header, only src/gui may use widgets")
vorlan_wall_headers(${VORLAN_WALL_DIR}/nowidgets ${qt_widgets_dir} QtWidgets "${widget_rule}")
foreach(h QAbstractPrintDialog QPageSetupDialog QPrintDialog QPrintPreviewDialog QPrintPreviewWidget
        qabstractprintdialog.h qpagesetupdialog.h qprintdialog.h qprintpreviewdialog.h qprintpreviewwidget.h)
    set(text "#error \"<${h}>: ${widget_rule}\"\n")
    file(WRITE ${VORLAN_WALL_DIR}/nowidgets/prefixed/QtPrintSupport/${h} "${text}")
    file(WRITE ${VORLAN_WALL_DIR}/nowidgets/bare/${h} "${text}")
endforeach()
vorlan_wall_headers(${VORLAN_WALL_DIR}/noprinter ${qt_printsupport_dir} QtPrintSupport
    "a printer header, the core draws on any paint device, src/print holds the printer")

# The include roots and stand-in folders of a layer: core, print, cli or gui.
function(vorlan_layer_includes target layer)
    set(roots core)
    set(walls nowidgets noprinter)
    if(layer STREQUAL "print")
        set(roots core print)
        set(walls nowidgets)
    elseif(layer STREQUAL "cli")
        set(roots core print cli)
        set(walls nowidgets)
    elseif(layer STREQUAL "gui")
        set(roots core print gui)
        set(walls "")
    endif()
    foreach(w ${walls})
        # Two folders, since <QtWidgets> (the module header) and <QtWidgets/...> cannot share one.
        target_include_directories(${target} BEFORE PRIVATE
            ${VORLAN_WALL_DIR}/${w}/prefixed ${VORLAN_WALL_DIR}/${w}/bare)
    endforeach()
    foreach(r ${roots})
        target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/src/${r})
    endforeach()
endfunction()

# Proof that the wall holds: each probe includes one header its layer must not see and is built by a test
# that passes only when the compile stops with the expected reason. A probe has the flags of its layer but
# links nothing, so building it builds nothing else.
function(vorlan_wall_probe name layer header expected)
    set(id ${layer}_${name})
    set(src ${VORLAN_WALL_DIR}/probes/${id}.cpp)
    file(WRITE ${src} "#include ${header}\n")
    add_library(wallprobe_${id} OBJECT EXCLUDE_FROM_ALL ${src})
    set_target_properties(wallprobe_${id} PROPERTIES AUTOMOC OFF)
    target_link_libraries(wallprobe_${id} PRIVATE ${ARGN})
    vorlan_layer_includes(wallprobe_${id} ${layer})
    add_test(NAME wall/${layer}/${name}
        COMMAND ${CMAKE_COMMAND} --build ${CMAKE_BINARY_DIR} --target wallprobe_${id})
    set_tests_properties(wall/${layer}/${name} PROPERTIES
        PASS_REGULAR_EXPRESSION "${expected}" RESOURCE_LOCK vorlan_build_tree)
endfunction()
