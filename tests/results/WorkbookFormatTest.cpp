// The workbook formats on plain rows: the General number text, the xlsx
// writer read back part by part, the xlsx and xls readers on books written by
// other programs and on hand-made packages, and the files they must refuse.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "results/GeneralFormat.h"
#include "results/WorkbookReader.h"
#include "results/WorkbookWriter.h"
#include "tests/results/ZipParts.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using testing::readZipPart;
using testing::writeZip;

const std::string kFixtures = VELMORA_RESULTS_FIXTURES;

class TempFolder {
 public:
  TempFolder() {
    char pattern[] = "/tmp/velmora-results-XXXXXX";
    path_ = mkdtemp(pattern);
  }
  ~TempFolder() { fs::remove_all(path_); }
  std::string file(const std::string& name) const { return (path_ / name).string(); }

 private:
  fs::path path_;
};

std::vector<SheetRow> leadingRows(const SheetGrid& grid, std::size_t count, std::size_t columns = 4) {
  std::vector<SheetRow> rows;
  for (std::size_t r = 0; r < count; ++r) {
    SheetRow row;
    for (std::size_t c = 0; c < columns; ++c) row.push_back(grid.cell(r, c));
    rows.push_back(row);
  }
  return rows;
}

// ------------------------------------------------------------ General format

TEST(GeneralFormatTest, ShowsNumbersAsAStandardWidthCellDoes) {
  const struct {
    double value;
    const char* shown;
  } cases[] = {
      {95, "95"},
      {-3, "-3"},
      {0, "0"},
      {42.5, "42.5"},
      {0.1 + 0.2, "0.3"},
      {1.0 / 3, "0.333333333"},
      {1234567.891, "1234567.891"},
      {12345678901, "12345678901"},
      {99999999999.7, "1E+11"},
      {123456789012, "1.23457E+11"},
      {12345678901234, "1.23457E+13"},
      {0.0001234, "0.0001234"},
      {0.00001, "1E-05"},
      {2.5e-7, "2.5E-07"},
      {1e100, "1E+100"},
  };
  for (const auto& c : cases) EXPECT_EQ(formatGeneralNumber(c.value), c.shown) << c.value;
}

// ------------------------------------------------------------ writer

class WrittenBookTest : public ::testing::Test {
 protected:
  TempFolder folder;
  const std::string path = folder.file("a.xls");  // any extension: the content is xlsx

  const std::vector<SheetRow> rows = {
      {"目录", "是否同一人", "相似度", "索引"},
      {"/照片/张三", "同一人", "95", "3"},
      {"/照片/李四", "非同一人", "42", ""},
      {"/照片/王五", "识别失败，错误代码:222202", "-", "7"},
  };

  void write(const std::vector<SheetRow>& content) {
    WorkbookWriter writer(path, "导出结果.xls");
    for (const auto& row : content) writer.writeRow(row);
    const SaveOutcome outcome = writer.save();
    ASSERT_TRUE(outcome.saved) << outcome.error;
  }
};

TEST_F(WrittenBookTest, HoldsOneNamedSheetOfBorderedTextCellsWithoutErrorIndicators) {
  write(rows);
  const auto workbook = readZipPart(path, "xl/workbook.xml");
  const auto sheet = readZipPart(path, "xl/worksheets/sheet1.xml");
  const auto styles = readZipPart(path, "xl/styles.xml");
  ASSERT_TRUE(workbook && sheet && styles);

  EXPECT_NE(workbook->find(R"(<sheet name="导出结果.xls")"), std::string::npos);
  EXPECT_EQ(workbook->find("<sheet ", workbook->find("<sheet ") + 1), std::string::npos) << "one sheet only";
  // Every written cell is a shared-string cell with the bordered format; 95 included.
  std::size_t textCells = 0;
  for (auto at = sheet->find(R"( s="1" t="s">)"); at != std::string::npos; at = sheet->find(R"( s="1" t="s">)", at + 1))
    ++textCells;
  EXPECT_EQ(textCells, 15u) << *sheet;               // 16 cells, one of them empty
  EXPECT_NE(sheet->find(R"(<c r="D3" s="1"/>)"), std::string::npos) << "the empty cell keeps its border";
  EXPECT_EQ(sheet->find("<v>95</v>"), std::string::npos) << "no cell holds a number";
  EXPECT_NE(styles->find(R"(<left style="thin">)"), std::string::npos);
  EXPECT_NE(styles->find(R"(<bottom style="thin">)"), std::string::npos);
  for (const char* indicator : {"numberStoredAsText", "evalError", "formula", "formulaRange", "unlockedFormula",
                                "emptyCellReference", "listDataValidation", "twoDigitTextYear"})
    EXPECT_NE(sheet->find(std::string("<ignoredError sqref=\"A1:D4\" ") + indicator + "=\"1\""), std::string::npos)
        << indicator;
}

