# The layering check: every #include "folder/..." of a source file must name
# the file's own folder or a folder below it, and Qt headers appear only where
# the table allows them. Run as a CTest:
#   cmake -DROOT=<source tree> -P cmake/CheckLayering.cmake
# It lists every include that breaks the table and fails when there is one.
#
# The order, lowest first: platform < kernel < model < drawables < document <
# {image, reverse, repository, scripting} < editor < dialogs < shell. The four
# folders of one rank do not include each other. tests/<folder>, fuzz/<folder>
# and bench/<folder> may include what <folder> may, their own fuzz or bench
# support, and the test support (tests/support and the fakes of tests/<f>)
# of the folders they may include.
cmake_minimum_required(VERSION 3.22)

if(NOT ROOT)
  message(FATAL_ERROR "CheckLayering: ROOT not given")
endif()

set(below_platform "")
set(below_kernel platform)
set(below_model kernel platform)
set(below_drawables model kernel platform)
set(below_document drawables model kernel platform)
set(below_image document drawables model kernel platform)
set(below_reverse ${below_image})
set(below_repository ${below_image})
set(below_scripting ${below_image})
set(below_editor image reverse repository scripting document drawables model kernel platform)
set(below_dialogs editor ${below_editor})
set(below_shell dialogs ${below_dialogs})
set(product_folders platform kernel model drawables document image reverse repository scripting
                    editor dialogs shell)

# Folders whose code may include Qt headers: the platform layer (not its
# widgets), the user interface, and the tests, benchmarks and fuzz targets.
# The editing operations (editor/operations/) include no Qt, so that they are
# tested headless without widgets.
set(qt_folders platform editor dialogs shell)
set(qt_widget_folders editor dialogs shell)

# tests/tools and tests/support serve several folders: they may include what
# the folder they stand on may (the kest driver runs scripts with the
# scripting built-ins).
set(tools_stand_on scripting)
set(support_stand_on drawables)

set(violations "")

# qt_through(<out> <header>): the Qt header an editor/ header brings in,
# itself or through the editor/ headers it includes ("<QWidget> through
# editor/TEdit.h"), or "" when it brings in none. The editing operations may
# include only editor/ headers that bring in no Qt.
function(qt_through out header)
  get_property(known GLOBAL PROPERTY "qt_through_${header}" SET)
  if(known)
    get_property(found GLOBAL PROPERTY "qt_through_${header}")
    set(${out} "${found}" PARENT_SCOPE)
    return()
  endif()
  # A header met again while its includes are read (a cycle) adds nothing.
  set_property(GLOBAL PROPERTY "qt_through_${header}" "")
  set(found "")
  if(EXISTS "${ROOT}/${header}")
    file(STRINGS "${ROOT}/${header}" header_lines REGEX "^[ \t]*#[ \t]*include")
    foreach(header_line IN LISTS header_lines)
      if(header_line MATCHES "#[ \t]*include[ \t]*<((Qt[A-Za-z]*/)?Q[A-Za-z]*)>")
        set(found "<${CMAKE_MATCH_1}>")
        break()
      elseif(header_line MATCHES "#[ \t]*include[ \t]*\"(editor/[^\"]+)\"")
        set(inner_header "${CMAKE_MATCH_1}")
        qt_through(inner "${inner_header}")
        if(NOT inner STREQUAL "")
          set(found "${inner} through ${inner_header}")
          break()
        endif()
      endif()
    endforeach()
  endif()
  set_property(GLOBAL PROPERTY "qt_through_${header}" "${found}")
  set(${out} "${found}" PARENT_SCOPE)
endfunction()

# allowed_for(<out> <top folder> <second folder or "">)
function(allowed_for out top second)
  set(extra "")
  set(base "")
  if(top IN_LIST product_folders)
    set(base ${top})
  elseif(top STREQUAL "tests" OR top STREQUAL "fuzz" OR top STREQUAL "bench")
    set(extra ${top})
    if(second IN_LIST product_folders)
      set(base ${second})
    elseif(top STREQUAL "tests" AND second STREQUAL "tools")
      set(base ${tools_stand_on})
    elseif(top STREQUAL "tests" AND second STREQUAL "support")
      set(base ${support_stand_on})
    else()
      # fuzz and bench support files stand on the whole core below the UI.
      set(base document)
      list(APPEND extra image reverse repository scripting)
    endif()
  endif()
  if(base STREQUAL "")
    set(${out} "" PARENT_SCOPE)
    return()
  endif()
  set(result ${base} ${below_${base}} ${extra})
  if(NOT "tests" IN_LIST result AND (top STREQUAL "fuzz" OR top STREQUAL "bench"))
    list(APPEND result tests)
  endif()
  set(${out} ${result} PARENT_SCOPE)
