# The JDK 17 sources of java.util, java.time and java.net (Debian package
# openjdk-17-source), unpacked once below a folder of the build tree, for the
# reverse-engineering corpus tests and benchmarks. Sets <out> to the folder
# that holds java/util, or to "" when the source archive is not installed.
function(qm_unpack_jdk_sources out dir)
  set(jdk_zip "/usr/lib/jvm/openjdk-17/src.zip")
  if(NOT EXISTS "${jdk_zip}")
    set(${out} "" PARENT_SCOPE)
    return()
  endif()
  if(NOT EXISTS "${dir}/java.base/java/net/URI.java"
     OR NOT EXISTS "${dir}/java.base/java/time/LocalDate.java")
    file(ARCHIVE_EXTRACT INPUT "${jdk_zip}" DESTINATION "${dir}"
         PATTERNS "java.base/java/util/*" "java.base/java/time/*" "java.base/java/net/*")
  endif()
  set(${out} "${dir}/java.base" PARENT_SCOPE)
endfunction()