TEST_F(WrittenBookTest, ReadsBackCellForCell) {
  const std::vector<SheetRow> tricky = {
      {"标题"},
      {"  ", "tab\there", "two\nlines", "x < y & \"z\""},
      {"ASCII only", "€ 和 😀", "_x0041_ stays", "0095"},
  };
  write(tricky);
  const SheetReadResult read = readFirstSheet(path);
  ASSERT_TRUE(read.ok) << read.error;
  EXPECT_EQ(leadingRows(read.sheet, 3), (std::vector<SheetRow>{{"标题", "", "", ""}, tricky[1], tricky[2]}));
}

TEST(WorkbookWriterTest, ReportsWhyABookWasNotWritten) {
  TempFolder folder;
  {
    WorkbookWriter writer(folder.file("missing-folder/a.xlsx"), "导出结果.xls");
    writer.writeRow({"a"});
    const SaveOutcome outcome = writer.save();
    EXPECT_FALSE(outcome.saved);
    EXPECT_NE(outcome.error.find("No such file or directory"), std::string::npos) << outcome.error;
  }
  {
    WorkbookWriter writer(folder.file("b.xlsx"), "bad[name]");
    writer.writeRow({"a"});
    const SaveOutcome outcome = writer.save();
    EXPECT_FALSE(outcome.saved);
    EXPECT_FALSE(outcome.error.empty());
    EXPECT_FALSE(fs::exists(folder.file("b.xlsx")));
  }
}

// ------------------------------------------------------------ readers on other programs' books

TEST(WorkbookReaderTest, ReadsTheFirstWorksheetOfBooksFromOtherPrograms) {
  // The fixtures hold the same rows: numbers stored as numbers, an empty
  // cell, a blank row 5 and a row below it. openpyxl.xlsx starts with a chart
  // sheet and has a second worksheet; the first worksheet is the one read.
  const std::vector<SheetRow> expected = {
      {"目录", "是否同一人", "相似度", "索引"},
      {"/照片/张三", "同一人", "95", "3"},
      {"/照片/李四", "非同一人", "42.5", ""},
      {"/照片/王五", "识别失败，错误代码:222202", "0.3", "1.23457E+13"},
      {"", "", "", ""},
      {"/照片/空行之后", "同一人", "99", "1"},
  };
  for (const char* name : {"openpyxl.xlsx", "libreoffice.xlsx", "libreoffice.xls"}) {
    const SheetReadResult read = readFirstSheet(kFixtures + "/" + name);
    ASSERT_TRUE(read.ok) << name << ": " << read.error;
    EXPECT_EQ(leadingRows(read.sheet, 6), expected) << name;
  }
}

TEST(WorkbookReaderTest, KeepsOnlyTheColumnsAskedFor) {
  ReadLimits limits;
  limits.columns = 2;
  const SheetReadResult read = readFirstSheet(kFixtures + "/openpyxl.xlsx", limits);
  ASSERT_TRUE(read.ok);
  for (const auto& row : read.sheet.rows) EXPECT_LE(row.size(), 2u);
}

// ------------------------------------------------------------ hand-made xlsx packages

std::map<std::string, std::string> book(const std::string& sheetData, const std::string& sharedStrings = "") {
  const std::string ns = R"(xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" )"
                         R"(xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships")";
  const std::string rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
  std::map<std::string, std::string> parts = {
      {"_rels/.rels", R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
                      R"(<Relationship Id="rId1" Type=")" + rel + R"(officeDocument" Target="xl/workbook.xml"/>)"
                      "</Relationships>"},
      {"xl/workbook.xml", "<workbook " + ns + R"(><sheets><sheet name="S" sheetId="1" r:id="rId1"/></sheets></workbook>)"},
      {"xl/_rels/workbook.xml.rels",
       R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
       R"(<Relationship Id="rId1" Type=")" + rel + R"(worksheet" Target="worksheets/sheet1.xml"/>)"
       R"(<Relationship Id="rId2" Type=")" + rel + R"(sharedStrings" Target="sharedStrings.xml"/>)"
       "</Relationships>"},
      {"xl/worksheets/sheet1.xml", "<worksheet " + ns + "><sheetData>" + sheetData + "</sheetData></worksheet>"},
  };
  if (!sharedStrings.empty()) parts["xl/sharedStrings.xml"] = "<sst " + ns + ">" + sharedStrings + "</sst>";
  return parts;
}

