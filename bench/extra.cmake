# bench_import writes its large workbooks with libxlsxwriter.
pkg_check_modules(XLSXWRITER REQUIRED IMPORTED_TARGET xlsxwriter)
target_link_libraries(bench_import PRIVATE PkgConfig::XLSXWRITER)
target_link_libraries(bench_startup PRIVATE PkgConfig::XLSXWRITER)
# bench_import builds its crafted workbooks (tables of shared strings past any bound) with the reader
# tests' file helper.
target_sources(bench_import PRIVATE ${CMAKE_SOURCE_DIR}/tests/workbook/workbook_files.cpp)
target_include_directories(bench_import PRIVATE ${CMAKE_SOURCE_DIR}/tests/workbook)
find_package(Qt6 REQUIRED COMPONENTS Test)
target_link_libraries(bench_import PRIVATE Qt6::Test)
