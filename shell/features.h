#pragma once

namespace quiz {
class QuizForm;
}

namespace shell {

class QuizFileOpener;
class QuizPaster;
class WorksheetPrinter;
class ZoomControl;

// The window's features around the round, each owned by the window and in its context menu in
// this order: open, paste and print; practise the rows missed; the class round; zoom; help.
struct WindowFeatures {
    QuizFileOpener *opener;
    QuizPaster *paster;
    WorksheetPrinter *printer;
    ZoomControl *zoom;
};

WindowFeatures addWindowFeatures(quiz::QuizForm &form);

} // namespace shell
