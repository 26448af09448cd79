#include "shell/hostwindow.h"

#include "classroom/localnetwork.h"
#include "classroom/results.h"
#include "content/bulgarian.h"
#include "forms/announcer.h"
#include "forms/error.h"
#include "quiz/quizform.h"
#include "quizfile/namelist.h"
#include "quizfile/quizwriter.h"
#include "shell/classtables.h"
#include "shell/qrcode.h"
#include "shell/quizfileopener.h"

#include <QAccessibleWidget>
#include <QCloseEvent>
#include <QDateTime>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QSortFilterProxyModel>
#include <QSpinBox>
#include <QSplitter>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QTableView>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace shell {

namespace {

// The tables follow each check within this; a class of forty checking as fast as it can does
// not redraw them more often.
constexpr int refreshMilliseconds = 250;

bool askInAMessageBox(QWidget *parent, const QString &question) {
    return QMessageBox::question(parent, forms::messageBoxTitle(), question) == QMessageBox::Yes;
}

QString newCode() {
    return QString::number(QRandomGenerator::system()->bounded(10000))
        .rightJustified(classroom::joinCodeDigits, u'0');
}

QLabel *bigLabel(QWidget *parent, int points) {
    auto *label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    QFont font = label->font();
    font.setPointSize(points);
    font.setBold(true);
    label->setFont(font);
    return label;
}

QTableView *tableView(QAbstractTableModel *model, const QString &name, QWidget *parent) {
    auto *proxy = new QSortFilterProxyModel(parent);
    proxy->setSourceModel(model);
    proxy->setSortRole(Qt::UserRole);
    auto *view = new QTableView(parent);
    view->setModel(proxy);
    view->setSortingEnabled(true);
    view->sortByColumn(0, Qt::AscendingOrder);
    view->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    view->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    view->setWordWrap(false);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->verticalHeader()->hide();
    view->setAccessibleName(name);
    return view;
}

QString roundName(const classroom::ClassRecords::RoundInfo &info) {
    return QDateTime::fromMSecsSinceEpoch(info.started).toString(u"dd.MM.yyyy HH:mm"_s) + u" — "_s +
           (info.className.isEmpty() ? QString() : info.className + u" — "_s) + info.title +
           u" ("_s + content::counted(info.pupils, u"ученик"_s, u"ученици"_s) +
           (info.ended == 0 ? u", незавършен)"_s : u")"_s);
}

// A plain top-level widget reads as a "filler" to screen readers; the host window is a window,
// and is announced as one with its caption.
QAccessibleInterface *accessibleHostWindow(const QString &className, QObject *object) {
    if (className == QLatin1StringView(HostWindow::staticMetaObject.className()) &&
        object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::Window);
    return nullptr;
}

} // namespace

HostWindow::HostWindow(quiz::QuizForm &form, std::shared_ptr<classroom::ClassRecords> records)
    : QWidget(&form, Qt::Window)
    , m_form(form)
    , m_records(std::move(records))
    , m_ask(&askInAMessageBox)
    , m_pages(new QStackedWidget(this))
    , m_pupils(new PupilTable(this))
    , m_rows(new RowTable(this)) {
    static const bool accessibleWindowInstalled = [] {
        QAccessible::installFactory(accessibleHostWindow);
        return true;
    }();
    Q_UNUSED(accessibleWindowInstalled);
    setWindowTitle(u"Кръг на класа"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    buildSetup();
    buildRound();
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_pages);
    m_refresh.setSingleShot(true);
    m_refresh.setInterval(refreshMilliseconds);
    connect(&m_refresh, &QTimer::timeout, this, &HostWindow::refresh);
    showEarlierRounds();
    // Both live tables whole side by side, on a projector's 1024 × 768 too.
    resize(1000, 700);
}

HostWindow::~HostWindow() = default;