endfunction()

file(GLOB_RECURSE sources LIST_DIRECTORIES false RELATIVE "${ROOT}"
     "${ROOT}/*.h" "${ROOT}/*.cpp")
foreach(source IN LISTS sources)
  # Fixtures are data (expected generated headers among them), not the tree's code.
  if(source MATCHES "^build/" OR source MATCHES "^\\." OR source MATCHES "^tests/fixtures/")
    continue()
  endif()
  string(REPLACE "/" ";" parts "${source}")
  list(LENGTH parts depth)
  if(depth LESS 2)
    continue()
  endif()
  list(GET parts 0 top)
  set(second "")
  if(depth GREATER 2)
    list(GET parts 1 second)
  endif()
  allowed_for(allowed "${top}" "${second}")
  if(allowed STREQUAL "")
    continue()
  endif()
  set(qt_ok FALSE)
  set(qt_widgets_ok FALSE)
  if(top IN_LIST qt_folders OR top STREQUAL "tests" OR top STREQUAL "bench"
     OR top STREQUAL "fuzz")
    set(qt_ok TRUE)
  endif()
  # A benchmark of a user-interface folder measures its widgets.
  if(top IN_LIST qt_widget_folders OR top STREQUAL "tests"
     OR (top STREQUAL "bench" AND second IN_LIST qt_widget_folders))
    set(qt_widgets_ok TRUE)
  endif()
  # The benchmarks of a widget folder run its widgets, as that folder may.
  if(top STREQUAL "bench" AND second IN_LIST qt_widget_folders)
    set(qt_widgets_ok TRUE)
  endif()
  set(where "${top}")
  if(top STREQUAL "editor" AND second STREQUAL "operations")
    set(qt_ok FALSE)
    set(where "editor/operations")
  endif()

  file(STRINGS "${ROOT}/${source}" lines REGEX "^[ \t]*#[ \t]*include")
  foreach(line IN LISTS lines)
    if(line MATCHES "#[ \t]*include[ \t]*\"([^/\"]+)/([^/\"]+)/?[^\"]*\"")
      set(folder "${CMAKE_MATCH_1}")
      set(subfolder "${CMAKE_MATCH_2}")
      if(NOT folder IN_LIST allowed)
        string(APPEND violations "${source}: ${top} may not include ${folder}: ${line}\n")
      elseif(where STREQUAL "editor/operations" AND folder STREQUAL "editor"
             AND NOT subfolder STREQUAL "operations")
        string(REGEX REPLACE ".*\"(editor/[^\"]+)\".*" "\\1" included "${line}")
        qt_through(via "${included}")
        if(NOT via STREQUAL "")
          string(APPEND violations
                 "${source}: editor/operations may not include Qt: ${included} brings in ${via}\n")
        endif()
      elseif(folder STREQUAL "tests" AND subfolder IN_LIST product_folders
             AND NOT subfolder IN_LIST allowed)
        # Test support of a folder: only where that folder may be included.
        string(APPEND violations
               "${source}: ${top} may not include tests/${subfolder}: ${line}\n")
      endif()
    elseif(line MATCHES "#[ \t]*include[ \t]*<(Qt[A-Za-z]*/)?(Q[A-Za-z]*)>")
      set(module "${CMAKE_MATCH_1}")
      set(header "${CMAKE_MATCH_2}")
      if(NOT qt_ok)
        string(APPEND violations "${source}: ${where} may not include Qt: ${line}\n")
      elseif(NOT qt_widgets_ok AND (module STREQUAL "QtWidgets/" OR header MATCHES
             "^Q(Widget|Application|MainWindow|Dialog|MessageBox|FileDialog|PushButton|Label|LineEdit|TextEdit|TreeWidget|ListWidget|TabWidget|MdiArea|AbstractScrollArea|Menu|MenuBar|ToolBar|PrintDialog|PageSetupDialog|ScrollArea|Splitter|ComboBox|CheckBox|SpinBox)$"))
        string(APPEND violations "${source}: ${top} may not include Qt Widgets: ${line}\n")
      endif()
    endif()
  endforeach()
endforeach()

if(NOT violations STREQUAL "")
  message(FATAL_ERROR "Includes that break the layering:\n${violations}")
endif()
message(STATUS "Layering: every include is allowed")