SheetReadResult readParts(const std::map<std::string, std::string>& parts, const ReadLimits& limits = {}) {
  TempFolder folder;
  const std::string path = folder.file("book.xlsx");
  EXPECT_TRUE(writeZip(path, parts));
  return readFirstSheet(path, limits);
}

TEST(XlsxReaderTest, ReadsEveryKindOfCellAsText) {
  const auto read = readParts(book(
      R"(<row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1" t="s"><v>1</v></c><c r="C1" t="inlineStr"><is><t>行内</t></is></c>)"
      R"(<c r="D1" t="b"><v>1</v></c></row>)"
      R"(<row r="2"><c r="A2" t="b"><v>0</v></c><c r="B2" t="e"><v>#N/A</v></c><c r="C2" t="str"><f>A1</f><v>公式</v></c>)"
      R"(<c r="D2"><v>1.5E-3</v></c></row>)"
      // No references: cells and rows follow one another.
      R"(<row><c t="s"><v>2</v></c><c/><c><v>7</v></c></row>)"
      R"(<row r="5"><c r="D5" t="inlineStr"><is><t xml:space="preserve">   </t></is></c></row>)",
      R"(<si><t>普通</t></si><si><r><t>富</t></r><r><rPr><b/></rPr><t>文本</t></r><rPh><t>ふ</t></rPh></si>)"
      R"(<si><t>a_x000D_b_x005F_x0041_</t></si>)"));
  ASSERT_TRUE(read.ok) << read.error;
  EXPECT_EQ(leadingRows(read.sheet, 5), (std::vector<SheetRow>{
                                            {"普通", "富文本", "行内", "TRUE"},
                                            {"FALSE", "#N/A", "公式", "0.0015"},
                                            {"a\rb_x0041_", "", "7", ""},
                                            {"", "", "", ""},
                                            {"", "", "", "   "},
                                        }));
}

TEST(XlsxReaderTest, FollowsTheWorkbookOrderPrefixesAndAbsoluteTargets) {
  auto parts = book("");
  const std::string x = R"(xmlns:x="http://schemas.openxmlformats.org/spreadsheetml/2006/main" )"
                        R"(xmlns:rel="http://schemas.openxmlformats.org/officeDocument/2006/relationships")";
  const std::string rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
  parts["xl/workbook.xml"] = "<x:workbook " + x + R"(><x:sheets><x:sheet name="第一" sheetId="2" rel:id="rIdB"/>)"
                             R"(<x:sheet name="第二" sheetId="1" rel:id="rIdA"/></x:sheets></x:workbook>)";
  parts["xl/_rels/workbook.xml.rels"] =
      R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
      R"(<Relationship Id="rIdA" Type=")" + rel + R"(worksheet" Target="worksheets/sheet1.xml"/>)"
      R"(<Relationship Id="rIdB" Type=")" + rel + R"(worksheet" Target="/xl/worksheets/../worksheets/sheet2.xml"/>)"
      "</Relationships>";
  parts["xl/worksheets/sheet2.xml"] =
      "<x:worksheet " + x + R"(><x:sheetData><x:row r="1"><x:c r="A1" t="inlineStr"><x:is><x:t>第一张</x:t></x:is></x:c>)"
      "</x:row></x:sheetData></x:worksheet>";
  const auto read = readParts(parts);
  ASSERT_TRUE(read.ok) << read.error;
  EXPECT_EQ(read.sheet.cell(0, 0), "第一张");
}

TEST(XlsxReaderTest, FindsTheWorkbookWithoutPackageRelationships) {
  auto parts = book(R"(<row r="2"><c r="B2" t="inlineStr"><is><t>x</t></is></c></row>)");
  parts.erase("_rels/.rels");
  const auto read = readParts(parts);
  ASSERT_TRUE(read.ok) << read.error;
  EXPECT_EQ(read.sheet.cell(1, 1), "x");
}

