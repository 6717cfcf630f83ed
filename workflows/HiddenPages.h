#pragma once
// The handlers of the three pages that have no tab in the running window
// (face search, face registration, text recognition) and the remote picture
// receiver that feeds the face search.
#include <QString>

namespace velmora {

struct WorkflowContext;

// Connects the buttons of the three pages to their handlers and the data of
// 服务器1 to the face search. When 服务器1 cannot listen (its port taken), the
// status line says that remote pictures cannot be received; the rest of the
// window works as ever. The context's window, state and prompts must outlive
// the window's controls.
void installHiddenPages(WorkflowContext& context);

// The status line text shown when the receiver's port cannot be listened on.
QString receiverUnavailableText(quint16 port);

}  // namespace velmora
