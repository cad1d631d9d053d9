# The libraries of the WebAssembly build, as the targets the native build
# gets from pkg-config and find_package: compiled with emscripten by
# tools/web-deps.sh into ARTISANSCOPE_WEB_DEPS (include/ and lib/), never
# taken from the host.
set(ARTISANSCOPE_WEB_DEPS ${CMAKE_BINARY_DIR}/deps CACHE PATH "Libraries compiled for WebAssembly")
if(NOT EXISTS ${ARTISANSCOPE_WEB_DEPS}/stamp-sqlite)
  message(FATAL_ERROR "No WebAssembly libraries in ${ARTISANSCOPE_WEB_DEPS}: run tools/web-deps.sh")
endif()

function(artisanscope_web_library target file)
  add_library(${target} STATIC IMPORTED GLOBAL)
  set_target_properties(${target} PROPERTIES
    IMPORTED_LOCATION ${ARTISANSCOPE_WEB_DEPS}/lib/${file}
    INTERFACE_INCLUDE_DIRECTORIES ${ARTISANSCOPE_WEB_DEPS}/include)
endfunction()
artisanscope_web_library(ZLIB::ZLIB libz.a)
artisanscope_web_library(PkgConfig::LIBDEFLATE libdeflate.a)
artisanscope_web_library(PkgConfig::TINYXML libtinyxml.a)
set_property(TARGET PkgConfig::TINYXML PROPERTY INTERFACE_COMPILE_DEFINITIONS TIXML_USE_STL)
artisanscope_web_library(PkgConfig::SQLITE3 libsqlite3.a)
artisanscope_web_library(GTest::gtest libgtest.a)
artisanscope_web_library(GTest::gtest_main libgtest_main.a)
set_property(TARGET GTest::gtest_main PROPERTY INTERFACE_LINK_LIBRARIES GTest::gtest)
set(GTest_FOUND TRUE)
add_library(PkgConfig::RAPIDJSON INTERFACE IMPORTED GLOBAL)
set_target_properties(PkgConfig::RAPIDJSON PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${ARTISANSCOPE_WEB_DEPS}/include)
add_library(artisanscope_rapidjson INTERFACE)
target_link_libraries(artisanscope_rapidjson INTERFACE PkgConfig::RAPIDJSON)

# C++ exceptions are the core's way to report running out of memory:
# WebAssembly's own exception handling, which Node 18 and today's browsers
# have. Memory grows on demand up to the 4 GiB a wasm32 program can address.
add_compile_options(-fwasm-exceptions)
add_link_options(-fwasm-exceptions -sALLOW_MEMORY_GROWTH=1 -sMAXIMUM_MEMORY=4GB)
# Bulk memory (memory.copy, memory.fill), which Node 18 and today's browsers
# have: copies and fills of the compiled code become single instructions,
# and src/io/WasmMemory.c gives memcpy, memmove and memset the same to the
# prebuilt libraries.
add_compile_options(-mbulk-memory)
add_link_options(-mbulk-memory)
# Node runs the tests (ctest puts it before each test program). emcmake's
# default adds a flag that Node 20 refuses.
find_program(ARTISANSCOPE_NODE NAMES node nodejs REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${ARTISANSCOPE_NODE})

# Programs run by Node on real files: the command line and the tests. The
# module is compiled in place (emscripten 3.1.6 would fetch() a file path
# under Node 18 and later), and the runtime exits with main's status after
# flushing the standard streams.
set(ARTISANSCOPE_NODE_LINK_OPTIONS -sNODERAWFS=1 -sWASM_ASYNC_COMPILATION=0 -sEXIT_RUNTIME=1)
