# bench_import writes its large workbooks with libxlsxwriter.
pkg_check_modules(XLSXWRITER REQUIRED IMPORTED_TARGET xlsxwriter)
target_link_libraries(bench_import PRIVATE PkgConfig::XLSXWRITER)
target_link_libraries(bench_startup PRIVATE PkgConfig::XLSXWRITER)
