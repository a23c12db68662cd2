// Writes the sample batch workbook: one worksheet "Sheet1" with a heading row and 20 payees laid out
// as the open-workbook dialog expects by default (A payee name, B postcode, C address, D amount).
// Usage: make-sample-workbook OUTPUT.xlsx
#include <xlsxwriter.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

struct Payee {
    const char* name;
    const char* postcode;
    bool postcodeAsText;  // typed as text, as a postcode with a leading 0 has to be
    const char* address;
    double amount;
};

// Twenty payees across the country; amounts with and without fen.
constexpr Payee kPayees[] = {
    {"张伟", "100080", false, "北京市海淀区中关村大街27号院3号楼502室", 1200.00},
    {"王秀英", "200032", false, "上海市徐汇区肇嘉浜路1065号甲21楼", 856.50},
    {"李娜", "510640", false, "广东省广州市天河区五山路381号华南新村12栋", 3000.00},
    {"刘洋", "610041", false, "四川省成都市武侯区人民南路四段11号", 450.00},
    {"陈静", "310012", false, "浙江省杭州市西湖区文三路259号昌地火炬大厦1号楼", 2680.00},
    {"杨军", "430072", false, "湖北省武汉市武昌区珞珈山路16号", 99.90},
    {"赵敏", "710049", false, "陕西省西安市碑林区咸宁西路28号", 1500.00},
    {"黄磊", "210008", false, "江苏省南京市鼓楼区中山路18号德基广场二期", 720.00},
    {"周芳", "450001", false, "河南省郑州市中原区建设西路187号", 5200.00},
    {"吴强", "350001", false, "福建省福州市鼓楼区五四路158号环球广场", 318.75},
    {"徐丽", "050011", true, "河北省石家庄市长安区中山东路326号", 1000.00},
    {"孙浩", "010010", true, "内蒙古自治区呼和浩特市新城区新华大街63号", 660.00},
    {"胡婷", "330006", false, "江西省南昌市东湖区八一大道357号", 2400.00},
    {"朱建国", "650031", false, "云南省昆明市五华区东风西路123号", 150.00},
    {"高玉兰", "030001", true, "山西省太原市迎泽区迎泽大街289号", 4380.20},
    {"林志强", "570203", false, "海南省海口市美兰区海府路42号", 888.00},
    {"何欣怡", "830002", false, "新疆维吾尔自治区乌鲁木齐市天山区解放北路118号", 1999.00},
    {"郭子豪", "150001", false, "黑龙江省哈尔滨市南岗区西大直街92号", 260.00},
    {"马丽娟", "750001", false, "宁夏回族自治区银川市兴庆区解放西街2号", 3150.00},
    {"罗晓东", "400015", false, "重庆市渝中区中山三路131号希尔顿商务中心", 12345.67},
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-sample-workbook OUTPUT.xlsx\n");
        return 2;
    }
    lxw_workbook_options options{};
    lxw_workbook* workbook = workbook_new_opt(argv[1], &options);
    if (!workbook) {
        std::fprintf(stderr, "make-sample-workbook: cannot create %s\n", argv[1]);
        return 1;
    }
    // A fixed creation time keeps the file the same from one run to the next.
    lxw_doc_properties properties{};
    properties.title = const_cast<char*>("汇款名单");
    properties.created = static_cast<time_t>(1704067200);  // 2024-01-01 00:00:00 UTC
    workbook_set_properties(workbook, &properties);

    lxw_worksheet* sheet = workbook_add_worksheet(workbook, "Sheet1");
    lxw_format* heading = workbook_add_format(workbook);
    format_set_bold(heading);
    lxw_format* text = workbook_add_format(workbook);
    format_set_num_format(text, "@");
    lxw_format* money = workbook_add_format(workbook);
    format_set_num_format(money, "0.00");

    worksheet_set_column(sheet, 0, 0, 10, nullptr);
    worksheet_set_column(sheet, 1, 1, 9, text);
    worksheet_set_column(sheet, 2, 2, 52, nullptr);
    worksheet_set_column(sheet, 3, 3, 11, money);
    worksheet_write_string(sheet, 0, 0, "收款人", heading);
    worksheet_write_string(sheet, 0, 1, "邮编", heading);
    worksheet_write_string(sheet, 0, 2, "地址", heading);
    worksheet_write_string(sheet, 0, 3, "金额（元）", heading);

    lxw_row_t row = 1;
    for (const Payee& p : kPayees) {
        worksheet_write_string(sheet, row, 0, p.name, nullptr);
        if (p.postcodeAsText) {
            worksheet_write_string(sheet, row, 1, p.postcode, text);
        } else {
            worksheet_write_number(sheet, row, 1, std::strtod(p.postcode, nullptr), nullptr);
        }
        worksheet_write_string(sheet, row, 2, p.address, nullptr);
        worksheet_write_number(sheet, row, 3, p.amount, money);
        ++row;
    }
    const lxw_error error = workbook_close(workbook);
    if (error != LXW_NO_ERROR) {
        std::fprintf(stderr, "make-sample-workbook: %s\n", lxw_strerror(error));
        return 1;
    }
    return 0;
}
