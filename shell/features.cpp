#include "shell/features.h"

#include "quiz/quizform.h"
#include "shell/classcommands.h"
#include "shell/commands.h"
#include "shell/helpdialog.h"
#include "shell/quizfileopener.h"
#include "shell/quizpaster.h"
#include "shell/roundsummarydialog.h"
#include "shell/worksheetprinter.h"
#include "shell/zoomcontrol.h"

namespace shell {

WindowFeatures addWindowFeatures(quiz::QuizForm &form) {
    WindowFeatures features{};
    features.opener = new QuizFileOpener(form);
    features.paster = new QuizPaster(form);
    features.printer = new WorksheetPrinter(form);
    addCommandSeparator(form);
    addRoundSummary(form);
    addCommandSeparator(form);
    addClassCommands(form);
    addCommandSeparator(form);
    features.zoom = new ZoomControl(form);
    addCommandSeparator(form);
    addHelp(form);
    offerCommandsAsContextMenu(form);
    return features;
}

} // namespace shell