void HostWindow::buildSetup() {
    auto *page = new QWidget(m_pages);
    m_className = new QLineEdit(page);
    m_className->setPlaceholderText(u"например 10 б"_s);
    m_classListShown = new QLabel(u"няма: учениците пишат имената си"_s, page);
    m_classListShown->setTextFormat(Qt::PlainText);
    auto *loadList = new QPushButton(u"&Зареди списък…"_s, page);
    m_port = new QSpinBox(page);
    m_port->setRange(1024, 65535);
    m_port->setValue(classroom::defaultPort);
    auto *start = new QPushButton(u"&Започни"_s, page);
    start->setDefault(true);
    m_problem = new QLabel(page);
    m_problem->setTextFormat(Qt::PlainText);
    m_problem->setWordWrap(true);
    m_earlier = new QListWidget(page);
    m_earlier->setAccessibleName(u"Предишни кръгове"_s);
    auto *saveEarlier = new QPushButton(u"Запази &резултатите на избрания кръг…"_s, page);
    auto *carryOnEarlier = new QPushButton(u"&Продължи избрания кръг"_s, page);

    auto *classList = new QHBoxLayout;
    classList->addWidget(m_classListShown, 1);
    classList->addWidget(loadList);
    auto *form = new QFormLayout;
    form->addRow(u"&Клас:"_s, m_className);
    form->addRow(u"Списък на класа:"_s, classList);
    form->addRow(u"П&орт:"_s, m_port);
    auto *earlierButtons = new QHBoxLayout;
    earlierButtons->addWidget(carryOnEarlier);
    earlierButtons->addWidget(saveEarlier);
    auto *layout = new QVBoxLayout(page);
    layout->addLayout(form);
    layout->addWidget(start, 0, Qt::AlignLeft);
    layout->addWidget(m_problem);
    layout->addWidget(new QLabel(u"Предишни кръгове:"_s, page));
    layout->addWidget(m_earlier, 1);
    layout->addLayout(earlierButtons);
    m_pages->addWidget(page);

    connect(loadList, &QPushButton::clicked, this, &HostWindow::loadClassList);
    connect(start, &QPushButton::clicked, this, [this] { startRound(quint16(m_port->value())); });
    // The round the list shows chosen: its selection, which a screen reader can set without
    // moving the list's current item.
    const auto chosenRound = [this] {
        const QList<QListWidgetItem *> chosen = m_earlier->selectedItems();
        return chosen.isEmpty() ? 0 : chosen.constFirst()->data(Qt::UserRole).toInt();
    };
    connect(saveEarlier, &QPushButton::clicked, this, [this, chosenRound] {
        if (const int round = chosenRound())
            saveResults(round);
    });
    connect(carryOnEarlier, &QPushButton::clicked, this, [this, chosenRound] {
        if (const int round = chosenRound())
            carryOn(round, quint16(m_port->value()));
    });
}

void HostWindow::buildRound() {
    auto *page = new QWidget(m_pages);
    m_address = bigLabel(page, 20);
    m_code = bigLabel(page, 40);
    m_qr = new QrCodeWidget(page);
    m_recordsProblem = new QLabel(page);
    m_recordsProblem->setTextFormat(Qt::PlainText);
    m_recordsProblem->setWordWrap(true);
    m_recordsProblem->setStyleSheet(u"color: #a00000; font-weight: bold;"_s);
    m_recordsProblem->hide();
    m_pupilView = tableView(m_pupils, u"Ученици"_s, page);
    QTableView *rowView = tableView(m_rows, u"Редове на викторината"_s, page);
    m_held = new QListWidget(page);
    m_held->setAccessibleName(u"Чакат да влязат"_s);
    m_held->setMaximumHeight(100);
    auto *letIn = new QPushButton(u"&Пусни"_s, page);
    auto *turnAway = new QPushButton(u"&Откажи"_s, page);
    auto *remove = new QPushButton(u"О&тстрани ученика"_s, page);
    auto *save = new QPushButton(u"Запази &резултатите…"_s, page);
    m_end = new QPushButton(u"&Край"_s, page);

    auto *join = new QVBoxLayout;
    join->addWidget(new QLabel(u"Влезте в кръга на адрес:"_s, page));
    join->addWidget(m_address);
    join->addWidget(m_code);
    join->addStretch();
    auto *top = new QHBoxLayout;
    top->addLayout(join, 1);
    top->addWidget(m_qr);
    auto *held = new QHBoxLayout;
    held->addWidget(m_held, 1);
    auto *heldButtons = new QVBoxLayout;
    heldButtons->addWidget(letIn);
    heldButtons->addWidget(turnAway);
    heldButtons->addStretch();
    held->addLayout(heldButtons);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(remove);
    buttons->addStretch();
    buttons->addWidget(save);
    buttons->addWidget(m_end);
    auto *tables = new QSplitter(Qt::Horizontal, page);
    tables->setChildrenCollapsible(false);
    tables->addWidget(m_pupilView);
    tables->addWidget(rowView);
    tables->setStretchFactor(0, 1);
    tables->setStretchFactor(1, 1);
    auto *layout = new QVBoxLayout(page);
    layout->addLayout(top);
    layout->addWidget(m_recordsProblem);
    layout->addWidget(tables, 1);
    layout->addWidget(new QLabel(u"Чакат учителя да ги пусне:"_s, page));
    layout->addLayout(held);
    layout->addLayout(buttons);
    m_pages->addWidget(page);

    connect(letIn, &QPushButton::clicked, this, [this] { approveHeld(true); });
    connect(turnAway, &QPushButton::clicked, this, [this] { approveHeld(false); });
    connect(remove, &QPushButton::clicked, this, &HostWindow::removeChosenPupil);
    connect(m_end, &QPushButton::clicked, this, &HostWindow::endRound);
    connect(save, &QPushButton::clicked, this, [this] {
        if (m_host)
            saveResults(m_host->recordsRound());
    });
}

