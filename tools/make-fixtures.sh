#!/usr/bin/env bash
# Makes the workbook fixtures the reader tests read, with LibreOffice Calc, and the fuzzers' seed
# corpora from them. The results are committed; run this again only to change them.
#   apt-get install -y --no-install-recommends libreoffice-calc-nogui
#   tools/make-fixtures.sh [BUILD_DIR]   (default build/; it builds the reader tests there)
# Writes tests/data/workbooks/payees.{ods,xlsx,xls,csv} and fuzz/corpus/{xlsx,xls,ods,csv}/: the
# fixtures as they are, again with their zip entries stored rather than deflated so that mutations
# reach the XML, and the small crafted files the reader tests build (LibreOffice no longer writes
# Excel 5.0/95 files; those bytes are built).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build="${1:-$top/build}"
out="$top/tests/data/workbooks"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"

# One flat OpenDocument spreadsheet is the source of every fixture. Its formulas carry no results:
# LibreOffice computes them on load (given a result, it would keep it and write a string result into
# .xls as 0). Sheet "Sheet1" holds payees the way clerks keep them, and only cells that read the same
# in every format, CSV included: a heading row, Chinese names and addresses, postcodes stored as
# numbers (one formatted "000000"), as text, amounts as numbers and formulas, a blank row, rich text,
# quotes and commas, errors and a date. Sheet "类型" holds the kinds whose CSV text differs (booleans,
# very large and very small numbers, a percentage, a fraction in a zero-padded format).
cat >"$work/payees.fods" <<'EOF'
<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
 xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"
 xmlns:number="urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0"
 xmlns:of="urn:oasis:names:tc:opendocument:xmlns:of:1.2"
 office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.spreadsheet">
 <office:automatic-styles>
  <number:date-style style:name="N1">
   <number:year number:style="long"/><number:text>-</number:text><number:month number:style="long"/>
   <number:text>-</number:text><number:day number:style="long"/>
  </number:date-style>
  <number:percentage-style style:name="N2"><number:number number:decimal-places="0" number:min-integer-digits="1"/><number:text>%</number:text></number:percentage-style>
  <number:number-style style:name="N3"><number:number number:decimal-places="0" number:min-integer-digits="6"/></number:number-style>
  <style:style style:name="ce1" style:family="table-cell" style:data-style-name="N1"/>
  <style:style style:name="ce3" style:family="table-cell" style:data-style-name="N3"/>
  <style:style style:name="ce2" style:family="table-cell" style:data-style-name="N2"/>
  <style:style style:name="T1" style:family="text"><style:text-properties fo:font-weight="bold"/></style:style>
 </office:automatic-styles>
 <office:body>
  <office:spreadsheet>
   <table:table table:name="Sheet1">
    <table:table-row>
     <table:table-cell office:value-type="string"><text:p>收款人</text:p></table:table-cell>
     <table:table-cell office:value-type="string"><text:p>邮编</text:p></table:table-cell>
     <table:table-cell office:value-type="string"><text:p>地址</text:p></table:table-cell>
     <table:table-cell office:value-type="string"><text:p>金额</text:p></table:table-cell>
    </table:table-row>
    <table:table-row>
     <table:table-cell office:value-type="string"><text:p>张三</text:p></table:table-cell>
     <table:table-cell office:value-type="float" office:value="100010"><text:p>100010</text:p></table:table-cell>
     <table:table-cell office:value-type="string"><text:p>北京市东城区东长安街1号</text:p></table:table-cell>
     <table:table-cell office:value-type="float" office:value="1234.5"><text:p>1234.5</text:p></table:table-cell>
    </table:table-row>
    <table:table-row>
     <table:table-cell office:value-type="string"><text:p>李<text:span text:style-name="T1">四</text:span></text:p></table:table-cell>
     <table:table-cell office:value-type="string"><text:p>010020</text:p></table:table-cell>
     <table:table-cell office:value-type="string"><text:p>上海市<text:span text:style-name="T1">黄浦区</text:span>中山东一路2号</text:p></table:table-cell>
     <table:table-cell office:value-type="float" office:value="0.5"><text:p>0.5</text:p></table:table-cell>
    </table:table-row>
    <table:table-row>
     <table:table-cell office:value-type="string"><text:p><text:s/>王五<text:s text:c="2"/></text:p></table:table-cell>
     <table:table-cell office:value-type="float" office:value="518000"><text:p>518000</text:p></table:table-cell>
     <table:table-cell office:value-type="string"><text:p>深圳市福田区<text:s text:c="2"/>深南大道3号</text:p></table:table-cell>
     <table:table-cell table:formula="of:=SUM([.D2:.D3])"><text:p>1235</text:p></table:table-cell>
    </table:table-row>
    <table:table-row>
     <table:table-cell table:number-columns-repeated="4"/>
    </table:table-row>
    <table:table-row>
     <table:table-cell table:formula="of:=&quot;赵&quot;&amp;&quot;六&quot;"><text:p>赵六</text:p></table:table-cell>
     <table:table-cell table:style-name="ce3" office:value-type="float" office:value="30000"><text:p>030000</text:p></table:table-cell>
     <table:table-cell office:value-type="string"><text:p>广州市越秀区</text:p><text:p>第二行</text:p></table:table-cell>
     <table:table-cell table:formula="of:=1/0"><text:p>#DIV/0!</text:p></table:table-cell>
    </table:table-row>
    <table:table-row>
     <table:table-cell office:value-type="string"><text:p>钱七</text:p></table:table-cell>
     <table:table-cell office:value-type="float" office:value="123456789012345"><text:p>123456789012345</text:p></table:table-cell>
     <table:table-cell office:value-type="string"><text:p>"引号", 逗号</text:p></table:table-cell>
     <table:table-cell table:formula="of:=NA()"><text:p>#N/A</text:p></table:table-cell>
    </table:table-row>
    <table:table-row>
     <table:table-cell table:style-name="ce1" office:value-type="date" office:date-value="2024-01-05"><text:p>2024-01-05</text:p></table:table-cell>
     <table:table-cell table:formula="of:=1/3"><text:p>0.333333333333333</text:p></table:table-cell>
     <table:table-cell office:value-type="float" office:value="-12.75"><text:p>-12.75</text:p></table:table-cell>
     <table:table-cell office:value-type="float" office:value="0.1"><text:p>0.1</text:p></table:table-cell>
    </table:table-row>
   </table:table>
   <table:table table:name="数据2">
    <table:table-row>
     <table:table-cell office:value-type="string"><text:p>第二张表</text:p></table:table-cell>
    </table:table-row>
    <table:table-row table:number-rows-repeated="3">
     <table:table-cell office:value-type="string"><text:p>重复</text:p></table:table-cell>
     <table:table-cell office:value-type="float" office:value="7"><text:p>7</text:p></table:table-cell>
    </table:table-row>
   </table:table>
   <table:table table:name="2024">
    <table:table-row>
     <table:table-cell table:number-columns-repeated="2"/>
     <table:table-cell office:value-type="string"><text:p>sheet named 2024</text:p></table:table-cell>
    </table:table-row>
   </table:table>
   <table:table table:name="类型">
    <table:table-row>
     <table:table-cell office:value-type="boolean" office:boolean-value="true"><text:p>TRUE</text:p></table:table-cell>
     <table:table-cell office:value-type="float" office:value="100000000000000000"><text:p>1E+17</text:p></table:table-cell>
     <table:table-cell office:value-type="float" office:value="0.00001"><text:p>1E-05</text:p></table:table-cell>
     <table:table-cell table:style-name="ce2" office:value-type="percentage" office:value="0.05"><text:p>5%</text:p></table:table-cell>
    </table:table-row>
    <table:table-row>
     <table:table-cell table:formula="of:=1=1"><text:p>TRUE</text:p></table:table-cell>
     <table:table-cell table:formula="of:=&quot;a&quot;+1"><text:p>#VALUE!</text:p></table:table-cell>
     <table:table-cell office:value-type="boolean" office:boolean-value="false"><text:p>FALSE</text:p></table:table-cell>
     <table:table-cell table:style-name="ce3" office:value-type="float" office:value="12.5"><text:p>000013</text:p></table:table-cell>
    </table:table-row>
   </table:table>
  </office:spreadsheet>
 </office:body>
