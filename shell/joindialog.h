#pragma once

#include "classroom/localnetwork.h"

#include <QDialog>

#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QWebSocket;

namespace classroom {
class RoundBrowser;
struct FoundRound;
} // namespace classroom

namespace shell {

// „Влез в клас…“: the join link, or the teacher's address and the round's code; the rounds found
// on the local network, where avahi-daemon runs, to choose from; then a name from the class list
// (the teacher's program gives it once the code is right) or typed.
class JoinDialog : public QDialog {
    Q_OBJECT

public:
    explicit JoinDialog(QWidget *parent);

    // What the pupil chose, once the dialog is accepted.
    classroom::RoundAddress address() const;
    QString name() const;

    void accept() override;

private:
    void addressEdited();
    void askForNames();
    void roundFound(const classroom::FoundRound &round);
    std::optional<classroom::RoundAddress> typedAddress() const;

    QLineEdit *m_address;
    QLineEdit *m_code;
    QComboBox *m_name;
    QListWidget *m_found;
    QLabel *m_problem;
    classroom::RoundBrowser *m_browser;
    QWebSocket *m_names = nullptr;
};

} // namespace shell
