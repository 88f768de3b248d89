# Every program file of ours carries the file version block that VersaoArquivo reads, the stand-in
# for the version resource a Windows build links in.
set(TARROW_VERSION_SOURCE ${PROJECT_BINARY_DIR}/generated/VersionResource.cpp)
configure_file(${PROJECT_SOURCE_DIR}/platform/VersionResource.cpp.in ${TARROW_VERSION_SOURCE} @ONLY)

# tarrow_program(<name> SOURCES ... DEPENDS ...): an executable with our version block.
function(tarrow_program name)
  cmake_parse_arguments(P "" "" "SOURCES;DEPENDS" ${ARGN})
  add_executable(${name} ${P_SOURCES} ${TARROW_VERSION_SOURCE})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE tarrow_options ${P_DEPENDS})
endfunction()
