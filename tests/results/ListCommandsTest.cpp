// The export and import commands of the folder list, driven with a real
// QTreeWidget and scripted dialogs, checked through the files they write and
// the rows they add.
#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QPointer>
#include <QProcess>
#include <QTimer>
#include <QTreeWidget>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "results/ExportProgressWindow.h"
#include "results/ResultFiles.h"
#include "results/WorkbookReader.h"
#include "results/WorkbookWriter.h"
#include "tests/results/ZipParts.h"
#include "tests/support/ScriptedPrompts.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using testing::ScriptedPrompts;

const QString kFixtures = QStringLiteral(VELMORA_RESULTS_FIXTURES);

// The folder list as the main window builds it.
std::unique_ptr<QTreeWidget> folderList() {
  auto list = std::make_unique<QTreeWidget>();
  list->setHeaderLabels(savedResultTitles());
  list->header()->setStretchLastSection(false);  // so that the 5-pixel column stays 5 pixels
  list->header()->setMinimumSectionSize(0);
  const int widths[] = {540, 80, 50, 5};
  for (int c = 0; c < 4; ++c) list->setColumnWidth(c, widths[c]);
  return list;
}

void addRow(QTreeWidget& list, const QStringList& cells) { list.addTopLevelItem(new QTreeWidgetItem(cells)); }

QList<QStringList> rowsOf(const QTreeWidget& list) {
  QList<QStringList> rows;
  for (int r = 0; r < list.topLevelItemCount(); ++r) {
    QStringList row;
    for (int c = 0; c < list.columnCount(); ++c) row << list.topLevelItem(r)->text(c);
    rows << row;
  }
  return rows;
}

const QList<QStringList> kThreeRows = {
    {"/照片/张三", "同一人", "95", "3"},
    {"/照片/李四", "非同一人", "42", ""},
    {"/照片/王五", "识别失败，错误代码:222202", "-", "7"},
};

class ListCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/velmora-list-XXXXXX";
    folder = QString::fromUtf8(mkdtemp(pattern));
    for (const auto& row : kThreeRows) addRow(*list, row);
  }
  void TearDown() override { fs::remove_all(folder.toStdString()); }

  QString file(const QString& name) const { return folder + QLatin1Char('/') + name; }

  // Writes a sheet of the given rows with our own writer.
  QString book(const QString& name, const std::vector<SheetRow>& rows) {
    WorkbookWriter writer(file(name).toStdString(), "S");
    for (const auto& row : rows) writer.writeRow(row);
    EXPECT_TRUE(writer.save().saved);
    return file(name);
  }

  QString folder;
  std::unique_ptr<QTreeWidget> list = folderList();
  FileDialogSettings dialog;
  ScriptedPrompts prompts;
  QWidget window;
};

// ------------------------------------------------------------ export

TEST_F(ListCommandsTest, ExportRefusesAnEmptyList) {
  list->clear();
  exportFolderList(*list, dialog, prompts, &window);
  ASSERT_EQ(prompts.messages.size(), 1u);
  EXPECT_EQ(prompts.messages[0].text, "没有要导出的表数据！");
  EXPECT_TRUE(prompts.dialogsSeen.empty());
}

TEST_F(ListCommandsTest, ExportWritesTheListIntoANamedSheetOfTextCells) {
  const QString path = file("a.xls");  // written as typed; the content is xlsx
  prompts.answerFileDialog(path);
  exportFolderList(*list, dialog, prompts, &window);

  ASSERT_EQ(prompts.dialogsSeen.size(), 1u);
  const FileDialogSettings& asked = prompts.dialogsSeen[0];
  EXPECT_TRUE(asked.saveMode);
  EXPECT_EQ(asked.fileName, "导出结果.xlsx");
  EXPECT_EQ(asked.filter, "Excel 工作簿(*.xlsx)|*.xlsx");
  EXPECT_TRUE(asked.folder.endsWith('/'));
  EXPECT_EQ(dialog.fileName, path) << "the dialog keeps the chosen path for its next user";
  ASSERT_EQ(prompts.messages.size(), 1u);
  EXPECT_EQ(prompts.messages[0].text, "导出数据完毕！");
  EXPECT_EQ(prompts.messages[0].title, "温馨提示！");
  EXPECT_TRUE(window.findChildren<ExportProgressWindow*>().isEmpty()) << "the progress window is gone";

  const auto workbook = testing::readZipPart(path.toStdString(), "xl/workbook.xml");
  ASSERT_TRUE(workbook);
  EXPECT_NE(workbook->find(R"(name="导出结果.xls")"), std::string::npos);
  const SheetReadResult read = readFirstSheet(path.toStdString());
  ASSERT_TRUE(read.ok) << read.error;
  ASSERT_EQ(read.sheet.rows.size(), 4u);
  EXPECT_EQ(read.sheet.rows[0], (SheetRow{"目录", "是否同一人", "相似度", "索引"}));
  EXPECT_EQ(read.sheet.cell(1, 2), "95");
  EXPECT_EQ(read.sheet.cell(3, 1), "识别失败，错误代码:222202");
}

