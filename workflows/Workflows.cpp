#include "workflows/Workflows.h"

#include <QAction>

#include "app/MainWindow.h"
#include "app/Program.h"
#include "results/ResultFiles.h"
#include "workflows/ComparisonPage.h"
#include "workflows/HiddenPages.h"
#include "workflows/WorkflowContext.h"

namespace velmora {

namespace {

// Keeps the context the handlers were connected with for as long as the main
// window lives: handlers may hold it by reference.
class WorkflowHost : public QObject {
 public:
  WorkflowHost(const WorkflowContext& context, QObject* window) : QObject(window), context(context) {}
  WorkflowContext context;
};

void installResultFiles(WorkflowContext& context) {
  MainWindow& window = context.window;
  QObject::connect(window.导出当前列表, &QAction::triggered, &window, [&window, &prompts = context.prompts] {
    exportFolderList(*window.超级列表框_目录, window.通用对话框1, prompts, &window);
  });
  QObject::connect(window.导入保存结果, &QAction::triggered, &window, [&window, &prompts = context.prompts] {
    importSavedResults(*window.超级列表框_目录, window.通用对话框1, prompts);
  });
}

}  // namespace

void installWorkflows(Program& program) {
  auto* host = new WorkflowHost(WorkflowContext{program.window(), program.state(), program.prompts()},
                                &program.window());
  installResultFiles(host->context);
  installComparisonPage(host->context);
  installHiddenPages(host->context);
}

}  // namespace velmora
