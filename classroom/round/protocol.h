#pragma once

#include "content/quiz.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <variant>
#include <vector>

// What the teacher's program and a pupil's say to each other over the round's WebSocket: JSON
// objects in text messages, each with its "type". docs/protocol.md writes it down for other
// clients. Everything a pupil sends is untrusted: parseClientMessage takes any bytes.
namespace classroom {

inline constexpr int protocolVersion = 1;
// The largest message a pupil's program may send: a check of three of the longest entries (each
// at most maxChoiceLength characters of up to three bytes) with room to spare. The host's
// messages are not capped so: its lists of a large quiz go out once a round.
inline constexpr qint64 maxClientMessageBytes = qint64{64} * 1024;
inline constexpr qsizetype maxNameLength = 60;
inline constexpr qsizetype maxChoiceLength = 4096;
inline constexpr int joinCodeDigits = 4;
inline constexpr qsizetype tokenLength = 32; // 128 random bits, in hex

// --- From a pupil -----------------------------------------------------------------------------

// A pupil joins the round with its code under a name.
struct Join {
    QString code;
    QString name;
};
// A pupil whose link dropped comes back with the token it was given.
struct Resume {
    QString token;
};
// Mutating requests carry a number the pupil's program counts up, once for every request it
// makes, across reconnections: a request sent again after a drop is answered again, not
// counted again.
struct Check {
    qint64 serial = 0;
    QStringList choice; // the chosen entry of each list in play, in list order
};
// „Изчисти“: the pupil's next attempt; or Ctrl+R: a practice of the rows missed.
struct Again {
    qint64 serial = 0;
    bool practice = false;
};
struct Leave {};
// Before joining, the names of the class list not yet in the round, for the pupil to choose
// from; asked with the round's code.
struct AskNames {
    QString code;
};

using ClientMessage = std::variant<Join, Resume, Check, Again, Leave, AskNames>;

// Why a message is refused, in Bulgarian, for the host's log and the pupil.
struct BadMessage {
    QString reason;
};

// Reads one message from a pupil: a message, or why it is not one.
std::variant<ClientMessage, BadMessage> parseClientMessage(const QByteArray &bytes);

QByteArray encode(const ClientMessage &message);

// --- From the host ----------------------------------------------------------------------------

// The lists of an attempt as the pupil's window shows them, each sorted on its own; with the
// state of an attempt in play when a pupil comes back.
struct Attempt {
    int number = 1;
    bool practice = false;
    std::vector<QStringList> lists; // the entries still to match, in each list's order
    qint64 rightAnswers = 0;
    qint64 wrongAnswers = 0;
    QString shown; // what the information box shows; empty: the quiz's introduction
    qint64 nextSerial = 1;
};
struct Welcome {
    QString token;
    QString name;
    QString title;     // the quiz's
    QString className; // the class, as the teacher named it; may be empty
    QStringList captions;
    int quizRows = 0;
    Attempt attempt;
};
struct Verdict {
    qint64 serial = 0;
    bool right = false;
    QString shown; // on a right one: what the information box shows (the row's explanation)
    qint64 rightAnswers = 0;
    qint64 wrongAnswers = 0;
};
struct Summary {
    qint64 rightAnswers = 0;
    qint64 wrongAnswers = 0;
    qint64 milliseconds = 0;
    QStringList missedRows;
};
// The answer to „Изчисти“ or Ctrl+R: the next attempt's lists.
struct Started {
    Attempt attempt;
};
// The attempt is over: every row matched, or the teacher ended the round („Край“).
struct Finished {
    Summary summary;
    bool roundEnded = false;
};
// The pupil waits for the teacher's approval (a name already in the round).
struct Held {
    QString reason;
};
// The answer to AskNames.
struct Names {
    QStringList names;
};
// The host will not have the pupil, and closes the connection: a wrong code, a removed pupil,
// a round that has ended, a message that is not one.
struct Refused {
    QString reason;
};

// Sent to every connection every few seconds: the link is up. A browser's page hears no pings.
struct Alive {};

using HostMessage = std::variant<Welcome, Verdict, Started, Finished, Held, Refused, Names, Alive>;

QByteArray encode(const HostMessage &message);
// What a pupil's program reads: a message, or why the host's bytes are not one.
std::variant<HostMessage, BadMessage> parseHostMessage(const QByteArray &bytes);

} // namespace classroom