// A reader that is not ours: openpyxl from Debian, when it is installed.
TEST_F(ListCommandsTest, ExportedBookOpensInOpenpyxl) {
  const QString python = QStringLiteral("/usr/bin/python3");
  if (QProcess::execute(python, {"-c", "import openpyxl"}) != 0) GTEST_SKIP() << "python3-openpyxl is not installed";
  const QString path = file("导出.xlsx");
  prompts.answerFileDialog(path);
  exportFolderList(*list, dialog, prompts, &window);

  const char* check = R"(
import sys, openpyxl
book = openpyxl.load_workbook(sys.argv[1])
assert book.sheetnames == ["导出结果.xls"], book.sheetnames
sheet = book.worksheets[0]
rows = [[c.value for c in row] for row in sheet.iter_rows()]
assert rows[0] == ["目录", "是否同一人", "相似度", "索引"], rows[0]
assert rows[1] == ["/照片/张三", "同一人", "95", "3"], rows[1]
assert len(rows) == 4, rows
for row in sheet.iter_rows():
    for cell in row:
        assert cell.value is None or cell.data_type == "s", (cell.coordinate, cell.data_type)
        for side in (cell.border.left, cell.border.right, cell.border.top, cell.border.bottom):
            assert side.style == "thin", (cell.coordinate, side.style)
print("ok")
)";
  QProcess process;
  process.start(python, {"-c", QString::fromUtf8(check), path});
  ASSERT_TRUE(process.waitForFinished(60000));
  EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
}

TEST_F(ListCommandsTest, ExportWritesTheNamedColumnsInTheirOrder) {
  prompts.answerFileDialog(file("cols.xlsx"));
  EXPECT_TRUE(exportListToWorkbook(*list, "表", {"2", "0", "9"}, dialog, prompts, &window));
  const SheetReadResult read = readFirstSheet(file("cols.xlsx").toStdString());
  ASSERT_TRUE(read.ok);
  EXPECT_EQ(read.sheet.rows[0], (SheetRow{"相似度", "目录"}));
  EXPECT_EQ(read.sheet.rows[1], (SheetRow{"95", "/照片/张三"}));
}

TEST_F(ListCommandsTest, CancelledExportWritesAndSaysNothing) {
  prompts.answerFileDialog(std::nullopt);
  exportFolderList(*list, dialog, prompts, &window);
  EXPECT_TRUE(prompts.messages.empty());
  EXPECT_TRUE(fs::is_empty(folder.toStdString()));
}

TEST_F(ListCommandsTest, FailedSaveSaysTheBookWasNotWritten) {
  const QString path = file("no-such-folder/a.xlsx");
  prompts.answerFileDialog(path);
  EXPECT_FALSE(exportListToWorkbook(*list, "导出结果.xls", {}, dialog, prompts, &window));
  ASSERT_EQ(prompts.messages.size(), 1u);
  EXPECT_TRUE(prompts.messages[0].text.startsWith("导出失败，工作簿没有写入：" + path)) << prompts.messages[0].text.toStdString();
  EXPECT_TRUE(prompts.messages[0].text.contains("No such file or directory"));
  EXPECT_EQ(prompts.messages[0].title, "温馨提示！");
}

// ------------------------------------------------------------ import

TEST_F(ListCommandsTest, ImportGivesBackAnExportedListAfterTheRowsThere) {
  prompts.answerFileDialog(file("round.xlsx"));
  exportFolderList(*list, dialog, prompts, &window);

  auto target = folderList();
  addRow(*target, {"/已有", "同一人", "90", "1"});
  dialog.filter = "图片|*.jpg";
  prompts.answerFileDialog(file("round.xlsx"));
  importSavedResults(*target, dialog, prompts);

  EXPECT_FALSE(prompts.dialogsSeen.back().saveMode);
  EXPECT_EQ(prompts.dialogsSeen.back().filter, "图片|*.jpg") << "the dialog keeps its filter";
  const QList<QStringList> expected = QList<QStringList>{{"/已有", "同一人", "90", "1"}} + kThreeRows;
  EXPECT_EQ(rowsOf(*target), expected);
  ASSERT_EQ(target->columnCount(), 4);
  for (int c = 0; c < 4; ++c) {
    EXPECT_EQ(target->headerItem()->text(c), savedResultTitles()[c]);
    EXPECT_EQ(target->columnWidth(c), 80);
  }
}