// ------------------------------------------------------------ files that must be refused

TEST(WorkbookReaderTest, RefusesWhatItCannotReadWithAReason) {
  TempFolder folder;
  const auto file = [&](const std::string& name, const std::string& bytes) {
    std::ofstream(folder.file(name), std::ios::binary) << bytes;
    return folder.file(name);
  };
  const auto zipped = [&](const std::string& name, const std::map<std::string, std::string>& parts) {
    writeZip(folder.file(name), parts);
    return folder.file(name);
  };
  std::string validZip;
  {
    writeZip(folder.file("valid.xlsx"), book(R"(<row r="1"><c r="A1"><v>1</v></c></row>)"));
    std::ifstream in(folder.file("valid.xlsx"), std::ios::binary);
    validZip.assign(std::istreambuf_iterator<char>(in), {});
  }
  auto noSheets = book("");
  noSheets["xl/workbook.xml"] =
      R"(<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheets/></workbook>)";
  auto missingSheetPart = book("");
  missingSheetPart.erase("xl/worksheets/sheet1.xml");
  auto bomb = book(R"(<row r="1"><c r="A1"><v>1</v></c></row>)" + std::string(2 << 20, ' '));
  ReadLimits small;
  small.maxPartBytes = 1 << 20;

  const struct {
    const char* label;
    std::string path;
    ReadLimits limits;
    const char* reason;
  } cases[] = {
      {"missing file", folder.file("absent.xlsx"), {}, "无法打开文件"},
      {"empty file", file("empty.xlsx", ""), {}, "不是 Excel 工作簿"},
      {"plain text", file("text.xlsx", "目录,是否同一人\n"), {}, "不是 Excel 工作簿"},
      {"truncated zip", file("cut.xlsx", validZip.substr(0, validZip.size() / 2)), {}, "不是有效的 xlsx"},
      {"zip of something else", zipped("other.xlsx", {{"readme.txt", "hello"}}), {}, "缺少部件 xl/workbook.xml"},
      {"corrupt sheet XML", zipped("xml.xlsx", book(R"(<row r="1"><c r="A1"><v>1</v></row>)")), {}, "无法解析"},
      {"corrupt relationships", zipped("rels.xlsx", [] { auto p = book(""); p["_rels/.rels"] = "<Rel"; return p; }()), {},
       "无法解析"},
      {"no worksheet", zipped("nosheet.xlsx", noSheets), {}, "没有工作表"},
      {"missing sheet part", zipped("nopart.xlsx", missingSheetPart), {}, "缺少部件 xl/worksheets/sheet1.xml"},
      {"shared string out of range", zipped("sst.xlsx", book(R"(<row r="1"><c r="A1" t="s"><v>9</v></c></row>)",
                                                             "<si><t>a</t></si>")),
       {}, "共享字符串"},
      {"bad cell reference", zipped("ref.xlsx", book(R"(<row r="1"><c r="1A"><v>1</v></c></row>)")), {}, "地址无效"},
      {"zip bomb", zipped("bomb.xlsx", bomb), small, "压缩炸弹"},
      {"password-protected xlsx", kFixtures + "/password.xlsx", {}, "密码"},
      {"password-protected xls", kFixtures + "/password.xls", {}, "密码"},
      {"corrupt xls", file("bad.xls", std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(600, '\x7f')), {},
       "xls"},
  };
  for (const auto& c : cases) {
    const SheetReadResult read = readFirstSheet(c.path, c.limits);
    EXPECT_FALSE(read.ok) << c.label;
    EXPECT_NE(read.error.find(c.reason), std::string::npos) << c.label << ": " << read.error;
  }
}

TEST(WorkbookReaderTest, ReadsABookAtTheSizeLimit) {
  // The same package as the zip bomb case, with room for it: the limit, not
  // the content, refused it.
  auto parts = book(R"(<row r="1"><c r="A1"><v>1</v></c></row>)" + std::string(2 << 20, ' '));
  ReadLimits roomy;
  roomy.maxPartBytes = 4 << 20;
  const auto read = readParts(parts, roomy);
  ASSERT_TRUE(read.ok) << read.error;
  EXPECT_EQ(read.sheet.cell(0, 0), "1");
}

}  // namespace
}  // namespace velmora
