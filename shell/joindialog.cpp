#include "shell/joindialog.h"

#include "classroom/discovery.h"
#include "classroom/round/protocol.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QWebSocket>

using namespace Qt::Literals::StringLiterals;

namespace shell {

namespace {

// A found round's entry keeps where it answers.
constexpr int addressRole = Qt::UserRole;

QString addressText(const QHostAddress &address, quint16 port) {
    const QString host = address.protocol() == QAbstractSocket::IPv6Protocol
                             ? u"["_s + address.toString() + u"]"_s
                             : address.toString();
    return host + u':' + QString::number(port);
}

} // namespace

JoinDialog::JoinDialog(QWidget *parent)
    : QDialog(parent)
    , m_address(new QLineEdit(this))
    , m_code(new QLineEdit(this))
    , m_name(new QComboBox(this))
    , m_found(new QListWidget(this))
    , m_problem(new QLabel(this))
    , m_browser(new classroom::RoundBrowser(this)) {
    setWindowTitle(u"Влизане в клас"_s);
    m_address->setPlaceholderText(u"http://169.254.1.5:47474/?code=1234"_s);
    m_code->setValidator(new QRegularExpressionValidator(QRegularExpression(u"\\d{0,4}"_s), this));
    m_code->setMaxLength(classroom::joinCodeDigits);
    m_name->setEditable(true);
    m_name->lineEdit()->setMaxLength(int(classroom::maxNameLength));
    m_found->setAccessibleName(u"Кръгове в мрежата"_s);
    m_problem->setTextFormat(Qt::PlainText);
    m_problem->setWordWrap(true);
    m_problem->hide();

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(u"Влез"_s);
    buttons->button(QDialogButtonBox::Cancel)->setText(u"Отказ"_s);
    connect(buttons, &QDialogButtonBox::accepted, this, &JoinDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &JoinDialog::reject);

    auto *layout = new QFormLayout(this);
    layout->addRow(u"&Адрес на кръга:"_s, m_address);
    layout->addRow(u"&Код:"_s, m_code);
    layout->addRow(u"&Име:"_s, m_name);
    layout->addRow(u"Кръгове в &мрежата:"_s, m_found);
    layout->addRow(m_problem);
    layout->addRow(buttons);

    connect(m_address, &QLineEdit::textEdited, this, &JoinDialog::addressEdited);
    connect(m_code, &QLineEdit::textEdited, this, &JoinDialog::askForNames);
    connect(m_found, &QListWidget::currentItemChanged, this, [this](QListWidgetItem *item) {
        if (item == nullptr)
            return;
        m_address->setText(item->data(addressRole).toString());
        askForNames();
    });
    connect(m_browser, &classroom::RoundBrowser::roundFound, this, &JoinDialog::roundFound);
    connect(m_browser, &classroom::RoundBrowser::roundChanged, this, &JoinDialog::roundFound);
    connect(m_browser, &classroom::RoundBrowser::roundLost, this, [this](const QString &name) {
        for (QListWidgetItem *item : m_found->findItems(name, Qt::MatchStartsWith))
            delete item;
    });
}

void JoinDialog::roundFound(const classroom::FoundRound &round) {
    if (round.addresses.isEmpty() || round.protocolVersion != classroom::protocolVersion)
        return;
    const QString where = addressText(round.addresses.front(), round.port);
    for (QListWidgetItem *item : m_found->findItems(round.name, Qt::MatchStartsWith))
        delete item;
    auto *item = new QListWidgetItem(round.name + u" ("_s + where + u")"_s, m_found);
    item->setData(addressRole, where);
}

std::optional<classroom::RoundAddress> JoinDialog::typedAddress() const {
    return classroom::parseRoundAddress(m_address->text(), classroom::defaultPort);
}

// A join link brings its code with it.
void JoinDialog::addressEdited() {
    if (const auto address = typedAddress(); address && !address->code.isEmpty())
        m_code->setText(address->code);
    askForNames();
}

// With the address and the whole code, the class list's free names, to choose from.
void JoinDialog::askForNames() {
    const auto address = typedAddress();
    if (!address || m_code->text().size() != classroom::joinCodeDigits)
        return;
    delete m_names;
    m_names = new QWebSocket(QString(), QWebSocketProtocol::VersionLatest, this);
    const QString code = m_code->text();
    connect(m_names, &QWebSocket::connected, m_names, [socket = m_names, code] {
        socket->sendTextMessage(QString::fromUtf8(classroom::encode(classroom::AskNames{code})));
    });
    connect(m_names, &QWebSocket::textMessageReceived, this, [this](const QString &text) {
        const auto message = classroom::parseHostMessage(text.toUtf8());
        const auto *host = std::get_if<classroom::HostMessage>(&message);
        if (const auto *names = host ? std::get_if<classroom::Names>(host) : nullptr) {
            const QString typed = m_name->currentText();
            m_name->clear();
            m_name->addItems(names->names);
            m_name->setEditText(typed);
        }
        m_names->close();
    });
    QUrl url;
    url.setScheme(u"ws"_s);
    url.setHost(address->host);
    url.setPort(address->port);
    url.setPath(u"/ws"_s);
    m_names->open(url);
}

classroom::RoundAddress JoinDialog::address() const {
    classroom::RoundAddress address = typedAddress().value_or(classroom::RoundAddress{});
    address.code = m_code->text();
    return address;
}

QString JoinDialog::name() const {
    return m_name->currentText().simplified();
}

void JoinDialog::accept() {
    QString problem;
    if (!typedAddress())
        problem = u"Напишете адреса на кръга от екрана на учителя или изберете кръг от мрежата."_s;
    else if (m_code->text().size() != classroom::joinCodeDigits)
        problem = u"Кодът на кръга е от 4 цифри: вижте го на екрана на учителя."_s;
    else if (name().isEmpty())
        problem = u"Изберете или напишете името си."_s;
    if (problem.isEmpty()) {
        QDialog::accept();
        return;
    }
    m_problem->setText(problem);
    m_problem->show();
}

} // namespace shell
