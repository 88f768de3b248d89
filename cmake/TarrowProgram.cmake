# Every program file of ours carries the file version that VersaoArquivo reads: on Windows the
# VERSIONINFO resource compiled by windres, on Linux its stand-in, a version block in the data.
if(WIN32)
  enable_language(RC)
  set(TARROW_VERSION_SOURCE ${PROJECT_BINARY_DIR}/generated/VersionResource.rc)
  configure_file(${PROJECT_SOURCE_DIR}/platform/VersionResource.rc.in ${TARROW_VERSION_SOURCE} @ONLY)
else()
  set(TARROW_VERSION_SOURCE ${PROJECT_BINARY_DIR}/generated/VersionResource.cpp)
  configure_file(${PROJECT_SOURCE_DIR}/platform/VersionResource.cpp.in ${TARROW_VERSION_SOURCE} @ONLY)
endif()

# tarrow_program(<name> SOURCES ... DEPENDS ...): an executable with our version block.
function(tarrow_program name)
  cmake_parse_arguments(P "" "" "SOURCES;DEPENDS" ${ARGN})
  add_executable(${name} ${P_SOURCES} ${TARROW_VERSION_SOURCE})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE tarrow_options ${P_DEPENDS})
endfunction()
