# The check that a model's drawable list, its selection and a group's members
# change only through the methods of drawables/: outside that folder (and the
# tests, fuzz targets and benchmarks of drawables/) no source reaches for a
# writable list. Run as a CTest:
#   cmake -DROOT=<source tree> -P cmake/CheckDrawableWrites.cmake
cmake_minimum_required(VERSION 3.22)

if(NOT ROOT)
  message(FATAL_ERROR "CheckDrawableWrites: ROOT not given")
endif()

# The doors to a writable list: a group's member list and the list that owns
# a drawable, the free taking from a list, and casting a view writable.
set(writes "(GetMemberList|GetOwningList|TakeFrom)[ \t]*\\(|const_cast<[ \t]*(qm::)?Drawable(Ref)?List")
set(product_folders platform kernel model drawables document image reverse repository scripting
                    editor dialogs shell)

set(violations "")
file(GLOB_RECURSE sources LIST_DIRECTORIES false RELATIVE "${ROOT}"
     "${ROOT}/*.h" "${ROOT}/*.cpp")
foreach(source IN LISTS sources)
  if(source MATCHES "^build/" OR source MATCHES "^\\.")
    continue()
  endif()
  string(REPLACE "/" ";" parts "${source}")
  list(GET parts 0 top)
  list(LENGTH parts depth)
  set(second "")
  if(depth GREATER 2)
    list(GET parts 1 second)
  endif()
  if(top STREQUAL "drawables")
    continue()
  endif()
  if(top STREQUAL "tests" OR top STREQUAL "fuzz" OR top STREQUAL "bench")
    if(second STREQUAL "drawables")
      continue()
    endif()
  elseif(NOT top IN_LIST product_folders)
    continue()
  endif()
  file(STRINGS "${ROOT}/${source}" lines REGEX "${writes}")
  foreach(line IN LISTS lines)
    # What follows // is a comment.
    string(REGEX REPLACE "//.*$" "" code "${line}")
    if(code MATCHES "${writes}")
      string(STRIP "${line}" line)
      string(APPEND violations "${source}: ${top} writes a drawable list: ${line}\n")
    endif()
  endforeach()
endforeach()

if(NOT violations STREQUAL "")
  message(FATAL_ERROR "Writes of drawable lists outside drawables/:\n${violations}")
endif()
message(STATUS "Drawable lists: written only by drawables/")
