# Writes the manual page vorlan.1 (gzipped) from the program's own --help text, so that the two never
# disagree. Run as: cmake -DVORLAN=<program> -DVERSION=<x.y> -DOUT=<vorlan.1.gz> -P ManPage.cmake
execute_process(
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ${VORLAN} --help
    OUTPUT_VARIABLE help
    RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "vorlan --help failed (${rc})")
endif()
# roff: a backslash is written \e, and a line starting with a dot or an apostrophe is protected.
string(REPLACE "\\" "\\e" help "${help}")
string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" help "${help}")
set(page ".TH VORLAN 1 \"\" \"vorlan ${VERSION}\" \"用户命令\"
.SH 名称
vorlan \\- 套打系统：在预印的快递单、汇款单和发票上只打印数据
.SH 概要
.B vorlan
.br
.B vorlan print
\\fI选项\\fR …
.br
.B vorlan \\-\\-help
|
.B \\-\\-version
.SH 描述
不带参数时启动窗口程序。带参数时不需要图形显示：
.PP
.nf
${help}
.fi
.SH 数据文件夹
数据库文件 RavIZ.mdb 以及 Backup/、tmp.mdb 和 NowVer.txt 所在的文件夹：
.TP
安装的程序（/usr/bin/vorlan）
每个用户自己的数据文件夹 \\fI$XDG_DATA_HOME/Vorlan/Vorlan\\fR（缺省为 \\fI~/.local/share/Vorlan/Vorlan\\fR），
从不写在程序所在的文件夹里。
.TP
从编译目录运行的程序
程序所在的文件夹；那里不能写入时改用每个用户自己的数据文件夹。
.TP
\\fB\\-\\-data\\-dir\\fR \\fI文件夹\\fR
使用指定的文件夹（也适用于 vorlan print），例如另一个门店或测试。
.SH 退出状态
.TP
0
全部打印完成（并已保存打印记录）。
.TP
1
输入有误，什么也没有打印。
.TP
2
打印失败，什么也没有打印，也没有保存打印记录。
.TP
3
已经打印，但打印记录没有保存。
")
get_filename_component(dir "${OUT}" DIRECTORY)
file(WRITE "${dir}/vorlan.1" "${page}")
execute_process(COMMAND gzip -9nf "${dir}/vorlan.1" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "gzip failed")
endif()
