#include "shell/sounds/sound_events_window.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <exception>
#include <stdexcept>

#include "components/registry/c_registry.h"
#include "core/com_error.h"

namespace blenvar {
namespace {

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

// Every barcode type has an event, two-dimensional ones included.
constexpr int kRowsShown = 45;

}  // namespace

SoundEventsWindow::SoundEventsWindow(const std::string& appTitle,
                                     std::shared_ptr<RegistryStore> store, SoundPlayer& player,
                                     QWidget* parent)
    : QWidget(parent), sound_(std::move(store), player, nullptr, *this) {
    sound_.SetAppTitle(appTitle);
    setWindowTitle(tr("%1 - Sounds").arg(Q(appTitle)));

    table_ = new QTableWidget(0, 3, this);
    table_->setHorizontalHeaderLabels({tr("Event"), tr("Current file"), tr("Default file")});
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The current file is what the user came to change: give it as much room as the default.
    table_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    table_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    table_->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
    table_->setWordWrap(false);
    table_->setTextElideMode(Qt::ElideLeft);
    table_->verticalHeader()->setVisible(false);
    // Compact rows: a list of every barcode type is long.
    table_->verticalHeader()->setDefaultSectionSize(fontMetrics().lineSpacing() + 6);

    auto* choose = new QPushButton(tr("&Choose..."), this);
    auto* play = new QPushButton(tr("&Play"), this);
    auto* stop = new QPushButton(tr("&Stop"), this);
    auto* reset = new QPushButton(tr("&Reset to default"), this);
    auto* clear = new QPushButton(tr("C&lear (silent)"), this);
    auto* close = new QPushButton(tr("Close"), this);
    connect(choose, &QPushButton::clicked, this, &SoundEventsWindow::OnChoose);
    connect(play, &QPushButton::clicked, this, &SoundEventsWindow::OnPlay);
    connect(stop, &QPushButton::clicked, this, &SoundEventsWindow::StopPlaying);
    connect(reset, &QPushButton::clicked, this, &SoundEventsWindow::OnReset);
    connect(clear, &QPushButton::clicked, this, &SoundEventsWindow::OnClear);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    connect(table_, &QTableWidget::cellDoubleClicked, this, &SoundEventsWindow::OnPlay);

    auto* buttons = new QHBoxLayout;
    eventButtons_ = {choose, play, stop, reset, clear};
    for (auto* b : eventButtons_) buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(close);
    status_ = new QLabel(this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table_);
    layout->addLayout(buttons);
    layout->addWidget(status_);
    Reload();
    FitRows(kRowsShown);
}

void SoundEventsWindow::FitRows(int rows) {
    const int rowHeight = table_->verticalHeader()->defaultSectionSize();
    const int tableHeight = table_->horizontalHeader()->sizeHint().height() + rows * rowHeight +
                            2 * table_->frameWidth();
    const int others = sizeHint().height() - table_->sizeHint().height();
    int height = others + tableHeight;
    if (const QScreen* s = screen()) {
        // The frame and title bar take some of the screen too.
        height = std::min(height, s->availableGeometry().height() * 9 / 10);
    }
    resize(760, height);
}

void SoundEventsWindow::SelectEvent(const QString& event) {
    for (int row = 0; row < table_->rowCount(); ++row) {
        if (table_->item(row, 0)->text().compare(event, Qt::CaseInsensitive) != 0) continue;
        table_->selectRow(row);
        table_->scrollToItem(table_->item(row, 0), QAbstractItemView::PositionAtCenter);
        return;
    }
}

template <class F>
bool SoundEventsWindow::Guarded(F&& action) {
    lastError_.clear();
    try {
        action();
    } catch (const ComError& e) {
        lastError_ = Q(e.Description());
    } catch (const std::exception& e) {
        lastError_ = Q(e.what());
    }
    if (lastError_.isEmpty()) return true;
    status_->setText(lastError_);
    return false;
}

QStringList SoundEventsWindow::Events() const {
    return events_;
}

void SoundEventsWindow::Reload() {
    const QString keep = SelectedEvent();
    events_.clear();
    Guarded([&] {
        for (const std::string& name : sound_.EventNames()) events_ << Q(name);
    });
    table_->setRowCount(0);
    for (const QString& ev : events_) {
        const int row = table_->rowCount();
        table_->insertRow(row);
        table_->setItem(row, 0, new QTableWidgetItem(ev));
        table_->setItem(row, 1, new QTableWidgetItem(CurrentFile(ev)));
        table_->setItem(row, 2, new QTableWidgetItem(DefaultFile(ev)));
        if (ev == keep) table_->selectRow(row);
    }
    if (table_->rowCount() > 0 && table_->selectedItems().isEmpty()) table_->selectRow(0);
    for (QWidget* b : eventButtons_) b->setEnabled(!events_.isEmpty());
    // A store that can't be read is no reason to claim there are no events.
    if (events_.isEmpty() && storeMessage_.isEmpty())
        status_->setText(tr("No sound events are registered for %1.").arg(Q(sound_.AppTitle())));
}

QString SoundEventsWindow::CurrentFile(const QString& event) {
    QString out;
    Guarded([&] { out = Q(sound_.CurrentSound(event.toStdString())); });
    return out;
}

QString SoundEventsWindow::DefaultFile(const QString& event) {
    QString out;
    Guarded([&] { out = Q(sound_.DefaultSound(event.toStdString())); });
    return out;
}

bool SoundEventsWindow::Known(const QString& event) {
    if (events_.contains(event, Qt::CaseInsensitive)) return true;
    lastError_ = tr("There is no sound event named \"%1\".").arg(event);
    status_->setText(lastError_);
    return false;
}

bool SoundEventsWindow::SetCurrent(const QString& event, const std::string& file) {
    if (!Known(event)) return false;
    const bool ok = Guarded([&] {
        const std::string name = event.toStdString();
        // Stored exactly as shown: a "%" in a chosen path is part of its name.
        sound_.ChooseCurrentSound(name, file);
        // The store drops a refused write without a word; the user must hear of it.
        if (sound_.CurrentSound(name) != file)
            throw std::runtime_error("The sound settings could not be saved.");
    });
    // Reloading clears the last error; the user must still see why the save failed.
    const QString error = lastError_;
    Reload();
    if (!ok) {
        lastError_ = error;
        status_->setText(error);
    }
    return ok;
}

bool SoundEventsWindow::ChooseFile(const QString& event, const QString& path) {
    if (path.trimmed().isEmpty()) {
        lastError_ = tr("No file chosen.");
        return false;
    }
    return SetCurrent(event, path.toStdString());
}

bool SoundEventsWindow::ResetToDefault(const QString& event) {
    std::string def;
    if (!Known(event) || !Guarded([&] { def = sound_.DefaultSound(event.toStdString()); }))
        return false;
    return SetCurrent(event, def);
}

bool SoundEventsWindow::ClearSound(const QString& event) {
    return SetCurrent(event, "");
}

bool SoundEventsWindow::PlayEvent(const QString& event) {
    if (!Known(event)) return false;
    return Guarded([&] { sound_.PlaySound(event.toStdString(), false); });
}

void SoundEventsWindow::StopPlaying() {
    sound_.StopSound(false);
}

QString SoundEventsWindow::SelectedEvent() const {
    const auto rows = table_ ? table_->selectionModel()->selectedRows() : QModelIndexList{};
    if (rows.isEmpty()) return {};
    const auto* item = table_->item(rows.first().row(), 0);
    return item ? item->text() : QString();
}

void SoundEventsWindow::Notify(const std::string& message) {
    storeMessage_ = Q(message);
    status_->setText(storeMessage_);
    ShowWarning(storeMessage_);
}

void SoundEventsWindow::ShowWarning(const QString& text) {
    // Not modal: a modal box would run its own event loop inside whatever asked.
    auto* box = new QMessageBox(QMessageBox::Warning, windowTitle(), text, QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void SoundEventsWindow::Report() {
    if (!lastError_.isEmpty()) ShowWarning(lastError_);
}

void SoundEventsWindow::OnChoose() {
    const QString ev = SelectedEvent();
    if (ev.isEmpty()) return;
    QString start = CurrentFile(ev).trimmed();
    if (start.isEmpty()) start = DefaultFile(ev).trimmed();
    const QString path = QFileDialog::getOpenFileName(
        this, tr("Sound for %1").arg(ev), start.isEmpty() ? QString() : QFileInfo(start).path(),
        tr("Sound files (*.wav *.ogg *.oga *.flac *.mp3);;All files (*)"));
    if (path.isEmpty()) return;
    if (!ChooseFile(ev, path)) Report();
}

void SoundEventsWindow::OnPlay() {
    const QString ev = SelectedEvent();
    if (!ev.isEmpty() && !PlayEvent(ev)) Report();
}

void SoundEventsWindow::OnReset() {
    const QString ev = SelectedEvent();
    if (!ev.isEmpty() && !ResetToDefault(ev)) Report();
}

void SoundEventsWindow::OnClear() {
    const QString ev = SelectedEvent();
    if (!ev.isEmpty() && !ClearSound(ev)) Report();
}

}  // namespace blenvar