QString HostWindow::problem() const {
    return m_problem->text();
}

void HostWindow::loadClassList() {
    const QString path = QFileDialog::getOpenFileName(
        this, u"Списък на класа"_s,
        QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation),
        u"Таблици (*.ods *.xlsx *.csv *.tsv *.txt);;Всички файлове (*)"_s);
    if (path.isEmpty())
        return;
    const quizfile::NameListResult result = quizfile::readNameList(path);
    if (const auto *error = std::get_if<quizfile::QuizFileError>(&result)) {
        forms::showWarningMessageBox(this, u"Списъкът на класа не може да бъде прочетен.\n"_s +
                                               error->text());
        return;
    }
    m_classList = std::get<QStringList>(result);
    m_classListShown->setText(QString::number(m_classList.size()) + u" имена"_s);
}

bool HostWindow::startRound(quint16 port) {
    if (const QString problem = classroom::classRoundProblem(m_form.currentQuiz());
        !problem.isEmpty()) {
        m_problem->setText(problem);
        return false;
    }
    auto round = std::make_unique<classroom::ClassRound>(
        m_form.currentQuiz(), m_className->text().simplified(), newCode());
    int recordsRound = 0;
    if (m_records && m_records->isOpen()) {
        recordsRound = m_records->addRound(*round, QDateTime::currentMSecsSinceEpoch());
        if (recordsRound == 0)
            m_problem->setText(m_records->error());
    }
    return listen(std::move(round), recordsRound, port);
}

bool HostWindow::carryOn(int recordsRound, quint16 port) {
    if (!m_records)
        return false;
    std::unique_ptr<classroom::ClassRound> round = m_records->load(recordsRound);
    if (round == nullptr) {
        m_problem->setText(m_records->error());
        return false;
    }
    if (round->hasEnded()) {
        m_problem->setText(u"Този кръг е завършен; запазете резултатите му."_s);
        return false;
    }
    m_className->setText(round->className());
    return listen(std::move(round), recordsRound, port);
}

bool HostWindow::listen(std::unique_ptr<classroom::ClassRound> round, int recordsRound,
                        quint16 port) {
    auto host =
        std::make_unique<classroom::ClassHost>(std::move(round), m_records.get(), recordsRound);
    host->setClassList(m_classList);
    if (!host->listen(port)) {
        m_problem->setText(host->error());
        return false;
    }
    m_host = std::move(host);
    connect(m_host.get(), &classroom::ClassHost::changed, this, [this] {
        if (!m_refresh.isActive())
            m_refresh.start();
    });
    connect(m_host.get(), &classroom::ClassHost::recordsProblem, this,
            [this](const QString &problem) {
                m_recordsProblem->setText(problem);
                m_recordsProblem->setVisible(!problem.isEmpty());
            });
    const QUrl link = m_host->joinLink();
    m_address->setText(link.toString());
    m_code->setText(u"Код: "_s + m_host->round().code());
    m_qr->setText(link.toString());
    m_qr->show();
    m_publisher = new classroom::RoundPublisher(this);
    m_publisher->publish(m_host->round().quiz().title, m_host->port(), classroom::protocolVersion);
    const QString className = m_host->round().className();
    setWindowTitle(u"Кръг на класа"_s +
                   (className.isEmpty() ? QString() : u" „"_s + className + u"“"_s) + u": "_s +
                   m_host->round().quiz().title);
    m_pages->setCurrentIndex(1);
    refresh();
    forms::announce(this, u"Кръгът започна. Код "_s + m_host->round().code());
    emit roundStarted(link);
    return true;
}

void HostWindow::refresh() {
    if (!m_host)
        return;
    m_pupils->setLines(pupilLinesOf(*m_host), QDateTime::currentMSecsSinceEpoch());
    m_rows->setRows(m_host->round().quiz(), m_host->round().rows());
    const QStringList held = m_host->heldNames();
    QStringList shown;
    for (int i = 0; i < m_held->count(); ++i)
        shown << m_held->item(i)->text();
    if (shown != held) {
        m_held->clear();
        m_held->addItems(held);
    }
    m_end->setEnabled(!m_host->round().hasEnded());
}