TEST_F(ListCommandsTest, ImportStopsAtTheFirstBlankRow) {
  const SheetRow header = {"目录", "是否同一人", "相似度", "索引"};
  const struct {
    const char* label;
    std::vector<SheetRow> sheet;
    QList<QStringList> imported;
  } cases[] = {
      {"blank row 5 with data below",
       {header, {"a", "1"}, {"b", "2"}, {"c", "3"}, {}, {"after", "blank"}},
       {{"a", "1", "", ""}, {"b", "2", "", ""}, {"c", "3", "", ""}}},
      {"spaces-only row", {header, {"a"}, {"  ", " ", "   ", " "}, {"after"}}, {{"a", "", "", ""}}},
      {"blank row 2", {header, {}, {"after"}}, {}},
      {"header only", {header}, {}},
      {"first cell blank: a row of its own",
       {header, {"a", "1"}, {"", "非同一人", "70", "2"}, {" ", "", "", "x"}},
       {{"a", "1", "", ""}, {"", "非同一人", "70", "2"}, {" ", "", "", "x"}}},
      {"spaces kept inside a row", {header, {" a ", " "}}, {{" a ", " ", "", ""}}},
  };
  for (const auto& c : cases) {
    auto target = folderList();
    prompts.messages.clear();
    EXPECT_TRUE(importWorkbookIntoList(*target, book("case.xlsx", c.sheet), savedResultTitles(), prompts)) << c.label;
    EXPECT_EQ(rowsOf(*target), c.imported) << c.label;
    EXPECT_EQ(target->columnWidth(0), 80) << c.label;
    EXPECT_TRUE(prompts.messages.empty()) << c.label;
  }
}

TEST_F(ListCommandsTest, ImportReadsBooksFromOtherPrograms) {
  const QList<QStringList> expected = {
      {"/照片/张三", "同一人", "95", "3"},
      {"/照片/李四", "非同一人", "42.5", ""},
      {"/照片/王五", "识别失败，错误代码:222202", "0.3", "1.23457E+13"},
  };
  for (const char* name : {"openpyxl.xlsx", "libreoffice.xlsx", "libreoffice.xls"}) {
    auto target = folderList();
    EXPECT_TRUE(importWorkbookIntoList(*target, kFixtures + "/" + name, savedResultTitles(), prompts)) << name;
    EXPECT_EQ(rowsOf(*target), expected) << name;
  }
}

TEST_F(ListCommandsTest, UnreadableBookLeavesTheListAsItWas) {
  for (const QString& path : {kFixtures + "/password.xlsx", kFixtures + "/password.xls", file("absent.xlsx")}) {
    prompts.messages.clear();
    EXPECT_FALSE(importWorkbookIntoList(*list, path, savedResultTitles(), prompts));
    EXPECT_EQ(rowsOf(*list), kThreeRows);
    EXPECT_EQ(list->columnWidth(0), 540);
    EXPECT_EQ(list->columnWidth(3), 5);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_TRUE(prompts.messages[0].text.startsWith("无法读取工作簿：" + path)) << prompts.messages[0].text.toStdString();
  }
  EXPECT_TRUE(prompts.messages[0].text.contains("无法打开文件"));
}

TEST_F(ListCommandsTest, CancelledImportChangesNothing) {
  prompts.answerFileDialog(std::nullopt);
  importSavedResults(*list, dialog, prompts);
  EXPECT_EQ(rowsOf(*list), kThreeRows);
  EXPECT_EQ(list->columnWidth(0), 540);
  EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(ListCommandsTest, ImportRunsPendingEventsAndSurvivesTheListClosing) {
  const QString path = book("events.xlsx", {{"h"}, {"a"}, {"b"}, {"c"}});
  // A handler that runs while rows are read: it sees the first row arrive.
  int rowsSeenByHandler = -1;
  QTimer::singleShot(0, list.get(), [&] { rowsSeenByHandler = list->topLevelItemCount(); });
  importWorkbookIntoList(*list, path, savedResultTitles(), prompts);
  EXPECT_EQ(rowsSeenByHandler, 3) << "events run before the first row is added";
  EXPECT_EQ(list->topLevelItemCount(), 6);

  auto* doomed = folderList().release();
  QTimer::singleShot(0, doomed, [doomed] { delete doomed; });
  const QPointer<QTreeWidget> watch(doomed);
  importWorkbookIntoList(*doomed, path, savedResultTitles(), prompts);
  EXPECT_TRUE(watch.isNull());
}

}  // namespace
}  // namespace velmora

int main(int argc, char** argv) {
  // Widget tests need no display, test discovery included.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