</office:document>
EOF

cd "$work"
soffice --headless --norestore --convert-to ods payees.fods >/dev/null
soffice --headless --norestore --convert-to xlsx:"Calc MS Excel 2007 XML" payees.fods >/dev/null
soffice --headless --norestore --convert-to xls:"MS Excel 97" payees.fods >/dev/null
# Sheet1 as UTF-8 CSV, cells as shown.
soffice --headless --norestore \
  --convert-to csv:"Text - txt - csv (StarCalc)":44,34,76,1,,0,false,true,true,false,false payees.fods >/dev/null
cp payees.ods payees.xlsx payees.xls payees.csv "$out/"

# Seed corpora.
for kind in xlsx xls ods csv; do
  rm -rf "$top/fuzz/corpus/$kind"
  mkdir -p "$top/fuzz/corpus/$kind"
done
cp "$out/payees.xlsx" "$top/fuzz/corpus/xlsx/payees.xlsx"
cp "$out/payees.ods" "$top/fuzz/corpus/ods/payees.ods"
cp "$out/payees.xls" "$top/fuzz/corpus/xls/payees.xls"
cp "$out/payees.csv" "$top/fuzz/corpus/csv/payees.csv"
for kind in xlsx ods; do
  mkdir "stored-$kind"
  (cd "stored-$kind" && unzip -q "$out/payees.$kind" && zip -q -0 -X -r "$top/fuzz/corpus/$kind/payees-stored.$kind" .)
done
# The files the reader tests craft, as seeds: the tests write them when VELMORA_SEEDS is set.
cmake -S "$top" -B "$build" -DVELMORA_TESTS=ON >/dev/null
tests=(test_workbook_fixtures test_xlsx_reader test_xls_reader test_ods_reader)
cmake --build "$build" --target "${tests[@]}" >/dev/null
for t in "${tests[@]}"; do
  VELMORA_SEEDS="$top/fuzz/corpus" VELMORA_SOURCE_DIR="$top" QT_QPA_PLATFORM=offscreen "$build/tests/workbook/$t" >/dev/null
done
ls -l "$out" "$top"/fuzz/corpus/*