void HostWindow::showEarlierRounds() {
    m_earlier->clear();
    if (!m_records || !m_records->isOpen()) {
        if (m_records)
            m_problem->setText(m_records->error());
        return;
    }
    for (const classroom::ClassRecords::RoundInfo &info : m_records->rounds()) {
        auto *item = new QListWidgetItem(roundName(info), m_earlier);
        item->setData(Qt::UserRole, info.id);
    }
    if (const auto unfinished = m_records->unfinishedRound())
        m_problem->setText(u"Кръгът от "_s + roundName(*unfinished) +
                           u" не е завършен: програмата е спряла по време на него. Изберете го "
                           u"и натиснете „Продължи избрания кръг“, за да продължи оттам."_s);
}

void HostWindow::approveHeld(bool approve) {
    // The name the list shows chosen: its selection, which a screen reader can set without
    // moving the list's current item.
    const QList<QListWidgetItem *> chosen = m_held->selectedItems();
    if (!m_host || chosen.isEmpty())
        return;
    const QListWidgetItem *item = chosen.constFirst();
    if (approve)
        m_host->approve(item->text());
    else
        m_host->turnAway(item->text());
}

void HostWindow::removeChosenPupil() {
    if (!m_host)
        return;
    const QModelIndexList chosen = m_pupilView->selectionModel()->selectedRows();
    if (chosen.isEmpty())
        return;
    const auto *proxy = static_cast<const QSortFilterProxyModel *>(m_pupilView->model());
    const int pupil = m_pupils->pupilAt(proxy->mapToSource(chosen.front()).row());
    const QString name = m_host->round().pupil(pupil)->name;
    if (m_ask(this, u"Да бъде ли отстранен „"_s + name +
                        u"“ от кръга? Няма да може да влезе отново в него."_s))
        m_host->removePupil(pupil);
}

void HostWindow::endRound() {
    if (!m_host || m_host->round().hasEnded())
        return;
    if (!m_ask(this, u"Да завърши ли кръгът за всички ученици?"_s))
        return;
    m_host->endRound();
    if (m_publisher != nullptr)
        m_publisher->unpublish();
    m_host->stop();
    // Nobody can join any more: the way in gives way to what the round has come to.
    m_address->setText(u"Кръгът завърши."_s);
    m_code->clear();
    m_qr->hide();
    refresh();
    showEarlierRounds();
}

void HostWindow::saveResults(int recordsRound) {
    if (!m_records)
        return;
    std::unique_ptr<classroom::ClassRound> loaded;
    const classroom::ClassRound *round = nullptr;
    if (m_host && m_host->recordsRound() == recordsRound) {
        round = &m_host->round();
    } else {
        loaded = m_records->load(recordsRound);
        round = loaded.get();
    }
    if (round == nullptr) {
        forms::showWarningMessageBox(this, m_records->error());
        return;
    }
    classroom::ClassRecords::RoundInfo info;
    for (const auto &candidate : m_records->rounds())
        if (candidate.id == recordsRound)
            info = candidate;
    QFileDialog dialog(this, u"Запазване на резултатите"_s,
                       QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation),
                       classroom::resultsFileFilter());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(u"ods"_s);
    // The dialog asks before a file is replaced.
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString path = dialog.selectedFiles().constFirst();
    const std::optional<QByteArray> bytes =
        classroom::resultsFile(classroom::resultSheets(*round, info), path);
    if (!bytes) {
        forms::showWarningMessageBox(this, u"Резултатите се записват като .ods, .xlsx или .csv."_s);
        return;
    }
    std::optional<QString> problem;
    if (QFileInfo::exists(path)) {
        // The teacher has agreed to replace it: in full or not at all.
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(*bytes) != bytes->size() ||
            !file.commit())
            problem = file.errorString();
    } else {
        problem = quizfile::writeNewFile(path, *bytes);
    }
    if (problem)
        forms::showWarningMessageBox(this, u"Резултатите не са записани: "_s + *problem);
}

void HostWindow::closeEvent(QCloseEvent *event) {
    if (m_host && m_host->isListening() && !m_host->round().hasEnded() &&
        !m_ask(this, u"Кръгът още тече. Ако затворите прозореца, кръгът ще спре, но ще може да "
                     u"продължи по-късно от записите. Да спре ли?"_s)) {
        event->ignore();
        return;
    }
    event->accept();
}

} // namespace shell
