# Compile options every target of ours shares: warnings, and the sanitizers when asked.
add_library(tarrow_options INTERFACE)
target_compile_options(tarrow_options INTERFACE -Wall -Wextra)
if(TARROW_WERROR)
  target_compile_options(tarrow_options INTERFACE -Werror)
endif()

if(TARROW_SANITIZE)
  set(_tarrow_san -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_compile_options(tarrow_options INTERFACE ${_tarrow_san})
  target_link_options(tarrow_options INTERFACE ${_tarrow_san})
endif()

if(TARROW_FUZZ)
  # Libraries carry the coverage instrumentation; only the fuzz targets link the fuzzer's main.
  set(_tarrow_fuzz -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_compile_options(tarrow_options INTERFACE ${_tarrow_fuzz})
  target_link_options(tarrow_options INTERFACE -fsanitize=address,undefined)
endif()

# A static library of one layer: tarrow_layer(<name> SOURCES ... DEPENDS ...)
function(tarrow_layer name)
  cmake_parse_arguments(L "" "" "SOURCES;DEPENDS;PRIVATE_DEPENDS" ${ARGN})
  add_library(${name} STATIC ${L_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC tarrow_options ${L_DEPENDS} PRIVATE ${L_PRIVATE_DEPENDS})
endfunction()
