# The compression libraries as INTERFACE targets: zlib_dep (zlib, whose inflate
# reads the classic payload), deflate_dep (libdeflate, which the packer writes
# zlib streams with) and zstd_dep (zstd).
#
# Debian packages libdeflate and zstd natively but not for mingw-w64, so the
# cross tree builds each from Debian's source package of the version of the
# native -dev package (cmake/debian-source.sh fetches it through a sources list
# of the build tree's own), installs it below the build tree and links it
# statically. zlib is built the same way, in sections, so that setup.exe links
# only what it calls. Nothing of their code lives in this repository.

if(NOT WIN32)
  find_package(ZLIB REQUIRED)
  add_library(zlib_dep INTERFACE)
  target_link_libraries(zlib_dep INTERFACE ZLIB::ZLIB)
  # The released packer links them in (SETUP_STATIC_RUNTIME); the tests take the shared ones.
  if(SETUP_STATIC_RUNTIME)
    find_library(LIBDEFLATE NAMES libdeflate.a REQUIRED)
    find_library(LIBZSTD NAMES libzstd.a REQUIRED)
  else()
    find_library(LIBDEFLATE NAMES deflate REQUIRED)
    find_library(LIBZSTD NAMES zstd REQUIRED)
  endif()
  add_library(deflate_dep INTERFACE)
  target_link_libraries(deflate_dep INTERFACE ${LIBDEFLATE})
  add_library(zstd_dep INTERFACE)
  target_link_libraries(zstd_dep INTERFACE ${LIBZSTD})
  return()
endif()

include(ExternalProject)
set(debian_source_root ${CMAKE_BINARY_DIR}/debian-source)

# NAME_dep: the static library LIBRARY (below the install folder) of Debian's
# source package of DEV_PACKAGE, built by the rest of the arguments
# (ExternalProject's configure, build and install settings).
function(add_debian_source_library name dev_package library)
  execute_process(COMMAND dpkg-query -W "-f=\${source:Package}=\${source:Version}" ${dev_package}
                  OUTPUT_VARIABLE source RESULT_VARIABLE status ERROR_QUIET)
  if(NOT status EQUAL 0 OR source STREQUAL "")
    message(FATAL_ERROR "${dev_package} is not installed: scripts/install-deps.sh installs it")
  endif()
  set(install_dir ${debian_source_root}/${name})
  ExternalProject_Add(${name}_source
    PREFIX ${debian_source_root}/work/${name}
    SOURCE_DIR ${debian_source_root}/work/${name}/source
    INSTALL_DIR ${install_dir}
    # The package's version is part of the command, so a new one is fetched again.
    DOWNLOAD_COMMAND ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/debian-source.sh ${source}
                     ${debian_source_root}/work/${name} <SOURCE_DIR>
    BUILD_BYPRODUCTS ${install_dir}/${library}
    ${ARGN})
  file(MAKE_DIRECTORY ${install_dir}/include)
  add_library(${name}_dep INTERFACE)
  target_include_directories(${name}_dep SYSTEM INTERFACE ${install_dir}/include)
  target_link_libraries(${name}_dep INTERFACE ${install_dir}/${library})
  add_dependencies(${name}_dep ${name}_source)
endfunction()

# Fast code, in sections like the project's.
set(library_c_flags "-O2 -ffunction-sections -fdata-sections")

# Of zlib, setup.exe calls only inflate: the functions beside it in its objects
# (dictionaries, sync, copy), which the mingw package's objects bring along,
# stay out. Only the static library is needed.
add_debian_source_library(zlib zlib1g-dev lib/libz.a
  CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE} -DCMAKE_BUILD_TYPE=Release
             "-DCMAKE_C_FLAGS=${library_c_flags}" -DCMAKE_C_FLAGS_RELEASE=-DNDEBUG
  BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target zlibstatic
  INSTALL_COMMAND ${CMAKE_COMMAND} -E copy <BINARY_DIR>/libzlibstatic.a <INSTALL_DIR>/lib/libz.a
          COMMAND ${CMAKE_COMMAND} -E copy <SOURCE_DIR>/zlib.h <BINARY_DIR>/zconf.h <INSTALL_DIR>/include)

# libdeflate 1.14 builds with its Makefile; of it only the static library is needed.
add_debian_source_library(deflate libdeflate-dev lib/libdeflate.a
  BUILD_IN_SOURCE ON
  CONFIGURE_COMMAND ${CMAKE_COMMAND} -E true
  BUILD_COMMAND make -s CC=${CMAKE_C_COMPILER} AR=${CMAKE_AR} "CFLAGS=${library_c_flags}" libdeflatestatic.lib
  INSTALL_COMMAND ${CMAKE_COMMAND} -E copy libdeflatestatic.lib <INSTALL_DIR>/lib/libdeflate.a
          COMMAND ${CMAKE_COMMAND} -E copy libdeflate.h <INSTALL_DIR>/include/libdeflate.h)

# zstd's decoder is all that setup.exe links of it: 57 KB rather than 160 KB
# with its single Huffman decoder, its sequence decoder for short offsets, no
# run-time choice of BMI2 code and no error texts, and nearly as fast (-Os
# would save 13 KB more but halve its speed). The settings change neither what
# the compressor writes nor what the decoder accepts.
set(zstd_c_flags "-O2 -ffunction-sections -fdata-sections -DHUF_FORCE_DECOMPRESS_X1 \
-DZSTD_FORCE_DECOMPRESS_SEQUENCES_SHORT -DDYNAMIC_BMI2=0 -DZSTD_STRIP_ERROR_STRINGS")
add_debian_source_library(zstd libzstd-dev lib/libzstd.a
  SOURCE_SUBDIR build/cmake
  CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE} -DCMAKE_BUILD_TYPE=Release
             -DCMAKE_INSTALL_PREFIX=<INSTALL_DIR> -DCMAKE_INSTALL_LIBDIR=lib "-DCMAKE_C_FLAGS=${zstd_c_flags}"
             -DCMAKE_C_FLAGS_RELEASE=-DNDEBUG
             -DZSTD_BUILD_PROGRAMS=OFF -DZSTD_BUILD_SHARED=OFF -DZSTD_BUILD_TESTS=OFF
             -DZSTD_LEGACY_SUPPORT=OFF -DZSTD_MULTITHREAD_SUPPORT=OFF)
