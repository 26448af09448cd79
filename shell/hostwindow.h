#pragma once

#include "classroom/classhost.h"
#include "classroom/classrecords.h"
#include "classroom/discovery.h"
#include "content/quiz.h"

#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;
class QStackedWidget;
class QTableView;

namespace quiz {
class QuizForm;
}

namespace shell {

class PupilTable;
class QrCodeWidget;
class RowTable;

// The teacher's window of a class round, beside the quiz window: before the round, the class's
// name and, optionally, its class list; „Започни“ then hosts the quiz of the quiz window for the
// lab and shows, large enough for a projector, the address pupils use, the round's code (new
// every round) and the same as a QR code; a live table of every pupil and one of every row of
// the quiz, which follow each check within a second; the names that wait to be let in; „Край“,
// which ends the round for everyone, and the results saved as a spreadsheet. Earlier rounds are
// listed from the class records, and a round the program ended in the middle of is offered to
// be carried on.
class HostWindow : public QWidget {
    Q_OBJECT

public:
    HostWindow(quiz::QuizForm &form, std::shared_ptr<classroom::ClassRecords> records);
    ~HostWindow() override;

    // Starts the round on the quiz in the quiz window: false, with a message in the window,
    // when it cannot listen on the port.
    bool startRound(quint16 port);
    // Carries on a round of the records, from where it was.
    bool carryOn(int recordsRound, quint16 port);
    classroom::ClassHost *host() const { return m_host.get(); }
    // Why the last start did not happen, in Bulgarian.
    QString problem() const;

    // Tests answer the window's questions themselves.
    using Asker = std::function<bool(QWidget *parent, const QString &question)>;
    void setAsker(Asker asker) { m_ask = std::move(asker); }

signals:
    void roundStarted(const QUrl &joinLink);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildSetup();
    void buildRound();
    bool listen(std::unique_ptr<classroom::ClassRound> round, int recordsRound, quint16 port);
    void loadClassList();
    void refresh();
    void showEarlierRounds();
    void approveHeld(bool approve);
    void removeChosenPupil();
    void endRound();
    void saveResults(int recordsRound);

    quiz::QuizForm &m_form;
    std::shared_ptr<classroom::ClassRecords> m_records;
    std::unique_ptr<classroom::ClassHost> m_host;
    classroom::RoundPublisher *m_publisher = nullptr;
    QStringList m_classList;
    Asker m_ask;
    QTimer m_refresh;

    QStackedWidget *m_pages;
    // Before the round.
    QLineEdit *m_className;
    QLabel *m_classListShown;
    QSpinBox *m_port;
    QListWidget *m_earlier;
    QLabel *m_problem;
    // During it.
    QLabel *m_address;
    QLabel *m_code;
    QrCodeWidget *m_qr;
    QLabel *m_recordsProblem;
    PupilTable *m_pupils;
    RowTable *m_rows;
    QTableView *m_pupilView;
    QListWidget *m_held;
    QPushButton *m_end;
};

} // namespace shell
