# zlib's inflate half, built from zlib's own source folder, for targets that
# have no zlib library (WebAssembly). Defines ZLIB::ZLIB as find_package would.
set(WADSCOPE_ZLIB_SOURCE "" CACHE PATH "zlib's source folder (tools/build-web.sh fetches Debian's)")
if(NOT EXISTS "${WADSCOPE_ZLIB_SOURCE}/inflate.c")
  message(FATAL_ERROR "WADSCOPE_ZLIB_SOURCE must name zlib's source folder; tools/build-web.sh fetches it")
endif()
enable_language(C)
add_library(zlib_inflate STATIC
  ${WADSCOPE_ZLIB_SOURCE}/adler32.c
  ${WADSCOPE_ZLIB_SOURCE}/crc32.c
  ${WADSCOPE_ZLIB_SOURCE}/inffast.c
  ${WADSCOPE_ZLIB_SOURCE}/inflate.c
  ${WADSCOPE_ZLIB_SOURCE}/inftrees.c
  ${WADSCOPE_ZLIB_SOURCE}/zutil.c
)
# Not our code: its warnings are zlib's to mend.
target_compile_options(zlib_inflate PRIVATE -w)
target_include_directories(zlib_inflate SYSTEM PUBLIC ${WADSCOPE_ZLIB_SOURCE})
add_library(ZLIB::ZLIB ALIAS zlib_inflate)
